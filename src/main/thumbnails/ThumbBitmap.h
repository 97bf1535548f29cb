#pragma once
// A small in-memory bitmap: the unit that thumbnail extraction fills, the
// cache file stores and the list draws. Plain C++, no Qt.

#include <cstddef>
#include <cstdint>
#include <vector>

// The pixel formats a bitmap can be asked for. pfDevice and pfCustom stand
// for "whatever suits the display" and are served as 24 bits.
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// The colour depth an extractor is asked for, given the bitmap's format:
// 1, 4, 8, 16 (for 15 and 16 bits), 32, and 24 for everything else.
int ColourDepthOf(TPixelFormat format);

// Pixel layouts that bitmaps actually hold, one per colour depth. Every row
// is a run of little-endian pixels in the order the BMP format uses:
//   16 bits: X1 R5 G5 B5 in one 16-bit word;
//   24 bits: bytes B, G, R;
//   32 bits: bytes B, G, R, X (X written as 0).
// Rows are stored TOP-DOWN in memory (row 0 is the top of the picture) and
// each row is padded to a multiple of 4 bytes, as in a BMP file; the BMP
// writer and reader turn them bottom-up on disk.
class TThumbBitmap {
public:
    TThumbBitmap() = default;
    // A w x h bitmap of the given format filled with white. Width and height
    // below 0 count as 0; formats that are not held (1, 4, 8 bits, device,
    // custom) become 24 bits, 15 bits becomes 16.
    TThumbBitmap(int width, int height, TPixelFormat format = TPixelFormat::pfDevice);

    int Width() const { return width_; }
    int Height() const { return height_; }
    TPixelFormat PixelFormat() const { return format_; }
    int BitsPerPixel() const;
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    // Bytes per row including the padding to 4 bytes.
    size_t Stride() const { return StrideFor(width_, BitsPerPixel()); }
    static size_t StrideFor(int width, int bitsPerPixel);

    uint8_t* ScanLine(int row) { return pixels_.data() + static_cast<size_t>(row) * Stride(); }
    const uint8_t* ScanLine(int row) const { return pixels_.data() + static_cast<size_t>(row) * Stride(); }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

    // Pixel (x, y) as 0x00RRGGBB, whatever the format. No range check.
    uint32_t PixelRGB(int x, int y) const;
    void SetPixelRGB(int x, int y, uint32_t rgb);

    // Changes the height: rows below the new height are cut, new rows are
    // added white at the bottom. Likewise SetWidth cuts or adds columns at
    // the right.
    void SetHeight(int height);
    void SetWidth(int width);

    // Takes over a top-down 24-bit B, G, R buffer of w x h pixels (rows
    // packed at the given stride) converted to the requested format.
    static TThumbBitmap FromBGR24(const uint8_t* bgr, int width, int height, size_t stride,
                                  TPixelFormat format);

    // Largest side a bitmap may have; larger sizes come only from damaged data.
    static constexpr int MaxSide = 8192;

private:
    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::vector<uint8_t> pixels_;
};
