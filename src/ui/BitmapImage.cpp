#include "ui/BitmapImage.h"

#include "gfx/Raster.h"

QImage ToQImage(const gfx::Bitmap& bitmap)
{
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    // RGB32 is 0xffRRGGBB in native order: B, G, R, A bytes on this machine.
    // Drawn as Bgra32, an opaque source writes A = 255.
    gfx::Bitmap view = gfx::Bitmap::View(image.bits(), bitmap.Width(), bitmap.Height(), gfx::PixelFormat::Bgra32,
                                         static_cast<size_t>(image.bytesPerLine()), gfx::RowOrder::TopDown);
    gfx::Copy(view, {0, 0}, bitmap, bitmap.Bounds());
    return image;
}
