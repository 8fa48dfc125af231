#pragma once
// The font rule of the language files: a font asked for by name, size and character set,
// completed from the system menu font and scaled from the design resolution of 96 DPI.

#include "IniFile.h"

#include <windows.h>

#include <string>

namespace fw {

// A font as a language file asks for it: an empty name or a negative size or character
// set stands for the system menu font's value.
struct TFontRequest {
    std::wstring Name;
    int Size = -1;
    int Charset = -1;
};

// Reads the keys prefix + "FontCharset", "FontSize", "FontName" of a section ("Main" or
// "Option" in [Font] and its Windows-version variants).
TFontRequest ReadFontRequest(const fw::TIniFile& ini, const std::wstring& section,
                             const std::wstring& prefix);

// A font by name, size in points and character set.
struct TFontSpec {
    std::wstring Name;
    int Size = 8;
    int Charset = DEFAULT_CHARSET;
    bool operator==(const TFontSpec&) const = default;
};

// The request completed from the menu font.
TFontSpec ResolveFont(const TFontRequest& request, const TFontSpec& menuFont);

// The logical font of a font description at a resolution: the height of `size` points at the design
// resolution of 96 DPI, scaled to `dpi`.
LOGFONTW FontAtDpi(const TFontSpec& font, int dpi);

// The system menu font's name, size and character set.
TFontSpec SystemMenuFont();

} // namespace fw
