#pragma once
// Classes: BmpLayout.
//
// The BMP codec: colour bitmaps as BMP files without a colour table, the
// form in which the thumbnail cache and the list background are stored.
//
//   offset  size  field (all little-endian)
//   ------  ----  ---------------------------------------------
//        0     2  "BM"
//        2     4  size of the whole image in bytes
//        6     4  reserved, 0
//       10     4  offset of the pixel rows from the image start (54)
//       14     4  info header size (40)
//       18     4  width in pixels
//       22     4  height in pixels (positive: rows bottom-up)
//       26     2  planes (1)
//       28     2  bits per pixel (16, 24 or 32)
//       30     4  compression (0: uncompressed)
//       34     4  size of the pixel rows in bytes
//       38     8  horizontal and vertical resolution in pixels per metre
//       46     8  colours used, colours important (0: no colour table)
//       54        pixel rows, bottom row first, each padded to 4 bytes

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace gfx {

constexpr size_t kBmpHeadersSize = 54;
// Larger images are refused when read: only damaged data declares them.
constexpr int32_t kMaxBmpSide = 8192;

// The complete BMP image of an Rgb555, Bgr24, Bgrx32 or Bgra32 bitmap (16,
// 24 or 32 bits; the fourth byte of 32-bit pixels is written as 0), with the
// given resolution in both directions. Throws std::invalid_argument for a
// monochrome bitmap.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap, int32_t pixelsPerMetre = 0);

// What checked headers promise. A Bitmap of this width, height, format and
// row order holds the PixelBytes bytes of rows exactly as the file does.
struct BmpLayout {
    int32_t Width = 0;
    int32_t Height = 0;  // always positive
    RowOrder Order = RowOrder::BottomUp;
    PixelFormat Format = PixelFormat::Bgr24;
    size_t PixelOffset = 0;  // of the rows, from the image start
    size_t PixelBytes = 0;   // of all rows
};

// Checks the 54 header bytes at h. Anything the encoder does not write
// (colour tables, compression, other header sizes or depths) and sides
// above kMaxBmpSide give nullopt; top-down images (negative height) are
// accepted.
std::optional<BmpLayout> ReadBmpHeaders(const uint8_t* h);

// Decodes one BMP image from the start of data, every field checked against
// the bytes available; nullopt for anything damaged or not written by the
// encoder.
std::optional<Bitmap> DecodeBmp(const uint8_t* data, size_t size);

} // namespace gfx
