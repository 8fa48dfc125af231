// The cross-built libpng and zlib link and decode a picture with an alpha channel, the way
// icon sets with PNG pictures will be read.
#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// 3 x 3 RGBA: row 0 red (opaque), green (alpha 128), blue (transparent); row 1 white,
// black, grey (alpha 64); row 2 transparent, yellow, cyan (alpha 191).
const unsigned char kPicture[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x08, 0x06, 0x00, 0x00, 0x00, 0x56, 0x28, 0xb5, 0xbf, 0x00,
    0x00, 0x00, 0x23, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x15, 0x89, 0x31, 0x01, 0x00, 0x30, 0x0c, 0x83,
    0x90, 0x36, 0x69, 0x71, 0x56, 0x69, 0x2c, 0x81, 0x83, 0x03, 0x04, 0x6b, 0x16, 0x2c, 0x34, 0x49, 0x1e,
    0xc3, 0x3d, 0xbd, 0x0f, 0x39, 0xe6, 0x10, 0xf2, 0x77, 0xbb, 0x7e, 0x78, 0x00, 0x00, 0x00, 0x00, 0x49,
    0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

bool Decode(const unsigned char* data, size_t size, png_uint_32& w, png_uint_32& h, std::vector<Rgba>& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return false;
    image.format = PNG_FORMAT_RGBA;
    w = image.width;
    h = image.height;
    out.resize(size_t(w) * h);
    bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

TEST(Libpng, DecodesRgbaPixelsWithAlpha)
{
    png_uint_32 w = 0, h = 0;
    std::vector<Rgba> px;
    ASSERT_TRUE(Decode(kPicture, sizeof kPicture, w, h, px));
    ASSERT_EQ(w, 3u);
    ASSERT_EQ(h, 3u);
    EXPECT_EQ(px[0], (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(px[1], (Rgba{0, 255, 0, 128}));
    EXPECT_EQ(px[2].a, 0);
    EXPECT_EQ(px[5], (Rgba{128, 128, 128, 64}));
    EXPECT_EQ(px[7], (Rgba{255, 255, 0, 255}));
    EXPECT_EQ(px[8], (Rgba{0, 255, 255, 191}));
}

TEST(Libpng, RejectsTruncatedAndCorruptData)
{
    png_uint_32 w = 0, h = 0;
    std::vector<Rgba> px;
    EXPECT_FALSE(Decode(kPicture, 20, w, h, px));
    std::vector<unsigned char> bad(kPicture, kPicture + sizeof kPicture);
    bad[50] ^= 0xFF; // inside the compressed data: the checksum no longer matches
    EXPECT_FALSE(Decode(bad.data(), bad.size(), w, h, px));
}

} // namespace
