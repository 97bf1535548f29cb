#pragma once
// Classes: EJpegError.
//
// The list's background picture: a JPEG decoded into a 24-bit bitmap, then
// written as a BMP file that the list tiles. Plain C++.

#include "gfx/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a whole JPEG picture (grey or colour) into a Bgr24 bitmap. Throws
// EJpegError with the decoder's reason when the data is not a readable JPEG.
gfx::Bitmap DecodePicture(const uint8_t* data, size_t size);

// Writes the picture as a BMP file (gfx/Bmp.h) of 2835 pixels per metre to
// path, replacing the file. Throws platform::ECreateFileError when the file
// cannot be created and platform::EOSError when it cannot be written.
void SaveBmpFile(const std::string& path, const gfx::Bitmap& image);
