#pragma once
// Draws the on-screen display into a 32-bit bitmap with premultiplied alpha, as
// UpdateLayeredWindow takes it: a rounded panel, the speaker (struck when muted) or an
// application's icon, an optional title line, the level bar and the level as text.

#include "DisplayLayout.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace display {

struct TDisplayContent {
    int Percent = 0;
    bool Muted = false;
    std::wstring Title;     // the device's or the application's name; empty: no title line
    std::wstring LevelText; // "45%", or the mute text
    HICON Icon = nullptr;   // an application's icon in place of the speaker (not owned)
    bool operator==(const TDisplayContent&) const = default;
};

struct TDisplayLook {
    bool Dark = true;
    std::wstring FontName; // empty: the system's message font
    int Charset = DEFAULT_CHARSET;
    bool operator==(const TDisplayLook&) const = default;
};

class TDisplayPainter {
  public:
    TDisplayPainter() = default;
    TDisplayPainter(const TDisplayPainter&) = delete;
    TDisplayPainter& operator=(const TDisplayPainter&) = delete;

    // Paints the whole display; false when no bitmap could be made for it.
    bool Paint(const TDisplayMetrics& m, const TDisplayLook& look, const TDisplayContent& content);

    // The bitmap selected into a memory DC (valid after a successful Paint).
    HDC DC() const noexcept { return dc.get(); }
    SIZE Size() const noexcept { return {width, height}; }
    // Top-down rows of premultiplied 0xAARRGGBB pixels.
    const uint32_t* Pixels() const noexcept { return pixels; }

  private:
    using UniqueHdc = fw::UniqueHandle<fw::HandleTraits<HDC, ::DeleteDC>>;
    bool Prepare(const TDisplayMetrics& m, const TDisplayLook& look);
    void PaintBackground(const TDisplayMetrics& m, const TDisplayColours& colours);
    void PaintSpeaker(const RECT& box, bool muted, uint32_t colour);
    void PaintIcon(const RECT& box, HICON icon);
    void PaintText(const RECT& box, const std::wstring& text, HFONT font, UINT align, uint32_t colour);
    void FillBox(RECT box, uint32_t colour);

    // Declared before their DCs: a DC goes first, then the bitmap it held.
    fw::UniqueHbitmap bitmap, maskBitmap;
    UniqueHdc dc, maskDc;
    uint32_t* pixels = nullptr;
    uint32_t* mask = nullptr; // white text on black, for its coverage
    int width = 0, height = 0;
    std::vector<uint32_t> background; // the panel alone, painted once per size and look
    TDisplayLook backgroundLook;
    int backgroundRadius = -1;
    fw::UniqueHfont titleFont, levelFont;
    TDisplayLook fontLook;
    int titlePx = 0, levelPx = 0;
};

} // namespace display
