#pragma once
// The list's background picture: a JPEG decoded with libjpeg into an RGB
// image, then written as a BMP file that the list tiles. Plain C++.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// An RGB picture, 3 bytes per pixel (red, green, blue), rows top-down with no
// padding between them.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;

    TRgbImage() = default;
    TRgbImage(int width, int height);  // black
    bool Empty() const { return Width <= 0 || Height <= 0; }
    uint8_t* Row(int y) { return Pixels.data() + static_cast<size_t>(y) * Width * 3; }
    const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * Width * 3; }
};

class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a whole JPEG picture (grey or colour) into RGB. Throws EJpegError
// with libjpeg's own message when the data is not a readable JPEG.
TRgbImage DecodeJpeg(const uint8_t* data, size_t size);

// Draws src stretched over the whole of dst (nearest pixel).
void StretchDraw(TRgbImage& dst, const TRgbImage& src);

// The picture as a BMP file: 24 bits per pixel, rows bottom-up, each padded
// to a multiple of 4 bytes.
std::vector<uint8_t> EncodeBmp(const TRgbImage& image);

// Writes EncodeBmp(image) to path, replacing the file. Throws
// platform::ECreateFileError when the file cannot be created and
// platform::EOSError when it cannot be written.
void SaveBmpFile(const std::string& path, const TRgbImage& image);
