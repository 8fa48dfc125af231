// Pictures of icon-set files become icon handles: PNG with alpha, bitmaps keyed on their
// corner colour, the first icon of icon files at the requested size, and nothing at all for
// files that are missing, of another kind, broken or implausibly large.
#include "IconLoader.h"
#include "FuzzRun.h"
#include "PngEncode.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace lorvane;
using Bytes = std::vector<unsigned char>;

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring dir =
        std::wstring(temp) + L"lorvane-iconloader-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

const std::wstring& Folder()
{
    static const std::wstring dir = TempFolder();
    return dir;
}

std::wstring WriteFile(const std::wstring& name, const Bytes& data)
{
    std::wstring path = Folder() + name;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    ::CloseHandle(h);
    return path;
}

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes PngOf(const TPixels& p)
{
    Bytes out = testpng::EncodeArgb(p.Width, p.Height, p.Argb.data());
    EXPECT_FALSE(out.empty());
    return out;
}

// A valid signature and header claiming the given size, then a token image-data chunk: as
// much as a reader needs to learn the size.
Bytes PngHeaderOnly(uint32_t w, uint32_t h)
{
    Bytes out = testpng::Signature();
    Bytes header;
    testpng::PutBig32(header, w);
    testpng::PutBig32(header, h);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    testpng::PutChunk(out, "IHDR", header);
    testpng::PutChunk(out, "IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    testpng::PutChunk(out, "IEND", {});
    return out;
}

// A 24-bit bottom-up bitmap of 0xRRGGBB pixels, top row first in `rgb`.
Bytes BmpOf(int w, int h, const std::vector<uint32_t>& rgb, int32_t claimedWidth = 0)
{
    const int stride = (w * 3 + 3) & ~3;
    Bytes b = {'B', 'M'};
    Put32(b, 54 + stride * h);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(claimedWidth ? claimedWidth : w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i)
        Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint32_t p = rgb[static_cast<size_t>(y) * w + x];
            b.push_back(p & 0xFF);
            b.push_back((p >> 8) & 0xFF);
            b.push_back((p >> 16) & 0xFF);
        }
        for (int pad = w * 3; pad < stride; ++pad)
            b.push_back(0);
    }
    return b;
}

// An icon file with one opaque square picture per size, each of its own colour.
Bytes IcoOf(const std::vector<std::pair<int, uint32_t>>& pictures)
{
    std::vector<Bytes> images;
    for (auto [n, colour] : pictures) {
        Bytes d;
        Put32(d, 40);
        Put32(d, n);
        Put32(d, n * 2);
        Put16(d, 1);
        Put16(d, 32);
        for (int i = 0; i < 6; ++i)
            Put32(d, 0);
        for (int i = 0; i < n * n; ++i)
            Put32(d, 0xFF000000u | colour);
        const int maskStride = ((n + 31) / 32) * 4;
        d.insert(d.end(), static_cast<size_t>(maskStride) * n, 0);
        images.push_back(d);
    }
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        int n = pictures[i].first;
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& d : images)
        out.insert(out.end(), d.begin(), d.end());
    return out;
}

struct IconPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb; // top row first
    std::vector<bool> maskSet;  // transparent where drawn without alpha
};

IconPixels Inspect(HICON icon)
{
    IconPixels out;
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info))
        return out;
    fw::UniqueHbitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectW(colour.get(), sizeof bm, &bm);
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), out.width, -out.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    out.argb.resize(static_cast<size_t>(out.width) * out.height);
    std::vector<uint32_t> maskPx(out.argb.size());
    HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, colour.get(), 0, out.height, out.argb.data(), &bi, DIB_RGB_COLORS);
    ::GetDIBits(dc, mask.get(), 0, out.height, maskPx.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    for (uint32_t m : maskPx)
        out.maskSet.push_back((m & 0xFFFFFF) != 0);
    return out;
}

// 4 x 3: opaque red, half-transparent green, transparent, opaque white; second row blue at
// alpha 64 …; enough variety to see that nothing is premultiplied or swapped.
TPixels Sample()
{
    return TPixels{4,
                   3,
                   {0xFFFF0000u, 0x8000FF00u, 0x00000000u, 0xFFFFFFFFu, 0x400000FFu, 0xFF123456u, 0xC0808080u,
                    0x00FFFFFFu, 0xFF000000u, 0x01FFFFFFu, 0xFEABCDEFu, 0xFF00FF00u}};
}

