#include "thumbnails/ThumbBitmap.h"

#include "gfx/Bmp.h"
#include "gfx/Raster.h"

#include <algorithm>

namespace {

constexpr gfx::Color White{255, 255, 255};

} // namespace

int ColourDepthOf(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf32bit: return 32;
    default: return 24;
    }
}

gfx::PixelFormat HeldFormat(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        return gfx::PixelFormat::Rgb555;
    case TPixelFormat::pf32bit:
        return gfx::PixelFormat::Bgrx32;
    default:
        return gfx::PixelFormat::Bgr24;
    }
}

TPixelFormat PixelFormatOf(const gfx::Bitmap& bitmap)
{
    switch (gfx::BitsPerPixel(bitmap.Format())) {
    case 16: return TPixelFormat::pf16bit;
    case 32: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pf24bit;
    }
}

gfx::Bitmap NewThumbBitmap(int width, int height, TPixelFormat format)
{
    gfx::Bitmap bitmap(std::clamp(width, 0, gfx::kMaxBmpSide), std::clamp(height, 0, gfx::kMaxBmpSide),
                       HeldFormat(format));
    gfx::FillRect(bitmap, bitmap.Bounds(), White);
    return bitmap;
}

gfx::Bitmap CutOrPadWhite(const gfx::Bitmap& bitmap, int width, int height)
{
    gfx::Bitmap fitted(std::max(width, 0), std::max(height, 0), bitmap.Format());
    gfx::FillRect(fitted, fitted.Bounds(), White);
    gfx::Copy(fitted, {0, 0}, bitmap, bitmap.Bounds());
    return fitted;
}
