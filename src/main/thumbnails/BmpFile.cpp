#include "main/thumbnails/BmpFile.h"

#include "platform/FileStream.h"

#include <cstring>
#include <exception>

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

// What the headers promise, once they have been checked.
struct BmpLayout {
    int width = 0;
    int height = 0;       // always positive
    bool topDown = false;
    int bitsPerPixel = 0;
    size_t pixelOffset = 0;
    size_t stride = 0;
    size_t pixelBytes = 0;
};

std::optional<BmpLayout> CheckHeaders(const uint8_t* h)
{
    if (h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    if (Get32(h + 14) != 40 || Get16(h + 26) != 1 || Get32(h + 30) != 0)
        return std::nullopt;
    BmpLayout l;
    l.bitsPerPixel = Get16(h + 28);
    if (l.bitsPerPixel != 16 && l.bitsPerPixel != 24 && l.bitsPerPixel != 32)
        return std::nullopt;
    int32_t width = static_cast<int32_t>(Get32(h + 18));
    int32_t height = static_cast<int32_t>(Get32(h + 22));
    if (height == INT32_MIN)
        return std::nullopt;
    l.topDown = height < 0;
    if (l.topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > TThumbBitmap::MaxSide || height > TThumbBitmap::MaxSide)
        return std::nullopt;
    l.width = width;
    l.height = height;
    l.pixelOffset = Get32(h + 10);
    if (l.pixelOffset < BmpHeadersSize || l.pixelOffset > (1u << 20))
        return std::nullopt;
    l.stride = TThumbBitmap::StrideFor(width, l.bitsPerPixel);
    l.pixelBytes = l.stride * static_cast<size_t>(height);  // at most 4 * 8192 * 8192: no overflow
    return l;
}

TPixelFormat FormatFor(int bitsPerPixel)
{
    return bitsPerPixel == 16 ? TPixelFormat::pf16bit
         : bitsPerPixel == 32 ? TPixelFormat::pf32bit
                              : TPixelFormat::pf24bit;
}

TThumbBitmap FromRows(const BmpLayout& l, const uint8_t* rows)
{
    TThumbBitmap bmp(l.width, l.height, FormatFor(l.bitsPerPixel));
    size_t used = static_cast<size_t>(l.width) * static_cast<size_t>(l.bitsPerPixel / 8);
    for (int y = 0; y < l.height; ++y) {
        int fileRow = l.topDown ? y : l.height - 1 - y;
        std::memcpy(bmp.ScanLine(y), rows + static_cast<size_t>(fileRow) * l.stride, used);
    }
    return bmp;
}

} // namespace

std::vector<uint8_t> EncodeBmp(const TThumbBitmap& bitmap)
{
    const size_t stride = bitmap.Stride();
    const size_t pixelBytes = stride * static_cast<size_t>(bitmap.Height());
    std::vector<uint8_t> out(BmpHeadersSize + pixelBytes, 0);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<uint32_t>(out.size()));
    Put32(h + 10, BmpHeadersSize);
    Put32(h + 14, 40);
    Put32(h + 18, static_cast<uint32_t>(bitmap.Width()));
    Put32(h + 22, static_cast<uint32_t>(bitmap.Height()));
    Put16(h + 26, 1);
    Put16(h + 28, static_cast<uint16_t>(bitmap.BitsPerPixel()));
    Put32(h + 34, static_cast<uint32_t>(pixelBytes));

    const size_t used = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.BitsPerPixel() / 8);
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* dst = h + BmpHeadersSize + static_cast<size_t>(bitmap.Height() - 1 - y) * stride;
        std::memcpy(dst, bitmap.ScanLine(y), used);
        if (bitmap.BitsPerPixel() == 32)
            for (int x = 0; x < bitmap.Width(); ++x)
                dst[x * 4 + 3] = 0;
    }
    return out;
}

void WriteBmp(platform::TFileStream& stream, const TThumbBitmap& bitmap)
{
    std::vector<uint8_t> image = EncodeBmp(bitmap);
    stream.WriteBuffer(image.data(), image.size());
}

std::optional<TThumbBitmap> DecodeBmp(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < BmpHeadersSize)
        return std::nullopt;
    auto layout = CheckHeaders(data);
    if (!layout || layout->pixelOffset > size || size - layout->pixelOffset < layout->pixelBytes)
        return std::nullopt;
    return FromRows(*layout, data + layout->pixelOffset);
}

std::optional<TThumbBitmap> ReadBmp(platform::TFileStream& stream, int64_t offset)
{
    try {
        int64_t size = stream.Size();
        if (offset < 0 || offset > size || size - offset < static_cast<int64_t>(BmpHeadersSize))
            return std::nullopt;
        uint8_t headers[BmpHeadersSize];
        stream.Seek(offset, SEEK_SET);
        if (stream.Read(headers, sizeof headers) != sizeof headers)
            return std::nullopt;
        auto layout = CheckHeaders(headers);
        if (!layout)
            return std::nullopt;
        int64_t available = size - offset;
        if (static_cast<int64_t>(layout->pixelOffset) > available ||
            available - static_cast<int64_t>(layout->pixelOffset) < static_cast<int64_t>(layout->pixelBytes))
            return std::nullopt;
        std::vector<uint8_t> rows(layout->pixelBytes);
        stream.Seek(offset + static_cast<int64_t>(layout->pixelOffset), SEEK_SET);
        if (stream.Read(rows.data(), rows.size()) != rows.size())
            return std::nullopt;
        return FromRows(*layout, rows.data());
    } catch (const std::exception&) {
        // An image that cannot be read is drawn like a photo without one.
        return std::nullopt;
    }
}
