#include "IconLoader.h"

#include <png.h>
#include <shellapi.h>

#include <climits>
#include <cstring>
#include <cwctype>

namespace lorvane {

namespace {

bool PlausibleSize(long long width, long long height)
{
    if (width < 0)
        width = -width;
    if (height < 0)
        height = -height;
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

std::optional<std::vector<unsigned char>> ReadWholeFile(const std::wstring& file, std::uintmax_t limit)
{
    fw::UniqueFile h(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uintmax_t>(size.QuadPart) > limit)
        return std::nullopt;
    std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!data.empty() &&
        (!::ReadFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
         read != data.size()))
        return std::nullopt;
    return data;
}

bool IsFile(const std::wstring& file)
{
    DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring LowerExtension(const std::wstring& file)
{
    size_t dot = file.find_last_of(L'.');
    size_t slash = file.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return {};
    std::wstring ext = file.substr(dot);
    for (wchar_t& c : ext)
        c = static_cast<wchar_t>(std::towlower(c));
    return ext;
}

fw::UniqueHicon LoadBitmapPicture(const std::wstring& file)
{
    // Decoded here rather than by the system's loader, which trusts the file's offsets.
    std::optional<std::vector<unsigned char>> data = ReadWholeFile(file, kMaxPictureFileSize);
    if (!data)
        return {};
    std::optional<TPixels> pixels = DecodeBmp(data->data(), data->size());
    if (!pixels)
        return {};
    KeyOutCornerColour(*pixels);
    return IconFromPixels(*pixels);
}

fw::UniqueHicon LoadIconFilePicture(const std::wstring& file, int size)
{
    std::optional<std::vector<unsigned char>> data = ReadWholeFile(file, kMaxPictureFileSize);
    if (!data || !IconFilePlausible(data->data(), data->size()))
        return {};
    return ExtractFirstIcon(file, size);
}

fw::UniqueHicon LoadPngPicture(const std::wstring& file)
{
    std::optional<std::vector<unsigned char>> data = ReadWholeFile(file, kMaxPictureFileSize);
    if (!data)
        return {};
    std::optional<TPixels> pixels = DecodePng(data->data(), data->size());
    return pixels ? IconFromPixels(*pixels) : fw::UniqueHicon{};
}

} // namespace

std::optional<TPixels> DecodePng(const void* data, size_t size)
{
    if (!data || size == 0)
        return std::nullopt;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    // The simplified reader reports every error (corrupt data, truncation) as a 0 result.
    if (!png_image_begin_read_from_memory(&image, data, size))
        return std::nullopt;
    if (!PlausibleSize(image.width, image.height)) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_BGRA; // 8-bit non-linear: not premultiplied
    TPixels pixels;
    pixels.Width = static_cast<int>(image.width);
    pixels.Height = static_cast<int>(image.height);
    pixels.Argb.resize(static_cast<size_t>(pixels.Width) * pixels.Height);
    bool ok = png_image_finish_read(&image, nullptr, pixels.Argb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    if (!ok)
        return std::nullopt;
    return pixels;
}

void KeyOutCornerColour(TPixels& pixels)
{
    if (pixels.Argb.empty())
        return;
    const uint32_t key = pixels.Argb.front() & 0x00FFFFFFu;
    for (uint32_t& p : pixels.Argb)
        p = (p & 0x00FFFFFFu) == key ? 0u : (p | 0xFF000000u);
}

fw::UniqueHicon IconFromPixels(const TPixels& pixels)
{
    const int w = pixels.Width, h = pixels.Height;
    if (!PlausibleSize(w, h) || pixels.Argb.size() != static_cast<size_t>(w) * h)
        return {};
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    fw::UniqueHbitmap colour(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour || !bits)
        return {};
    std::memcpy(bits, pixels.Argb.data(), pixels.Argb.size() * sizeof(uint32_t));
    ::GdiFlush();

    // Where no alpha is drawn, the mask decides: set bits are transparent. Rows of a
    // monochrome bitmap are padded to 16 bits.
    const int stride = ((w + 15) / 16) * 2;
    std::vector<unsigned char> maskBits(static_cast<size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((pixels.Argb[static_cast<size_t>(y) * w + x] >> 24) == 0)
                maskBits[static_cast<size_t>(y) * stride + x / 8] |=
                    static_cast<unsigned char>(0x80 >> (x % 8));
    fw::UniqueHbitmap mask(::CreateBitmap(w, h, 1, 1, maskBits.data()));
    if (!mask)
        return {};
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    return fw::UniqueHicon(::CreateIconIndirect(&info)); // copies both bitmaps
}

TIconExtractors TIconExtractors::System()
{
    using PrivateExtractIconsFn = UINT(WINAPI*)(LPCWSTR, int, int, int, HICON*, UINT*, UINT, UINT);
    // Not documented for every system: bound at run time, so the program still loads without it.
    static const auto privateExtract = reinterpret_cast<PrivateExtractIconsFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "PrivateExtractIconsW")));
    TIconExtractors e;
    if (privateExtract) {
        e.PrivateExtract = [](const wchar_t* file, int size, HICON* icon, UINT flags) {
            UINT id = 0;
            return privateExtract(file, 0, size, size, icon, &id, 1, flags);
        };
    }
    e.ExtractEx = [](const wchar_t* file, HICON* large, HICON* small) {
        return ::ExtractIconExW(file, 0, large, small, 1);
    };
    return e;
}

fw::UniqueHicon ExtractFirstIcon(const std::wstring& file, int size, const TIconExtractors& extractors)
{
    if (size < 1)
        size = 16;
    if (extractors.PrivateExtract) {
        HICON icon = nullptr;
        UINT n = extractors.PrivateExtract(file.c_str(), size, &icon, kPrivateExtractFlags);
        fw::UniqueHicon owned(icon);
        // 0xFFFFFFFF reports a missing or unreadable file.
        if (n != 0 && n != UINT_MAX && owned)
            return owned;
    }
    if (!extractors.ExtractEx)
        return {};
    HICON large = nullptr, small = nullptr;
    UINT n = extractors.ExtractEx(file.c_str(), &large, &small);
    // Wine leaves junk in both outputs when it fails: the count alone says whether they are icons.
    if (n == 0 || n == UINT_MAX)
        return {};
    fw::UniqueHicon largeIcon(large), smallIcon(small);
    fw::UniqueHicon& preferred = size > 16 ? largeIcon : smallIcon;
    fw::UniqueHicon& other = size > 16 ? smallIcon : largeIcon;
    return preferred ? std::move(preferred) : std::move(other);
}

fw::UniqueHicon LoadPicture(const std::wstring& file, int size)
{
    if (file.empty() || !IsFile(file))
        return {};
    const std::wstring ext = LowerExtension(file);
    if (ext == L".bmp")
        return LoadBitmapPicture(file);
    if (ext == L".png")
        return LoadPngPicture(file);
    if (ext == L".ico")
        return LoadIconFilePicture(file, size);
    if (ext == L".dll" || ext == L".exe")
        return ExtractFirstIcon(file, size);
    return {};
}

} // namespace lorvane