TEST(PngPictures, KeepSizeAndStraightAlpha)
{
    const TPixels sample = Sample();
    const Bytes png = PngOf(sample);
    std::optional<TPixels> decoded = DecodePng(png.data(), png.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Width, 4);
    EXPECT_EQ(decoded->Height, 3);
    EXPECT_EQ(decoded->Argb, sample.Argb);

    IconPixels icon = Inspect(LoadPicture(WriteFile(L"Vol1.PnG", png), 32).get());
    EXPECT_EQ(icon.width, 4); // its own size, whatever size was asked for
    EXPECT_EQ(icon.height, 3);
    EXPECT_EQ(icon.argb[0], 0xFFFF0000u);
    EXPECT_EQ(icon.argb[1], 0x8000FF00u);
    EXPECT_EQ(icon.argb[4], 0x400000FFu);
    EXPECT_EQ(icon.argb[10], 0xFEABCDEFu);
    // Fully transparent pixels are the mask's holes.
    EXPECT_EQ(icon.maskSet, (std::vector<bool>{false, false, true, false, false, false, false, true, false,
                                               false, false, false}));
}

TEST(PngPictures, BrokenOrHugeDataGivesNoPicture)
{
    const Bytes good = PngOf(Sample());
    EXPECT_FALSE(DecodePng(good.data(), 20));
    EXPECT_FALSE(DecodePng(good.data(), good.size() - 13)); // without its end
    Bytes bad = good;
    bad[bad.size() / 2] ^= 0xFF;
    EXPECT_FALSE(DecodePng(bad.data(), bad.size()));
    EXPECT_FALSE(DecodePng(nullptr, 100));
    EXPECT_FALSE(DecodePng(good.data(), 0));

    // Refused on its header's word, before any pixel memory is taken.
    for (auto [w, h] : {std::pair{100000, 100000}, {kMaxPictureSide + 1, 1}, {1, kMaxPictureSide + 1}}) {
        const Bytes header = PngHeaderOnly(w, h);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(
            png_image_begin_read_from_memory(&image, header.data(), header.size())); // libpng takes it
        png_image_free(&image);
        EXPECT_FALSE(DecodePng(header.data(), header.size())) << w << " x " << h;
    }
    EXPECT_EQ(LoadPicture(WriteFile(L"huge.png", PngHeaderOnly(60000, 60000)), 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"bad.png", bad), 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"empty.png", {}), 16).get(), nullptr);
}

TEST(BitmapPictures, TheCornerColourIsTransparentEverywhere)
{
    constexpr uint32_t M = 0xFF00FF, R = 0xFF0000, W = 0xFFFFFF;
    // 5 x 2: the corner colour appears inside too.
    const std::vector<uint32_t> rgb = {M, R, M, W, R, W, M, R, M, M};
    IconPixels icon = Inspect(LoadPicture(WriteFile(L"VolMin.BMP", BmpOf(5, 2, rgb)), 32).get());
    ASSERT_EQ(icon.width, 5);
    ASSERT_EQ(icon.height, 2);
    for (size_t i = 0; i < rgb.size(); ++i) {
        const bool keyed = rgb[i] == M;
        EXPECT_EQ(icon.maskSet[i], keyed) << i;
        EXPECT_EQ(icon.argb[i] >> 24, keyed ? 0u : 0xFFu) << i;
        if (!keyed) {
            EXPECT_EQ(icon.argb[i] & 0xFFFFFF, rgb[i]) << i;
        }
    }
}

TEST(BitmapPictures, ImplausibleHeadersGiveNoPicture)
{
    const std::vector<uint32_t> rgb(4, 0x123456);
    EXPECT_EQ(LoadPicture(WriteFile(L"wide.bmp", BmpOf(2, 2, rgb, 2000000)), 16).get(), nullptr);
    Bytes truncated = BmpOf(2, 2, rgb);
    truncated.resize(20);
    EXPECT_EQ(LoadPicture(WriteFile(L"short.bmp", truncated), 16).get(), nullptr);
    Bytes notBitmap = BmpOf(2, 2, rgb);
    notBitmap[0] = 'X';
    EXPECT_EQ(LoadPicture(WriteFile(L"text.bmp", notBitmap), 16).get(), nullptr);
}

