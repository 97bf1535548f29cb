#include "Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

static_assert(std::endian::native == std::endian::little,
              "Mono1 and the 24-bit layout assume a little-endian machine");

namespace gfx {

int BitsPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Mono1:
        return 1;
    case PixelFormat::Rgb555:
        return 16;
    case PixelFormat::Bgr24:
        return 24;
    case PixelFormat::Bgrx32:
    case PixelFormat::Bgra32:
        return 32;
    }
    return 32;
}

size_t PaddedRowBytes(int32_t width, PixelFormat format)
{
    if (width < 0)
        return 0;
    uint64_t bits = static_cast<uint64_t>(width) * BitsPerPixel(format);
    uint64_t bytes = (bits + 31) / 32 * 4;
    return bytes > Bitmap::kMaxBytes ? 0 : static_cast<size_t>(bytes);
}

void Bitmap::Free::operator()(uint8_t* p) const { std::free(p); }

Bitmap::Bitmap(int32_t width, int32_t height, PixelFormat format, RowOrder order)
    : width_(width), height_(height), format_(format), order_(order)
{
    if (width < 0 || height < 0)
        throw std::invalid_argument("negative bitmap size");
    stride_ = PaddedRowBytes(width, format);
    if (width > 0 && stride_ == 0)
        throw std::bad_alloc();
    if (width == 0 || height == 0)
        return;
    if (stride_ > kMaxBytes / static_cast<size_t>(height))
        throw std::bad_alloc();
    owned_.reset(static_cast<uint8_t*>(std::calloc(ByteSize(), 1)));
    if (!owned_)
        throw std::bad_alloc();
    memory_ = owned_.get();
}

Bitmap Bitmap::View(void* memory, int32_t width, int32_t height, PixelFormat format, size_t stride,
                    RowOrder order)
{
    if (width < 0 || height < 0 || stride % 4 != 0 || stride < PaddedRowBytes(width, format)
        || (width > 0 && PaddedRowBytes(width, format) == 0)
        || reinterpret_cast<uintptr_t>(memory) % 4 != 0
        || (height > 0 && stride > kMaxBytes / static_cast<size_t>(height))
        || (!memory && width > 0 && height > 0))
        throw std::invalid_argument("bitmap view with a bad layout");
    Bitmap b;
    b.memory_ = static_cast<uint8_t*>(memory);
    b.width_ = width;
    b.height_ = height;
    b.stride_ = stride;
    b.format_ = format;
    b.order_ = order;
    return b;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : owned_(std::move(other.owned_)), memory_(other.memory_), width_(other.width_),
      height_(other.height_), stride_(other.stride_), format_(other.format_), order_(other.order_)
{
    other.memory_ = nullptr;
    other.width_ = other.height_ = 0;
    other.stride_ = 0;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this != &other) {
        owned_ = std::move(other.owned_);
        memory_ = other.memory_;
        width_ = other.width_;
        height_ = other.height_;
        stride_ = other.stride_;
        format_ = other.format_;
        order_ = other.order_;
        other.memory_ = nullptr;
        other.width_ = other.height_ = 0;
        other.stride_ = 0;
    }
    return *this;
}

Bitmap::~Bitmap() = default;

Bitmap Bitmap::Clone() const
{
    Bitmap copy(width_, height_, format_);
    size_t rowBytes = std::min(copy.stride_, stride_);
    for (int32_t y = 0; y < height_; ++y)
        std::memcpy(copy.Row(y), Row(y), rowBytes);
    return copy;
}

uint8_t* Bitmap::Row(int32_t y)
{
    int32_t index = order_ == RowOrder::TopDown ? y : height_ - 1 - y;
    return memory_ + static_cast<size_t>(index) * stride_;
}

const uint8_t* Bitmap::Row(int32_t y) const { return const_cast<Bitmap*>(this)->Row(y); }

void MonoRowFromMsbFirst(uint8_t* row, size_t bytes)
{
    static const auto reversed = [] {
        struct Table {
            uint8_t v[256];
        } t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (i & (1 << bit))
                    r |= 0x80 >> bit;
            t.v[i] = static_cast<uint8_t>(r);
        }
        return t;
    }();
    for (size_t i = 0; i < bytes; ++i)
        row[i] = reversed.v[row[i]];
}

} // namespace gfx
