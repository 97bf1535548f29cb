#pragma once
// Classes: TExifThumbFacts.
//
// The thumbnail provider for JPEG photos: the thumbnail that the camera
// embedded in the EXIF block when it is usable, otherwise the photo itself
// decoded at the smallest DCT scale that still covers the box (gfx/Jpeg.h).
// The result is fitted inside the box keeping the aspect ratio and turned
// upright by the EXIF orientation. Plain C++, no Qt.

#include "thumbnails/ThumbBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the EXIF block says about the picture's thumbnail and orientation.
struct TExifThumbFacts {
    int Orientation = 1;        // 1..8; anything else counts as 1
    size_t ThumbOffset = 0;     // of the embedded JPEG, from the TIFF header
    size_t ThumbLength = 0;     // 0: no embedded thumbnail
};

// Reads the TIFF structure of an EXIF block (data starts at the TIFF header,
// "II" or "MM"). Every read is bounds-checked; an embedded thumbnail is only
// reported when it lies wholly inside data. Returns false when data is not a
// TIFF structure.
bool ParseExifTiff(const uint8_t* data, size_t size, TExifThumbFacts& facts);

// The payload of the open file's EXIF segment behind "Exif\0\0", found by
// metadata::FindExifSegment; empty when there is none or the file ends
// inside it.
std::vector<uint8_t> ReadExifBlock(int fd);

// Scales a Bgr24 picture to w x h: area averaging when shrinking in both
// directions, bilinear otherwise.
gfx::Bitmap ResizeBgr(const gfx::Bitmap& src, int width, int height);

// A picture stored with EXIF orientation 1..8 turned upright, in the given
// format (anything but 2..8 counts as 1).
gfx::Bitmap Orient(const gfx::Bitmap& src, int orientation, gfx::PixelFormat format);

// The whole provider: fills out with the thumbnail of the JPEG file at path
// fitted in boxWidth x boxHeight, in the given format, and returns true; or
// returns false and leaves out unchanged.
bool ExtractJpegThumbnail(const std::string& path, int boxWidth, int boxHeight, TPixelFormat format,
                          gfx::Bitmap& out);
