#pragma once
// Classes: X11Screen.
//
// The screen of an X display: reads take the real pixels of the root window;
// drawing goes to an overlay window over the whole screen that the window
// manager leaves alone (override-redirect), that never takes the focus and
// lets every input through (empty input shape). The overlay is mapped at the
// first drawing showing the screen as it was, every drawing is on the screen
// when Draw returns (the request is synced), and EndDrawing unmaps it.
//
// A window that an animation brings in is shown only after the animation has
// drawn its last frame; so that no moment shows the screen without it, the
// overlay can be held: EndDrawing then leaves it up, showing that last frame,
// and moves it just under the window, which can then paint itself over it;
// the overlay goes when the last hold is released. While it is up, reads
// return what it shows, and a new drawing raises it again.

#include "platform/win32/Screen.h"

#include <memory>
#include <string>

namespace platform::qt {

class X11Screen : public win32::ScreenDevice {
public:
    // The screen (x, y, width, height) of the root window of the display named
    // displayName (empty: $DISPLAY). Null when the display cannot be opened or
    // its default visual is not 24-bit true colour with 32-bit pixels.
    static std::unique_ptr<X11Screen> Open(const std::string& displayName, int x, int y, int width,
                                           int height);
    ~X11Screen() override;

    gfx::Size Size() override;
    void Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) override;
    void Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at) override;
    void EndDrawing() override;

    // Keeps the overlay up after the drawing ends, under `window` (an X
    // window id; 0 or a window that is not yet a child of the root: where it
    // is), until ReleaseOverlay is called as often.
    void HoldOverlay(unsigned long window);
    void ReleaseOverlay();

    // The frame a window manager will put around `window` (an X window id,
    // not yet shown): how far its client area lands right of and below the
    // position asked for. Zero without a window manager, or one that does
    // not say (it is asked, and its answer awaited for at most 100 ms).
    gfx::Point FrameOffset(unsigned long window);

    bool UsesSharedMemory() const;

    struct State;

private:
    explicit X11Screen(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace platform::qt
