// Bitmap decoding and icon-file checks over bytes in memory. An icon set can come from
// anywhere, and the system's own loaders read past the end of damaged files: every header,
// count and offset is checked against the data's size here, so a damaged file is an empty
// picture and never reaches them.
#include "IconLoader.h"

#include <algorithm>
#include <bit>

namespace lorvane {

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};

// Little-endian reads that answer 0 past the end, so a short header never reads outside.
class Bytes {
  public:
    Bytes(const void* data, size_t size) : data(static_cast<const unsigned char*>(data)), size(size) {}
    bool Has(uint64_t at, uint64_t count) const { return at <= size && count <= size - at; }
    uint32_t U8(uint64_t at) const { return Has(at, 1) ? data[at] : 0; }
    uint32_t U16(uint64_t at) const { return U8(at) | U8(at + 1) << 8; }
    uint32_t U32(uint64_t at) const { return U16(at) | U16(at + 2) << 16; }
    int32_t I32(uint64_t at) const { return static_cast<int32_t>(U32(at)); }
    const unsigned char* At(uint64_t at) const { return data + at; }
    size_t Size() const { return size; }

  private:
    const unsigned char* data;
    size_t size;
};

bool SideInRange(long long side)
{
    return side > 0 && side <= kMaxPictureSide;
}

bool KnownDepth(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

uint64_t RowBytes(uint64_t width, uint32_t bits)
{
    return (width * bits + 31) / 32 * 4;
}

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t field = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    if (field >= 0xFF) {
        const int extra = std::bit_width(field) - 8;
        return value >> extra;
    }
    return (value * 255 + field / 2) / field;
}

struct BitmapLayout {
    int width = 0, height = 0;
    bool topDown = false;
    uint32_t bits = 0, compression = BI_RGB;
    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    uint64_t paletteAt = 0;
    uint32_t paletteCount = 0, paletteEntry = 4;
    uint64_t pixelsAt = 0, pixelsSize = 0;
};

std::optional<BitmapLayout> ReadBitmapLayout(const Bytes& b)
{
    if (b.Size() < 18 || b.U8(0) != 'B' || b.U8(1) != 'M')
        return std::nullopt;
    BitmapLayout l;
    const uint32_t header = b.U32(14);
    if (!b.Has(14, header))
        return std::nullopt;
    long long height = 0;
    if (header == sizeof(BITMAPCOREHEADER)) {
        l.width = static_cast<int>(b.U16(18));
        height = b.U16(20);
        l.bits = b.U16(24);
        l.paletteEntry = 3;
    } else if (header >= sizeof(BITMAPINFOHEADER)) {
        const long long width = b.I32(18);
        height = b.I32(22);
        if (!SideInRange(width))
            return std::nullopt;
        l.width = static_cast<int>(width);
        l.bits = b.U16(28);
        l.compression = b.U32(30);
        l.paletteCount = b.U32(46);
    } else {
        return std::nullopt;
    }
    l.topDown = height < 0;
    if (!SideInRange(l.width) || !SideInRange(height < 0 ? -height : height) || !KnownDepth(l.bits))
        return std::nullopt;
    l.height = static_cast<int>(height < 0 ? -height : height);

    uint64_t afterHeader = 14 + uint64_t{header};
    switch (l.compression) {
    case BI_RGB:
        if (l.bits == 16)
            l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
        break;
    case BI_BITFIELDS:
        if (l.bits != 16 && l.bits != 32)
            return std::nullopt;
        // The three masks follow a plain info header, and are part of the later ones.
        if (!b.Has(14 + 40, 12))
            return std::nullopt;
        for (int i = 0; i < 3; ++i)
            l.masks[i] = b.U32(14 + 40 + 4 * i);
        if (header == sizeof(BITMAPINFOHEADER))
            afterHeader += 12;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (l.bits != (l.compression == BI_RLE8 ? 8u : 4u) || l.topDown)
            return std::nullopt;
        break;
    default:
        return std::nullopt; // embedded JPEG or PNG, or unknown
    }

    if (l.bits <= 8) {
        const uint32_t full = 1u << l.bits;
        l.paletteCount = (l.paletteCount == 0 || l.paletteCount > full) ? full : l.paletteCount;
        l.paletteAt = afterHeader;
        if (!b.Has(l.paletteAt, uint64_t{l.paletteCount} * l.paletteEntry))
            return std::nullopt;
    } else {
        l.paletteCount = 0;
    }

    l.pixelsAt = b.U32(10);
    if (!b.Has(l.pixelsAt, 0))
        return std::nullopt;
    if (l.compression == BI_RLE8 || l.compression == BI_RLE4) {
        const uint64_t claimed = header >= sizeof(BITMAPINFOHEADER) ? b.U32(34) : 0;
        const uint64_t left = b.Size() - l.pixelsAt;
        l.pixelsSize = claimed ? std::min(claimed, left) : left;
    } else {
        l.pixelsSize = RowBytes(static_cast<uint64_t>(l.width), l.bits) * static_cast<uint64_t>(l.height);
        if (!b.Has(l.pixelsAt, l.pixelsSize))
            return std::nullopt;
    }
    return l;
}

uint32_t PaletteColour(const Bytes& b, const BitmapLayout& l, uint32_t index)
{
    if (index >= l.paletteCount)
        return 0;
    const uint64_t at = l.paletteAt + uint64_t{index} * l.paletteEntry;
    return b.U8(at) | b.U8(at + 1) << 8 | b.U8(at + 2) << 16;
}

