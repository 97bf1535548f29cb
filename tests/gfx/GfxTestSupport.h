#pragma once
// Pixel access for the pixel-layer tests.

#include "gfx/Bitmap.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace gfxtest {

// 0xRRGGBB of a colour pixel, or 0/1 of a monochrome one.
inline uint32_t Get(const gfx::Bitmap& b, int x, int y)
{
    const uint8_t* p = b.Row(y);
    switch (b.Format()) {
    case gfx::PixelFormat::Mono1:
        return (p[x / 8] >> (x % 8)) & 1;
    case gfx::PixelFormat::Rgb555: {
        // Each 5-bit channel widened to 8 bits by repeating its top bits.
        const unsigned v = p[2 * x] | p[2 * x + 1] << 8;
        auto widen = [](unsigned c) { return (c << 3) | (c >> 2); };
        return widen((v >> 10) & 31) << 16 | widen((v >> 5) & 31) << 8 | widen(v & 31);
    }
    case gfx::PixelFormat::Bgr24:
        p += 3 * x;
        break;
    default:
        p += 4 * x;
    }
    return p[0] | p[1] << 8 | p[2] << 16;
}

inline void Set(gfx::Bitmap& b, int x, int y, uint32_t v)
{
    uint8_t* p = b.Row(y);
    if (b.Format() == gfx::PixelFormat::Mono1) {
        p[x / 8] = static_cast<uint8_t>((p[x / 8] & ~(1 << (x % 8))) | ((v & 1) << (x % 8)));
        return;
    }
    if (b.Format() == gfx::PixelFormat::Rgb555) {
        const unsigned w = (v >> 19 & 31) << 10 | (v >> 11 & 31) << 5 | (v >> 3 & 31);
        p[2 * x] = w & 0xFF;
        p[2 * x + 1] = static_cast<uint8_t>(w >> 8);
        return;
    }
    p += (b.Format() == gfx::PixelFormat::Bgr24 ? 3 : 4) * x;
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
    p[2] = (v >> 16) & 0xFF;
}

// Every pixel gets a distinct value from its position.
inline void Pattern(gfx::Bitmap& b, uint32_t seed = 0)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            Set(b, x, y, (seed + 0x10000 * y + 0x101 * x) & 0xFFFFFF);
}

// The pixels as rows of characters: '#' for non-zero, '.' for zero.
inline std::string Picture(const gfx::Bitmap& b)
{
    std::string s;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x)
            s += Get(b, x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

} // namespace gfxtest
