#include "Bmp.h"

#include <cstring>
#include <stdexcept>

namespace gfx {

namespace {

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = v & 0xFF;
    p[1] = v >> 8;
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 0xFF;
}

uint16_t Get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap, int32_t pixelsPerMetre)
{
    if (bitmap.Format() == PixelFormat::Mono1)
        throw std::invalid_argument("monochrome bitmaps are not written as BMP");
    const int bits = BitsPerPixel(bitmap.Format());
    const size_t stride = PaddedRowBytes(bitmap.Width(), bitmap.Format());
    const size_t pixelBytes = stride * static_cast<size_t>(bitmap.Height());
    std::vector<uint8_t> out(kBmpHeadersSize + pixelBytes, 0);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<uint32_t>(out.size()));
    Put32(h + 10, kBmpHeadersSize);
    Put32(h + 14, 40);
    Put32(h + 18, static_cast<uint32_t>(bitmap.Width()));
    Put32(h + 22, static_cast<uint32_t>(bitmap.Height()));
    Put16(h + 26, 1);
    Put16(h + 28, static_cast<uint16_t>(bits));
    Put32(h + 34, static_cast<uint32_t>(pixelBytes));
    Put32(h + 38, static_cast<uint32_t>(pixelsPerMetre));
    Put32(h + 42, static_cast<uint32_t>(pixelsPerMetre));

    const size_t used = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bits / 8);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        uint8_t* dst = h + kBmpHeadersSize + static_cast<size_t>(bitmap.Height() - 1 - y) * stride;
        std::memcpy(dst, bitmap.Row(y), used);
        if (bits == 32)
            for (int32_t x = 0; x < bitmap.Width(); ++x)
                dst[x * 4 + 3] = 0;
    }
    return out;
}

std::optional<BmpLayout> ReadBmpHeaders(const uint8_t* h)
{
    if (h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    if (Get32(h + 14) != 40 || Get16(h + 26) != 1 || Get32(h + 30) != 0)
        return std::nullopt;
    BmpLayout l;
    switch (Get16(h + 28)) {
    case 16: l.Format = PixelFormat::Rgb555; break;
    case 24: l.Format = PixelFormat::Bgr24; break;
    case 32: l.Format = PixelFormat::Bgrx32; break;
    default: return std::nullopt;
    }
    int32_t width = static_cast<int32_t>(Get32(h + 18));
    int32_t height = static_cast<int32_t>(Get32(h + 22));
    if (height == INT32_MIN)
        return std::nullopt;
    l.Order = height < 0 ? RowOrder::TopDown : RowOrder::BottomUp;
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide)
        return std::nullopt;
    l.Width = width;
    l.Height = height;
    l.PixelOffset = Get32(h + 10);
    if (l.PixelOffset < kBmpHeadersSize || l.PixelOffset > (1u << 20))
        return std::nullopt;
    // At most 4 * 8192 * 8192 bytes: no overflow.
    l.PixelBytes = PaddedRowBytes(width, l.Format) * static_cast<size_t>(height);
    return l;
}

std::optional<Bitmap> DecodeBmp(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < kBmpHeadersSize)
        return std::nullopt;
    auto layout = ReadBmpHeaders(data);
    if (!layout || layout->PixelOffset > size || size - layout->PixelOffset < layout->PixelBytes)
        return std::nullopt;
    Bitmap bitmap(layout->Width, layout->Height, layout->Format, layout->Order);
    std::memcpy(bitmap.Memory(), data + layout->PixelOffset, layout->PixelBytes);
    return bitmap;
}

} // namespace gfx
