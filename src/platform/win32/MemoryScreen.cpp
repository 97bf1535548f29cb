#include "MemoryScreen.h"

#include "gfx/Raster.h"

#include <algorithm>

namespace win32 {

MemoryScreen::MemoryScreen(int width, int height)
    : Image(std::max(width, 1), std::max(height, 1), gfx::PixelFormat::Bgrx32)
{
}

void MemoryScreen::Fill(uint32_t pixel)
{
    gfx::FillRect(Image, Image.Bounds(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
}

void MemoryScreen::Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) { gfx::Copy(into, at, Image, area); }

void MemoryScreen::Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at)
{
    gfx::Copy(Image, at, pixels, from);
    ++Draws;
    if (AfterDraw)
        AfterDraw(gfx::Intersect(Image.Bounds(), from.Offset(at.X - from.Left, at.Y - from.Top)));
}

} // namespace win32