// A bitmap file from its parts: the 14-byte file header, an info header of `bits`, a
// palette, then `pixels` as given. `offset` 0 puts the pixels right after the palette.
Bytes BmpFile(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::vector<uint32_t>& palette,
              const Bytes& pixels, uint32_t offset = 0, const std::vector<uint32_t>& masks = {})
{
    const uint32_t headers = 14 + 40 + 4 * static_cast<uint32_t>(masks.size() + palette.size());
    Bytes b = {'B', 'M'};
    Put32(b, headers + static_cast<uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset ? offset : headers);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, compression == BI_RLE8 || compression == BI_RLE4 ? static_cast<uint32_t>(pixels.size()) : 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(palette.size()));
    Put32(b, 0);
    for (uint32_t m : masks)
        Put32(b, m);
    for (uint32_t c : palette)
        Put32(b, c);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(BitmapPictures, EveryDepthAndEncodingDecodesTopRowFirst)
{
    constexpr uint32_t K = 0xFF000000u, R = 0xFFFF0000u, G = 0xFF00FF00u, B = 0xFF0000FFu, W = 0xFFFFFFFFu;
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const struct {
        const char* what;
        Bytes file;
        std::vector<uint32_t> want; // 2 x 2 unless noted, top row first
        int width = 2;
    } cases[] = {
        // Rows are stored bottom up and padded to 32 bits.
        {"1 bit",
         BmpFile(2, 2, 1, BI_RGB, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}),
         {W, K, K, W}},
        {"4 bits", BmpFile(2, 2, 4, BI_RGB, palette, {0x30, 0, 0, 0, 0x12, 0, 0, 0}), {R, G, B, K}},
        {"8 bits", BmpFile(2, 2, 8, BI_RGB, palette, {3, 0, 0, 0, 1, 2, 0, 0}), {R, G, B, K}},
        {"8 bits, index past the palette", BmpFile(2, 1, 8, BI_RGB, palette, {9, 1, 0, 0}), {K, R}},
        {"16 bits 5-5-5", BmpFile(2, 1, 16, BI_RGB, {}, {0x00, 0x7C, 0x1F, 0x00}), {R, B}},
        {"16 bits 5-6-5 fields",
         BmpFile(2, 1, 16, BI_BITFIELDS, {}, {0xE0, 0x07, 0x00, 0xF8}, 0, {0xF800, 0x07E0, 0x001F}),
         {G, R}},
        {"24 bits top down",
         BmpFile(2, -2, 24, BI_RGB, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0}),
         {R, G, B, K}},
        {"32 bits", BmpFile(2, 1, 32, BI_RGB, {}, {255, 0, 0, 0x80, 0, 0, 255, 0}), {B, R}},
        // Run lengths: a run of two on the bottom row, end of line, three literal pixels (the
        // third outside the row, the padding skipped), end of picture.
        {"run-length 8",
         BmpFile(2, 2, 8, BI_RLE8, palette, {2, 1, 0, 0, 0, 3, 3, 2, 1, 0, 0, 1}),
         {B, G, R, R}},
        {"run-length 4",
         BmpFile(2, 2, 4, BI_RLE4, palette, {2, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 1}),
         {B, K, R, G}},
        // A run that claims more than the row holds, a move outside, and no end marker.
        {"run-length past the edges",
         BmpFile(2, 2, 8, BI_RLE8, palette, {200, 1, 0, 2, 9, 9, 1, 2}),
         {K, K, R, R}},
    };
    for (const auto& c : cases) {
        std::optional<TPixels> p = DecodeBmp(c.file.data(), c.file.size());
        ASSERT_TRUE(p) << c.what;
        EXPECT_EQ(p->Width, c.width) << c.what;
        EXPECT_EQ(p->Argb, c.want) << c.what;
    }
}

