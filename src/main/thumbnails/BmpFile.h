#pragma once
// BMP images as the thumbnail cache file holds them, one after the other.
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
//       38     8  horizontal and vertical resolution (0)
//       46     8  colours used, colours important (0: no colour table)
//       54        pixel rows, bottom row first, each padded to 4 bytes
//
// Plain C++, no Qt.

#include "main/thumbnails/ThumbBitmap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {
class TFileStream;
}

constexpr size_t BmpHeadersSize = 54;

// The complete BMP image of a bitmap.
std::vector<uint8_t> EncodeBmp(const TThumbBitmap& bitmap);

// Writes the BMP image of the bitmap at the stream's position (throws the
// stream's error when the write fails).
void WriteBmp(platform::TFileStream& stream, const TThumbBitmap& bitmap);

// Decodes one BMP image from the start of data. Every field is checked
// against the bytes available; anything this program does not write itself
// (colour tables, compression, other header sizes) or any damage gives
// nullopt. Top-down images (negative height) are accepted.
std::optional<TThumbBitmap> DecodeBmp(const uint8_t* data, size_t size);

// Reads one BMP image at the given offset of the stream, with the same checks
// as DecodeBmp; a read error, an offset outside the file or a truncated image
// give nullopt. Leaves the stream's position somewhere inside the file.
std::optional<TThumbBitmap> ReadBmp(platform::TFileStream& stream, int64_t offset);
