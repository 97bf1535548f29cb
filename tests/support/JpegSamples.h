#pragma once
// Makes JPEG files for the thumbnail tests and benchmark: pictures from a
// row generator, EXIF blocks with an orientation and an embedded thumbnail
// (JpegWithExif in ExifWriter.h puts them into a JPEG).

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "support/Files.h"

namespace support {

struct Rgb {
    uint8_t r, g, b;
};

// Fills one row (width * 3 bytes, R G B) of row y.
using RowFiller = std::function<void(int y, uint8_t* rgb)>;

std::vector<uint8_t> EncodeJpeg(int width, int height, const RowFiller& fill, int quality = 90);

// The layouts cameras and editors write, for decoder tests and fuzz seeds.
struct JpegOptions {
    int width = 64;
    int height = 48;
    J_COLOR_SPACE space = JCS_RGB;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    int quality = 75;
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;
    bool fullChroma = false;            // no chroma subsampling
    std::vector<jpeg_scan_info> scans;  // own scan script when not empty
};

// Fills one row of width * components bytes of row y.
using SampleFiller = std::function<void(int y, int components, uint8_t* row)>;

std::vector<uint8_t> EncodeJpeg(const JpegOptions& options, const SampleFiller& fill);

// A picture of four solid quadrants: top-left, top-right, bottom-left, bottom-right.
std::vector<uint8_t> QuadrantJpeg(int width, int height, Rgb tl, Rgb tr, Rgb bl, Rgb br);
std::vector<uint8_t> SolidJpeg(int width, int height, Rgb colour);

// The TIFF structure of an EXIF block: IFD0 with the orientation (0: none),
// IFD1 pointing at the embedded thumbnail (none when thumb is empty).
// thumbOffsetShift moves the recorded thumbnail offset (to point it outside).
std::vector<uint8_t> ExifTiff(int orientation, const std::vector<uint8_t>& thumb, bool motorola = false,
                              int64_t thumbOffsetShift = 0);


} // namespace support
