#pragma once
// Pictures of icon sets as icon handles: bitmaps (the colour at (0, 0) is transparent), PNG
// images with their alpha channel, and the first icon of .ico, .dll and .exe files. A file
// that is missing, unreadable, of another kind or implausibly large gives no icon; nothing
// here raises or shows a message.

#include "UniqueHandle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lorvane {

// Larger pictures are refused before any pixel memory is taken: a set's file is user data,
// and a header can claim any size.
inline constexpr int kMaxPictureSide = 1024;
// Larger picture files are not read into memory at all.
inline constexpr std::uintmax_t kMaxPictureFileSize = 16u << 20;

// A decoded picture, top row first; 0xAARRGGBB per pixel (blue in the lowest byte, as a
// 32-bit DIB holds it), alpha not premultiplied.
struct TPixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Argb;
};

std::optional<TPixels> DecodePng(const void* data, size_t size);
// A BMP file in memory: core and info headers, 1 to 32 bits per pixel, bit fields and run
// lengths. Nothing when any header, count or offset does not fit the data.
std::optional<TPixels> DecodeBmp(const void* data, size_t size);
// Whether an icon file's directory and every image it lists lie within the data and are
// well formed (PNG images through libpng): only then may the system's extraction see it.
bool IconFilePlausible(const void* data, size_t size);
// Every pixel of the colour found at (0, 0) becomes transparent, every other one opaque.
void KeyOutCornerColour(TPixels& pixels);
// An icon of the picture's own size; no icon for an empty picture.
fw::UniqueHicon IconFromPixels(const TPixels& pixels);

// How the first icon of an .ico, .dll or .exe file is extracted; tests substitute fakes.
struct TIconExtractors {
    // PrivateExtractIconsW(file, 0, size, size, &icon, nullptr, 1, flags): the number of icons
    // extracted. Empty when the system lacks the function.
    std::function<UINT(const wchar_t* file, int size, HICON* icon, UINT flags)> PrivateExtract;
    // ExtractIconExW(file, 0, &large, &small, 1).
    std::function<UINT(const wchar_t* file, HICON* large, HICON* small)> ExtractEx;
    static TIconExtractors System();
};

// The flags that PrivateExtractIconsW gets (LR_LOADFROMFILE).
inline constexpr UINT kPrivateExtractFlags = 16;

// The first icon of `file` at `size` pixels (below 1 counts as 16): PrivateExtractIconsW
// first, else ExtractIconExW's large icon above 16 pixels and its small one otherwise, each
// standing in for the other when missing.
fw::UniqueHicon ExtractFirstIcon(const std::wstring& file, int size,
                                 const TIconExtractors& extractors = TIconExtractors::System());

// The picture of an icon-set file by its extension (case-insensitive): .bmp, .png, .ico,
// .dll, .exe. `size` only matters for the icon kinds; bitmaps and PNG keep their own size.
fw::UniqueHicon LoadPicture(const std::wstring& file, int size);

} // namespace lorvane