TEST(BitmapPictures, DamagedFilesGiveAnEmptyPictureWithoutReadingOutside)
{
    const Bytes pixels(16, 0);
    Bytes offsetFar = BmpFile(1, 1, 24, BI_RGB, {}, {}, 0x7FFFFFFF);
    ASSERT_EQ(offsetFar.size(), 54u);
    Bytes coreHeader = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 8, 0};
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"pixel offset past the end", offsetFar},
        {"pixel offset of 16 MiB", BmpFile(1, 1, 24, BI_RGB, {}, pixels, 16u << 20)},
        {"rows shorter than claimed", BmpFile(4, 4, 32, BI_RGB, {}, pixels)},
        {"palette past the end",
         [] {
             Bytes b = BmpFile(2, 2, 8, BI_RGB, {0, 0}, Bytes(8, 0));
             b[46] = 200; // colours used
             return b;
         }()},
        {"palette of a core header past the end", coreHeader},
        {"header size past the end",
         [] {
             Bytes b = BmpFile(1, 1, 24, BI_RGB, {}, {0, 0, 0, 0});
             b[14] = 0xFF;
             return b;
         }()},
        {"header too small",
         [] {
             Bytes b = BmpFile(1, 1, 24, BI_RGB, {}, {0, 0, 0, 0});
             b[14] = 20;
             return b;
         }()},
        {"depth of 7 bits", BmpFile(1, 1, 7, BI_RGB, {}, pixels)},
        {"fields on 24 bits", BmpFile(1, 1, 24, BI_BITFIELDS, {}, pixels, 0, {1, 2, 4})},
        {"fields cut off",
         [] {
             Bytes b = BmpFile(1, 1, 16, BI_BITFIELDS, {}, {});
             b.resize(56);
             return b;
         }()},
        {"run-length top down", BmpFile(2, -2, 8, BI_RLE8, {0}, {0, 1})},
        {"embedded PNG", BmpFile(1, 1, 0, 5, {}, pixels)},
        {"zero width", BmpFile(0, 1, 24, BI_RGB, {}, pixels)},
        {"taller than the limit", BmpFile(1, -(kMaxPictureSide + 1), 24, BI_RGB, {}, pixels)},
        {"only the signature", {'B', 'M'}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodeBmp(c.file.data(), c.file.size())) << c.what;
        // Through the file, as an icon set holds it: no crash, no picture.
        EXPECT_EQ(LoadPicture(WriteFile(L"VolBad.bmp", c.file), 16).get(), nullptr) << c.what;
    }
    EXPECT_FALSE(DecodeBmp(nullptr, 54));
}

TEST(IconFilePictures, DamagedDirectoriesAndImagesNeverReachTheSystem)
{
    auto withEntry = [](uint32_t bytes, uint32_t offset) {
        Bytes b = IcoOf({{16, 0xFF0000}});
        for (int i = 0; i < 4; ++i) {
            b[14 + i] = static_cast<unsigned char>(bytes >> (8 * i));
            b[18 + i] = static_cast<unsigned char>(offset >> (8 * i));
        }
        return b;
    };
    auto shortEntry = [](uint32_t offset) { // a 22-byte file: directory and one entry
        Bytes b = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0};
        Put32(b, offset);
        return b;
    };
    const Bytes good = IcoOf({{16, 0xFF0000}, {32, 0x0000FF}});
    Bytes brokenPng = PngOf(Sample());
    brokenPng[brokenPng.size() / 2] ^= 0xFF;
    Bytes pngIcon = {0, 0, 1, 0, 1, 0, 4, 3, 0, 0, 1, 0, 32, 0};
    Put32(pngIcon, static_cast<uint32_t>(brokenPng.size()));
    Put32(pngIcon, 22);
    pngIcon.insert(pngIcon.end(), brokenPng.begin(), brokenPng.end());
    Bytes secondBad = good;
    secondBad[6 + 16 + 12 + 3] = 0xF0; // the 32-pixel entry's offset far out
    Bytes colourCut = good;
    colourCut[6 + 8] = 60; // the first image claims fewer bytes than its pixels need
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"six bytes claiming 65535 images", {0, 0, 1, 0, 0xFF, 0xFF}},
        {"no images", {0, 0, 1, 0, 0, 0}},
        {"image at 4096 in a 22-byte file", shortEntry(4096)},
        {"image at 0x7FFFFF00 in a 22-byte file", shortEntry(0x7FFFFF00)},
        {"image overlapping the directory", withEntry(40, 0)},
        {"image size past the end", withEntry(0xFFFFFFF0, 22)},
        {"a later image out of the file", secondBad},
        {"pixels larger than the image", colourCut},
        {"a damaged PNG image", pngIcon},
        {"not an icon at all", Bytes(300, 'x')},
    };
    EXPECT_TRUE(IconFilePlausible(good.data(), good.size()));
    for (const auto& c : cases) {
        EXPECT_FALSE(IconFilePlausible(c.file.data(), c.file.size())) << c.what;
        EXPECT_EQ(LoadPicture(WriteFile(L"VolBad.ico", c.file), 16).get(), nullptr) << c.what;
    }
}

