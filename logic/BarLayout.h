#pragma once
// Where the pop-up volume bar goes and how its three controls sit inside it: plain numbers,
// no windows.

#include <windows.h>

#include <optional>

namespace lorvane {

enum class TBarAlign { Left = 0, Right = 1, Center = 2 };

// Top-left corner of a window of outer size width x height shown for the point (x, y): one
// pixel below the point, flipped above it when it would leave `area` at the bottom, then
// pushed inside `area`.
POINT PlaceBar(int x, int y, int width, int height, const RECT& area, TBarAlign align) noexcept;

struct TBarLayout {
    std::optional<RECT> Label; // empty: the label keeps its bounds (the text could not be measured)
    std::optional<RECT> Mute;  // likewise for the mute box
    RECT Bar{};
    int MinWidth = 0; // outer width
};

// Client size W x H; the label's text and the mute box's caption as measured (none when the
// measurement failed); the bar's own width; the current bounds of label and box (used when
// a measurement failed); the frame's width (outer minus client).
TBarLayout LayoutBar(int clientWidth, int clientHeight, std::optional<SIZE> labelText,
                     std::optional<SIZE> muteCaption, int barWidth, const RECT& labelNow, const RECT& muteNow,
                     int frameWidth) noexcept;

} // namespace lorvane
