#include "thumbnails/ImageExtract.h"

#include "thumbnails/JpegThumbnail.h"

std::string CollapseDoubledSeparators(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        // Each pair becomes one separator, so "///" gives "//" as pairs are
        // replaced left to right without rescanning.
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '/') {
            out += '/';
            ++i;
            continue;
        }
        out += path[i];
    }
    return out;
}

bool ExtractThumbnail(const std::string& path, gfx::Bitmap& bitmap, unsigned /*flags*/)
{
    gfx::Bitmap result;
    if (!ExtractJpegThumbnail(CollapseDoubledSeparators(path), bitmap.Width(), bitmap.Height(),
                              PixelFormatOf(bitmap), result))
        return false;
    bitmap = std::move(result);
    return true;
}
