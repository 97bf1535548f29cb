#include "main/thumbnails/ThumbBitmap.h"

#include <algorithm>
#include <cstring>

namespace {

TPixelFormat HeldFormat(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        return TPixelFormat::pf16bit;
    case TPixelFormat::pf32bit:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pf24bit;
    }
}

int ClampSide(int side)
{
    return std::clamp(side, 0, TThumbBitmap::MaxSide);
}

} // namespace

int ColourDepthOf(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf32bit: return 32;
    default: return 24;
    }
}

TThumbBitmap::TThumbBitmap(int width, int height, TPixelFormat format)
    : width_(ClampSide(width)), height_(ClampSide(height)), format_(HeldFormat(format))
{
    // White is all bits set in every held format (X of 32 bits included;
    // it is cleared when written).
    pixels_.assign(Stride() * static_cast<size_t>(height_), 0xFF);
}

int TThumbBitmap::BitsPerPixel() const
{
    return format_ == TPixelFormat::pf16bit ? 16 : format_ == TPixelFormat::pf32bit ? 32 : 24;
}

size_t TThumbBitmap::StrideFor(int width, int bitsPerPixel)
{
    size_t bits = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(bitsPerPixel);
    return ((bits + 31) / 32) * 4;
}

uint32_t TThumbBitmap::PixelRGB(int x, int y) const
{
    const uint8_t* row = ScanLine(y);
    switch (format_) {
    case TPixelFormat::pf16bit: {
        unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        r = (r << 3) | (r >> 2);
        g = (g << 3) | (g >> 2);
        b = (b << 3) | (b >> 2);
        return (r << 16) | (g << 8) | b;
    }
    case TPixelFormat::pf32bit: {
        const uint8_t* p = row + x * 4;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    default: {
        const uint8_t* p = row + x * 3;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    }
}

void TThumbBitmap::SetPixelRGB(int x, int y, uint32_t rgb)
{
    uint8_t* row = ScanLine(y);
    uint8_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    switch (format_) {
    case TPixelFormat::pf16bit: {
        unsigned v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        row[x * 2] = v & 0xFF;
        row[x * 2 + 1] = (v >> 8) & 0xFF;
        break;
    }
    case TPixelFormat::pf32bit: {
        uint8_t* p = row + x * 4;
        p[0] = b; p[1] = g; p[2] = r; p[3] = 0;
        break;
    }
    default: {
        uint8_t* p = row + x * 3;
        p[0] = b; p[1] = g; p[2] = r;
        break;
    }
    }
}

void TThumbBitmap::SetHeight(int height)
{
    height = ClampSide(height);
    pixels_.resize(Stride() * static_cast<size_t>(height), 0xFF);
    height_ = height;
}

void TThumbBitmap::SetWidth(int width)
{
    width = ClampSide(width);
    if (width == width_)
        return;
    TThumbBitmap wider(width, height_, format_);
    size_t keep = static_cast<size_t>(std::min(width, width_)) * static_cast<size_t>(BitsPerPixel() / 8);
    for (int y = 0; y < height_; ++y)
        std::memcpy(wider.ScanLine(y), ScanLine(y), keep);
    *this = std::move(wider);
}

TThumbBitmap TThumbBitmap::FromBGR24(const uint8_t* bgr, int width, int height, size_t stride,
                                     TPixelFormat format)
{
    TThumbBitmap bmp(width, height, format);
    for (int y = 0; y < bmp.height_; ++y) {
        const uint8_t* src = bgr + static_cast<size_t>(y) * stride;
        uint8_t* dst = bmp.ScanLine(y);
        switch (bmp.format_) {
        case TPixelFormat::pf24bit:
            std::memcpy(dst, src, static_cast<size_t>(bmp.width_) * 3);
            break;
        case TPixelFormat::pf32bit:
            for (int x = 0; x < bmp.width_; ++x) {
                dst[x * 4] = src[x * 3];
                dst[x * 4 + 1] = src[x * 3 + 1];
                dst[x * 4 + 2] = src[x * 3 + 2];
                dst[x * 4 + 3] = 0;
            }
            break;
        default:
            for (int x = 0; x < bmp.width_; ++x)
                bmp.SetPixelRGB(x, y, (uint32_t(src[x * 3 + 2]) << 16) |
                                          (uint32_t(src[x * 3 + 1]) << 8) | src[x * 3]);
            break;
        }
    }
    return bmp;
}
