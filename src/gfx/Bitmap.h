#pragma once
// Classes: Bitmap.
//
// Bitmap: one pixel buffer with its size, pixel format, row stride and row
// order. It owns its memory or views memory someone else owns (the bits of a
// DIB section). Rows are padded to whole 32-bit words, so that the raster
// operations can hand the memory to pixman without copying.

#include "Rect.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace gfx {

enum class PixelFormat : uint8_t {
    // One bit per pixel, 1 = white (or "let through" in a mask). The
    // leftmost pixel of a byte is its least significant bit, which is
    // pixman's order on little-endian machines and the reverse of the
    // platform's monochrome bitmaps: convert at that boundary with
    // MonoRowFromMsbFirst / MonoRowToMsbFirst.
    Mono1,
    Rgb555, // one little-endian 16-bit word: an unused top bit, then red,
            // green and blue in 5 bits each
    Bgr24,  // bytes B, G, R
    Bgrx32, // bytes B, G, R and one unused byte
    Bgra32, // bytes B, G, R, A with premultiplied alpha
};

enum class RowOrder : uint8_t {
    TopDown,  // the first row in memory is the top row
    BottomUp, // the first row in memory is the bottom row, as in DIBs
};

int BitsPerPixel(PixelFormat format);

// Bytes of one row of `width` pixels padded to a multiple of 4; 0 for a
// negative width or one too wide to address.
size_t PaddedRowBytes(int32_t width, PixelFormat format);

class Bitmap {
public:
    // The largest pixel buffer a Bitmap owns or views: 2 GiB.
    static constexpr size_t kMaxBytes = size_t(1) << 31;

    Bitmap() = default;
    // Owning and zero-filled (black), rows padded to 4 bytes. A zero width
    // or height gives an empty bitmap. Throws std::invalid_argument for a
    // negative size and std::bad_alloc beyond kMaxBytes or when memory runs
    // out.
    Bitmap(int32_t width, int32_t height, PixelFormat format, RowOrder order = RowOrder::TopDown);
    // A view over `height` rows of `stride` bytes at `memory` (its lowest
    // address: for bottom-up rows, the bottom row). The stride must be a
    // multiple of 4 at least PaddedRowBytes(width) and the memory 4-byte
    // aligned; throws std::invalid_argument otherwise.
    static Bitmap View(void* memory, int32_t width, int32_t height, PixelFormat format,
                       size_t stride, RowOrder order);

    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap();

    // An owning top-down copy of the pixels.
    Bitmap Clone() const;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    Rect Bounds() const { return {0, 0, width_, height_}; }
    PixelFormat Format() const { return format_; }
    RowOrder Order() const { return order_; }
    size_t Stride() const { return stride_; }
    bool Owning() const { return owned_ != nullptr; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    size_t ByteSize() const { return stride_ * static_cast<size_t>(height_); }

    // The lowest address of the pixels.
    uint8_t* Memory() { return memory_; }
    const uint8_t* Memory() const { return memory_; }
    // Row y counted from the top, whatever the row order; y must be inside.
    uint8_t* Row(int32_t y);
    const uint8_t* Row(int32_t y) const;

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> owned_;
    uint8_t* memory_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    size_t stride_ = 0;
    PixelFormat format_ = PixelFormat::Bgrx32;
    RowOrder order_ = RowOrder::TopDown;
};

// Converts `bytes` bytes of a monochrome row between the platform's order
// (leftmost pixel in the most significant bit) and Mono1's.
void MonoRowFromMsbFirst(uint8_t* row, size_t bytes);
inline void MonoRowToMsbFirst(uint8_t* row, size_t bytes) { MonoRowFromMsbFirst(row, bytes); }

} // namespace gfx
