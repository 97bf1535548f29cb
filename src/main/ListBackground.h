#pragma once
// Classes: EJpegError.
//
// The list's background picture: the program's JPEG resource decoded into a
// 24-bit bitmap, then written as a BMP working file that the list tiles.
// Plain C++ apart from reading the resource, which Qt's resource system holds.

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

// The program's background picture (the resource IMAGE001), decoded. Throws
// platform::EOSError when the resource is missing and EJpegError when it is
// not a readable JPEG.
gfx::Bitmap BackgroundPicture();

// Draws the background picture over a 466 x 416 bitmap and writes it to the
// working file "fondexport.bitmap"; returns that file's path. Throws as
// BackgroundPicture and SaveBmpFile do.
std::string ExportListBackground();
