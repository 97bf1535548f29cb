#pragma once
// Thumbnail extraction for one photo file. Plain C++, no Qt.

#include "thumbnails/ThumbBitmap.h"

#include <string>

// Flags of ExtractThumbnail. Extraction is always synchronous; the only
// value the list passes is 0.
constexpr unsigned ExtractFlagsNone = 0;

// Removes every doubled separator ("//" becomes "/"), as joining a file name
// to a folder that already ends in a separator (the root) produces one.
std::string CollapseDoubledSeparators(const std::string& path);

// Fills bitmap with the thumbnail of the file at path and returns true, or
// returns false and leaves bitmap unchanged. On entry the bitmap's width and
// height give the requested size and its pixel format the requested colour
// depth (PixelFormatOf, ColourDepthOf); on success it holds the thumbnail in
// the size the provider chose: the picture fitted inside the requested size
// keeping its aspect ratio, turned upright. Files that are not decodable JPEG pictures
// give false.
bool ExtractThumbnail(const std::string& path, gfx::Bitmap& bitmap, unsigned flags = ExtractFlagsNone);
