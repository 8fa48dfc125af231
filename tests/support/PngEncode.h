// A small PNG writer for test pictures: 8-bit RGBA rows without filtering, compressed by
// zlib. The program's libpng is built without a writer, so tests make their files here.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace testpng {

using Bytes = std::vector<unsigned char>;

inline void PutBig32(Bytes& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<unsigned char>((v >> s) & 0xFF));
}

// Length, type, body and the checksum over type and body.
inline void PutChunk(Bytes& out, const char* type, const Bytes& body)
{
    PutBig32(out, static_cast<uint32_t>(body.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out,
             static_cast<uint32_t>(::crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt))));
}

inline Bytes Signature()
{
    return {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
}

// `argb` holds 0xAARRGGBB pixels, top row first; empty when zlib fails.
inline Bytes EncodeArgb(uint32_t width, uint32_t height, const uint32_t* argb)
{
    Bytes raw;
    raw.reserve((static_cast<size_t>(width) * 4 + 1) * height);
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = argb[static_cast<size_t>(y) * width + x];
            for (int s : {16, 8, 0, 24})
                raw.push_back(static_cast<unsigned char>((p >> s) & 0xFF));
        }
    }
    uLongf packedSize = ::compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (::compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_SPEED) !=
        Z_OK)
        return {};
    packed.resize(packedSize);

    Bytes header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, not interlaced
    Bytes out = Signature();
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

} // namespace testpng
