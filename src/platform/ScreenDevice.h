#pragma once
// The primary screen as the drawing layer sees it: the pixels behind the
// desktop window's device context. Pixels are 32 bits, blue, green, red and
// an unused byte in memory order (the screen's own format), rows top-down.
//
// Drawing is shown before Draw returns: an animation loop blocks the thread
// and never runs the event loop, so nothing may wait for it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class ScreenDevice {
public:
    virtual ~ScreenDevice() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // Copies the screen rectangle (x, y, w, h), which lies inside the screen,
    // into dst (stride in bytes). While drawn pixels are up, reads see them.
    virtual void Read(int x, int y, int w, int h, uint32_t* dst, size_t stride) = 0;

    // Puts pixels on the screen at (x, y, w, h), inside the screen, and shows
    // them before returning.
    virtual void Draw(int x, int y, int w, int h, const uint32_t* src, size_t stride) = 0;

    // The drawing session is over (the device context is released): what
    // Draw put up goes away and the screen shows its windows again.
    virtual void EndDrawing() {}
};

// A screen that is an image in memory: the offscreen platform's screen, used
// by tests and benchmarks, which set and read it between frames.
class MemoryScreen : public ScreenDevice {
public:
    MemoryScreen(int width, int height);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Read(int x, int y, int w, int h, uint32_t* dst, size_t stride) override;
    void Draw(int x, int y, int w, int h, const uint32_t* src, size_t stride) override;
    void EndDrawing() override { ++sessions_; }

    uint32_t* Bits() { return pixels_.data(); }
    const uint32_t* Bits() const { return pixels_.data(); }
    size_t Stride() const { return size_t(width_) * 4; }
    uint32_t Pixel(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    void Fill(uint32_t pixel);

    // Draw calls and ended drawing sessions so far.
    int DrawCount() const { return draws_; }
    int SessionCount() const { return sessions_; }

    // Called after every Draw, with the drawn rectangle: lets a test look at
    // each frame as it is shown.
    void (*AfterDraw)(void* context, int x, int y, int w, int h) = nullptr;
    void* AfterDrawContext = nullptr;

private:
    int width_, height_;
    std::vector<uint32_t> pixels_;
    int draws_ = 0;
    int sessions_ = 0;
};

// The device behind the desktop window's DC; none where the screen can be
// neither read nor drawn (then nothing is animated). Replacing it frees the
// previous one.
ScreenDevice* PrimaryScreen();
void SetPrimaryScreen(std::unique_ptr<ScreenDevice> device);

} // namespace platform
