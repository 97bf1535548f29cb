#pragma once
// ScreenStage: the in-memory screen of the win32 binding, the program-wide
// random generator seeded, and an animation clock that plays scripted
// moments, set for the life of the object and put back after. Header only:
// only the tests that include it link the binding.

#include "platform/Random.h"
#include "platform/win32/MemoryScreen.h"
#include "platform/win32/Objects.h"
#include "platform/win32/TickCount.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace support {

class ScreenStage {
public:
    // Without a script the clock runs Step milliseconds a call, from 0.
    explicit ScreenStage(int Width, int Height, win32::DWORD Step = 1000, uint32_t Seed = 7)
        : device_(std::make_shared<win32::MemoryScreen>(Width, Height)), step_(Step)
    {
        screen = device_.get();
        win32::SetScreenDevice(device_);
        platform::ProgramRandom().Seed(Seed);
        win32::SetTickSource([](void* self) { return static_cast<ScreenStage*>(self)->NextTick(); }, this);
    }
    ~ScreenStage()
    {
        win32::SetTickSource(nullptr);
        win32::SetScreenDevice(nullptr);
    }
    ScreenStage(const ScreenStage&) = delete;
    ScreenStage& operator=(const ScreenStage&) = delete;

    // The clock gives these moments, then Step later at every call.
    void Script(std::vector<win32::DWORD> Ticks)
    {
        ticks_ = std::move(Ticks);
        played = 0;
    }

    int PixelsNot(uint32_t Colour) const
    {
        int n = 0;
        for (int y = 0; y < screen->Image.Height(); ++y)
            for (int x = 0; x < screen->Image.Width(); ++x)
                n += screen->Pixel(x, y) != Colour;
        return n;
    }

    win32::MemoryScreen* screen;
    // How many scripted moments the clock has given.
    size_t played = 0;

private:
    win32::DWORD NextTick()
    {
        last_ = played < ticks_.size() ? ticks_[played++] : last_ + step_;
        return last_;
    }

    std::shared_ptr<win32::MemoryScreen> device_;
    win32::DWORD step_;
    win32::DWORD last_ = 0;
    std::vector<win32::DWORD> ticks_;
};

// GDI objects alive in the binding: what a test compares before and after to
// find one left behind.
inline size_t LiveGdiObjects()
{
    using namespace win32::detail;
    return Live<DeviceContext>().size() + Live<Bitmap>().size() + Live<Brush>().size() + Live<Pen>().size() +
           Live<Rgn>().size();
}

} // namespace support
