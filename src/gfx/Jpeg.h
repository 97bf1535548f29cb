#pragma once
// Classes: JpegRequest.
//
// The JPEG decoder: libjpeg-turbo glue that reads a JPEG held in memory or
// in an open file into a 24-bit Bitmap, optionally at a reduced DCT scale,
// with bounds on the memory and work a picture may ask for.

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace gfx {

// Size w x h of a W x H picture fitted inside a box keeping the aspect ratio:
// the limiting side fills the box, the other is rounded to nearest, at least 1.
void FitInside(int width, int height, int boxWidth, int boxHeight, int& fitWidth, int& fitHeight);

// What to decode into. With a box, the picture is decoded at the smallest DCT
// scale (n/8) whose output still covers the picture fitted in the box (full
// size when even that does not); without one (0 x 0), at full size.
struct JpegRequest {
    int BoxWidth = 0;
    int BoxHeight = 0;
};

// Decodes grey, colour and CMYK pictures into a top-down Bgr24 bitmap.
// Every libjpeg error and warning, and every picture beyond the bounds (an
// output side above 4096, decoder memory above 256 MiB, too many scans or too
// much scan work), gives nullopt; nothing is printed. The reason, in
// libjpeg's words where it has them, goes to *why when given.
std::optional<Bitmap> DecodeJpeg(const uint8_t* data, size_t size, JpegRequest request = {},
                                 std::string* why = nullptr);
// The same for the open file fd, read from its start.
std::optional<Bitmap> DecodeJpegFile(int fd, JpegRequest request = {}, std::string* why = nullptr);

} // namespace gfx
