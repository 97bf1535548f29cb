#pragma once
// Classes: ScreenDevice.
//
// ScreenDevice: what backs the screen's device contexts (GetDC and
// GetWindowDC of the desktop window), plus the screen's size and the window
// regions, each behind a hook that the program's display code installs.
//
// A screen DC has no pixels of its own. GDI operations that read it ask the
// device for the pixels of the area they need; operations that draw on it
// read the area they change, draw into that copy and hand it back, except a
// plain copy, which is handed to the device straight from its source. Every
// call happens under the binding's lock, on the thread that called GDI.

#include "WinTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Rect.h"
#include "gfx/Region.h"

#include <functional>
#include <memory>

namespace win32 {

class ScreenDevice {
public:
    virtual ~ScreenDevice() = default;
    // The screen's size in pixels.
    virtual gfx::Size Size() = 0;
    // Copies `area` of the screen (inside Size()) into `into` at `at`.
    virtual void Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) = 0;
    // Puts `from` of `pixels` (inside pixels, any colour format) on the
    // screen at `at`; what falls outside the screen is dropped.
    virtual void Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at) = 0;
    // A screen DC that drew has been released: the drawing is over.
    virtual void EndDrawing() = 0;
};

// Installs the device behind screen DCs; null removes it. Without a device
// the screen reads as black and drawings on it are dropped.
void SetScreenDevice(std::shared_ptr<ScreenDevice> device);
std::shared_ptr<ScreenDevice> GetScreenDevice();

// Where the screen's size comes from; null restores the default: the
// device's size, or 1024 x 768 without a device.
void SetScreenSizeProvider(std::function<gfx::Size()> provider);
gfx::Size ScreenSize();

// SM_CXSCREEN and SM_CYSCREEN; 0 for other indexes.
int GetSystemMetrics(int index);

// Answers GetWindowRgn: true with the window's region (window coordinates)
// when the window has one. Without a provider no window has a region.
void SetWindowRegionProvider(std::function<bool(HWND, gfx::Region&)> provider);

// Copies the window's region into `region`; ERROR (0) and `region` unchanged
// when the window has none.
int GetWindowRgn(HWND window, HRGN region);

} // namespace win32