TEST(IconFilePictures, TheFirstIconAtTheRequestedSize)
{
    const std::wstring file = WriteFile(L"Vol0.ico", IcoOf({{16, 0xFF0000}, {32, 0x0000FF}}));
    const struct {
        int asked;
        int side;
        uint32_t colour;
    } cases[] = {{16, 16, 0xFF0000}, {32, 32, 0x0000FF}, {0, 16, 0xFF0000}, {-3, 16, 0xFF0000}, {24, 24, 0}};
    for (const auto& c : cases) {
        IconPixels icon = Inspect(LoadPicture(file, c.asked).get());
        EXPECT_EQ(icon.width, c.side) << c.asked;
        EXPECT_EQ(icon.height, c.side) << c.asked;
        if (c.colour && !icon.argb.empty()) {
            EXPECT_EQ(icon.argb[icon.argb.size() / 2] & 0xFFFFFF, c.colour) << c.asked;
        }
    }
}

TEST(Pictures, OnlyExistingFilesOfTheKnownKindsGiveAPicture)
{
    const Bytes png = PngOf(Sample());
    std::wstring folder = Folder() + L"Vol5.png";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_EQ(LoadPicture(folder, 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(Folder() + L"missing.png", 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(L"", 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"Vol6.gif", png), 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"noextension", png), 16).get(), nullptr);
    std::wstring dotted = Folder() + L"set.png\\";
    ::CreateDirectoryW(dotted.c_str(), nullptr);
    EXPECT_EQ(LoadPicture(dotted + L"Vol7", 16).get(), nullptr); // the dot is the folder's
    EXPECT_NE(LoadPicture(WriteFile(L"Vol8.png", png), 16).get(), nullptr);
    // Not icon files at all (Wine's extraction fails with junk in its outputs).
    EXPECT_EQ(LoadPicture(WriteFile(L"Vol9.ico", Bytes(300, 'x')), 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"Vol9.dll", Bytes(300, 'x')), 16).get(), nullptr);
    EXPECT_EQ(LoadPicture(WriteFile(L"Vol9.exe", Bytes(300, 'x')), 32).get(), nullptr);
}

// ---- which icon of an icon file is taken

struct FakeExtractors {
    UINT privateResult = 1;
    bool privateIcon = true, large = true, small = true, havePrivate = true;
    int askedSize = 0;
    UINT askedFlags = 0;
    HICON junk = nullptr;

    static fw::UniqueHicon Square(int n)
    {
        return IconFromPixels(TPixels{n, n, std::vector<uint32_t>(n * n, ~0u)});
    }

    TIconExtractors Get()
    {
        TIconExtractors e;
        if (havePrivate)
            e.PrivateExtract = [this](const wchar_t*, int size, HICON* icon, UINT flags) {
                askedSize = size;
                askedFlags = flags;
                *icon = privateIcon ? Square(20).release() : nullptr;
                return privateResult;
            };
        e.ExtractEx = [this](const wchar_t*, HICON* l, HICON* s) {
            if (junk) { // as Wine fails: a count of 0 and the outputs written anyway
                *l = *s = junk;
                return UINT(0);
            }
            *l = large ? Square(32).release() : nullptr;
            *s = small ? Square(16).release() : nullptr;
            return UINT((large ? 1 : 0) + (small ? 1 : 0));
        };
        return e;
    }
};

TEST(ExtractFirstIcon, PrivateExtractionFirstThenTheLargeOrSmallIcon)
{
    const struct {
        const char* what;
        int size;
        UINT privateResult;
        bool privateIcon, havePrivate, large, small;
        int side; // 20 private, 32 large, 16 small, 0 none
    } cases[] = {
        {"private extraction succeeds", 24, 1, true, true, true, true, 20},
        {"private extraction finds nothing, 24 px", 24, 0, false, true, true, true, 32},
        {"private extraction reports a bad file", 24, UINT_MAX, true, true, true, true, 32},
        {"private extraction counts an icon it did not give", 24, 1, false, true, true, true, 32},
        {"without the function, 16 px", 16, 0, false, false, true, true, 16},
        {"17 px prefers the large icon", 17, 0, false, false, true, true, 32},
        {"no large icon: the small one", 32, 0, false, false, false, true, 16},
        {"no small icon: the large one", 16, 0, false, false, true, false, 32},
        {"nothing at all", 16, 0, false, false, false, false, 0},
    };
    for (const auto& c : cases) {
        FakeExtractors f;
        f.privateResult = c.privateResult;
        f.privateIcon = c.privateIcon;
        f.havePrivate = c.havePrivate;
        f.large = c.large;
        f.small = c.small;
        fw::UniqueHicon icon = ExtractFirstIcon(L"x.dll", c.size, f.Get());
        EXPECT_EQ(Inspect(icon.get()).width, c.side) << c.what;
        if (c.havePrivate) {
            EXPECT_EQ(f.askedSize, c.size) << c.what;
            EXPECT_EQ(f.askedFlags, 16u) << c.what;
        }
    }
    FakeExtractors f;
    ExtractFirstIcon(L"x.exe", 0, f.Get());
    EXPECT_EQ(f.askedSize, 16);
}