void DecodeRows(const Bytes& b, const BitmapLayout& l, TPixels& out)
{
    const uint64_t stride = RowBytes(static_cast<uint64_t>(l.width), l.bits);
    for (int row = 0; row < l.height; ++row) {
        const uint64_t line = l.pixelsAt + stride * static_cast<uint64_t>(row);
        const int y = l.topDown ? row : l.height - 1 - row;
        uint32_t* target = &out.Argb[static_cast<size_t>(y) * static_cast<size_t>(l.width)];
        for (int x = 0; x < l.width; ++x) {
            const uint64_t bit = uint64_t{static_cast<uint32_t>(x)} * l.bits;
            uint32_t rgb = 0;
            if (l.bits <= 8) {
                const uint32_t byte = b.U8(line + bit / 8);
                const uint32_t shift = 8 - l.bits - static_cast<uint32_t>(bit % 8);
                rgb = PaletteColour(b, l, (byte >> shift) & ((1u << l.bits) - 1));
            } else if (l.bits == 24) {
                rgb = b.U8(line + bit / 8) | b.U8(line + bit / 8 + 1) << 8 | b.U8(line + bit / 8 + 2) << 16;
            } else {
                const uint32_t pixel = l.bits == 16 ? b.U16(line + bit / 8) : b.U32(line + bit / 8);
                rgb = Channel(pixel, l.masks[0]) << 16 | Channel(pixel, l.masks[1]) << 8 |
                      Channel(pixel, l.masks[2]);
            }
            target[x] = 0xFF000000u | rgb;
        }
    }
}

// Run-length data, bottom row first. Pixels it skips stay black; a stream that ends early or
// points outside the picture only loses what is missing.
void DecodeRunLength(const Bytes& b, const BitmapLayout& l, TPixels& out)
{
    const bool four = l.compression == BI_RLE4;
    const uint64_t end = l.pixelsAt + l.pixelsSize;
    uint64_t i = l.pixelsAt;
    long long x = 0, row = 0;
    auto put = [&](uint32_t index) {
        if (x < l.width && row < l.height)
            out.Argb[static_cast<size_t>(l.height - 1 - row) * static_cast<size_t>(l.width) +
                     static_cast<size_t>(x)] = 0xFF000000u | PaletteColour(b, l, index);
        ++x;
    };
    while (i + 2 <= end && row < l.height) {
        const uint32_t count = b.U8(i), value = b.U8(i + 1);
        i += 2;
        if (count > 0) {
            for (uint32_t k = 0; k < count && x < l.width; ++k)
                put(four ? (k % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of picture
            return;
        } else if (value == 2) { // move right and up
            if (i + 2 > end)
                return;
            x += b.U8(i);
            row += b.U8(i + 1);
            i += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            const uint64_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > end)
                return;
            for (uint32_t k = 0; k < value; ++k) {
                const uint32_t byte = b.U8(i + (four ? k / 2 : k));
                put(four ? (k % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            i += bytes + (bytes & 1);
        }
    }
}

bool IconImagePlausible(const Bytes& b, uint64_t at, uint64_t size)
{
    if (size >= sizeof kPngSignature && std::equal(kPngSignature, kPngSignature + 8, b.At(at)))
        return DecodePng(b.At(at), static_cast<size_t>(size)).has_value(); // libpng checks the rest
    const Bytes image(b.At(at), static_cast<size_t>(size));
    const uint32_t header = image.U32(0);
    if (header < sizeof(BITMAPINFOHEADER) || !image.Has(0, header))
        return false;
    const long long width = image.I32(4), doubleHeight = image.I32(8);
    const uint32_t bits = image.U16(14), compression = image.U32(16), used = image.U32(32);
    // The height counts the colour picture and its mask.
    if (!SideInRange(width) || !SideInRange(doubleHeight / 2) || !KnownDepth(bits) || compression != BI_RGB)
        return false;
    const uint64_t height = static_cast<uint64_t>(doubleHeight / 2);
    const uint64_t palette = bits <= 8 ? uint64_t{used ? used : 1u << bits} * 4 : 0;
    const uint64_t colour = RowBytes(static_cast<uint64_t>(width), bits) * height;
    const uint64_t mask = RowBytes(static_cast<uint64_t>(width), 1) * height;
    return image.Has(header, palette + colour + mask);
}

} // namespace

std::optional<TPixels> DecodeBmp(const void* data, size_t size)
{
    if (!data)
        return std::nullopt;
    const Bytes b(data, size);
    std::optional<BitmapLayout> layout = ReadBitmapLayout(b);
    if (!layout)
        return std::nullopt;
    TPixels out;
    out.Width = layout->width;
    out.Height = layout->height;
    out.Argb.assign(static_cast<size_t>(out.Width) * static_cast<size_t>(out.Height), 0xFF000000u);
    if (layout->compression == BI_RLE8 || layout->compression == BI_RLE4)
        DecodeRunLength(b, *layout, out);
    else
        DecodeRows(b, *layout, out);
    return out;
}

bool IconFilePlausible(const void* data, size_t size)
{
    if (!data)
        return false;
    const Bytes b(data, size);
    const uint32_t type = b.U16(2), count = b.U16(4);
    if (size < 6 || b.U16(0) != 0 || (type != 1 && type != 2) || count == 0)
        return false;
    const uint64_t directoryEnd = 6 + 16 * uint64_t{count};
    if (!b.Has(0, directoryEnd))
        return false;
    // The system picks the entry that suits the size asked for: every one must hold.
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = 6 + 16 * uint64_t{i};
        const uint64_t bytes = b.U32(entry + 8), at = b.U32(entry + 12);
        if (at < directoryEnd || !b.Has(at, bytes) || !IconImagePlausible(b, at, bytes))
            return false;
    }
    return true;
}

} // namespace lorvane
