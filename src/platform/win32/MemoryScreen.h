#pragma once
// Classes: MemoryScreen.
//
// A screen that is an image in memory: the screen of the offscreen platform,
// used by tests and benchmarks, which set and read it between frames.

#include "Screen.h"

#include "gfx/Bitmap.h"

#include <functional>

namespace win32 {

class MemoryScreen : public ScreenDevice {
public:
    MemoryScreen(int width, int height);

    gfx::Size Size() override { return {Image.Width(), Image.Height()}; }
    void Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) override;
    void Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at) override;
    void EndDrawing() override { ++Sessions; }

    uint32_t Pixel(int x, int y) const { return reinterpret_cast<const uint32_t*>(Image.Row(y))[x] & 0xFFFFFF; }
    void Fill(uint32_t pixel);

    // The screen's pixels, 32-bit, top-down.
    gfx::Bitmap Image;
    int Draws = 0;
    int Sessions = 0;
    // Called after every drawing with the screen area it changed.
    std::function<void(const gfx::Rect&)> AfterDraw;
};

} // namespace win32