TEST(ExtractFirstIcon, AFailedExtractionsOutputsAreNeitherUsedNorDestroyed)
{
    fw::UniqueHicon notOurs = FakeExtractors::Square(8);
    FakeExtractors f;
    f.havePrivate = false;
    f.junk = notOurs.get();
    EXPECT_EQ(ExtractFirstIcon(L"junk.dll", 16, f.Get()).get(), nullptr);
    EXPECT_EQ(Inspect(notOurs.get()).width, 8); // still alive
}

// ---- seeded fuzz: every file through the loader is a picture or none, never a crash

struct IconFuzzCase {
    Bytes file;
    const wchar_t* ext;
};

IconFuzzCase IconFuzzInput(std::mt19937& rng)
{
    auto below = [&rng](uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); };
    auto side = [&] { return 1 + static_cast<int>(below(40)); };
    IconFuzzCase c;
    switch (below(8)) {
    case 0:
    case 1: {
        int w = side(), h = side();
        c = {BmpOf(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, rng())), L".bmp"};
        break;
    }
    case 2:
    case 3: {
        std::vector<std::pair<int, uint32_t>> images(1 + below(below(4) ? 4 : 200));
        for (auto& [n, colour] : images)
            n = side(), colour = rng() & 0xFFFFFF;
        c = {IcoOf(images), L".ico"};
        break;
    }
    case 4:
    case 5: {
        int w = side(), h = side();
        c = {PngOf(TPixels{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, rng())}), L".png"};
        break;
    }
    case 6: {
        const uint32_t sides[] = {0, 1, 1025, 65535, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
        c = {PngHeaderOnly(sides[below(7)], 1 + below(2000)), L".png"};
        break;
    }
    default: { // a library or program that is not one: a DOS header and noise
        c.file = {'M', 'Z'};
        c.file.resize(2 + below(600), static_cast<unsigned char>(rng()));
        c.ext = below(2) ? L".dll" : L".exe";
        return c;
    }
    }
    // Damage: header fields set to edge values, flipped bytes, cut short, a wrong extension.
    const uint32_t edges[] = {0, 1, 0x7F, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (uint32_t k = below(4); k-- > 0 && c.file.size() >= 4;) {
        size_t at = below(static_cast<uint32_t>(std::min<size_t>(c.file.size() - 3, 64)));
        uint32_t v = edges[below(8)];
        for (int i = 0; i < 4; ++i)
            c.file[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    for (uint32_t k = below(3); k-- > 0 && !c.file.empty();)
        c.file[below(static_cast<uint32_t>(c.file.size()))] ^= static_cast<unsigned char>(1 + below(255));
    if (below(4) == 0)
        c.file.resize(below(static_cast<uint32_t>(c.file.size() + 1)));
    if (below(10) == 0) {
        const wchar_t* exts[] = {L".bmp", L".ico", L".png"};
        c.ext = exts[below(3)];
    }
    return c;
}

TEST(IconFuzz, EveryDamagedFileIsAPictureOrNone)
{
    std::mt19937 rng(20261208u);
    const int cases = fuzz::Cases(10000);
    long failed = 0;
    for (int i = 0; i < cases; ++i) {
        IconFuzzCase c = IconFuzzInput(rng);
        SCOPED_TRACE(testing::Message() << "case " << i);
        const long before = fuzz::FailedChecks();
        const std::wstring file = WriteFile(L"fuzz" + std::to_wstring(i % 8) + c.ext, c.file);
        fw::UniqueHicon icon = LoadPicture(file, i % 3 ? 16 : 32);
        if (icon) {
            IconPixels px = Inspect(icon.get());
            EXPECT_GT(px.width, 0);
            EXPECT_LE(px.width, kMaxPictureSide);
            EXPECT_LE(px.height, kMaxPictureSide);
        }
        // The decoders straight on the bytes, as the loader's checks see them.
        DecodeBmp(c.file.data(), c.file.size());
        DecodePng(c.file.data(), c.file.size());
        IconFilePlausible(c.file.data(), c.file.size());
        if (fuzz::FailedChecks() != before && ++failed > 5)
            break;
    }
    fuzz::Tally::Add("icon files", cases, failed);
}

} // namespace
