// The X screen on a private Xvfb server: what a second client sees of the
// real screen while the overlay is up and after it went away.

#include "platform/qt/Screen.h"
#include "platform/qt/X11Screen.h"

#include "gfx/Raster.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

// After gtest: Xlib defines macros (None, Bool) that gtest's names collide with.
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>

using platform::qt::X11Screen;

namespace {

using support::Xvfb;

// The root's pixel as another client of the server reads it.
uint32_t RootPixel(Display* d, int x, int y)
{
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    const uint32_t p = uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
}

uint32_t Pixel(const gfx::Bitmap& b, int x, int y) { return reinterpret_cast<const uint32_t*>(b.Row(y))[x] & 0xFFFFFF; }

// A private server, the screen on it and a second client that looks.
class OnXvfb : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (server.display.empty())
            GTEST_SKIP() << "Xvfb could not be started";
        screen = X11Screen::Open(server.display, 0, 0, 0, 0);
        ASSERT_TRUE(screen);
        other = XOpenDisplay(server.display.c_str());
        ASSERT_TRUE(other);
    }
    void TearDown() override
    {
        if (other)
            XCloseDisplay(other);
    }

    Xvfb server;
    std::unique_ptr<X11Screen> screen;
    Display* other = nullptr;
};

} // namespace

TEST_F(OnXvfb, OverlayShowsDrawingsAtOnceOverTheScreenAsItWasAndLeavesWithTheSession)
{
    EXPECT_EQ(screen->Size(), (gfx::Size{64, 48}));

    gfx::Bitmap pixels(64, 48, gfx::PixelFormat::Bgrx32);
    gfx::FillRect(pixels, pixels.Bounds(), {0x77, 0x77, 0x77});
    screen->Read({0, 0, 64, 48}, pixels, {0, 0});
    EXPECT_EQ(Pixel(pixels, 0, 0), 0u);

    gfx::FillRect(pixels, {0, 0, 2, 2}, {0xFF, 0, 0});
    screen->Draw(pixels, {0, 0, 2, 2}, {10, 20});
    EXPECT_EQ(RootPixel(other, 11, 21), 0xFF0000u);
    EXPECT_EQ(RootPixel(other, 0, 0), 0u);
    gfx::Bitmap one(1, 1, gfx::PixelFormat::Bgrx32);
    screen->Read({11, 21, 12, 22}, one, {0, 0});
    EXPECT_EQ(Pixel(one, 0, 0), 0xFF0000u);

    screen->EndDrawing();
    EXPECT_EQ(RootPixel(other, 11, 21), 0u);
    screen->Read({11, 21, 12, 22}, one, {0, 0});
    EXPECT_EQ(Pixel(one, 0, 0), 0u);
}

TEST_F(OnXvfb, AHeldOverlayStaysAfterTheDrawingUnderTheWindowComingInUntilReleased)
{
    // The window the animation brings in, not yet shown: green, at (30, 30).
    const Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 30, 30, 10, 10, 0, 0, 0x00FF00);
    XSync(other, False);

    screen->HoldOverlay(window);
    gfx::Bitmap pixels(2, 2, gfx::PixelFormat::Bgrx32);
    gfx::FillRect(pixels, pixels.Bounds(), {0xFF, 0, 0});
    screen->Draw(pixels, {0, 0, 2, 2}, {10, 20});
    screen->EndDrawing();
    EXPECT_EQ(RootPixel(other, 11, 21), 0xFF0000u) << "the last frame stays";
    gfx::Bitmap one(1, 1, gfx::PixelFormat::Bgrx32);
    screen->Read({11, 21, 12, 22}, one, {0, 0});
    EXPECT_EQ(Pixel(one, 0, 0), 0xFF0000u) << "reads see what the screen shows";

    XMapWindow(other, window);
    XSync(other, False);
    EXPECT_EQ(RootPixel(other, 31, 31), 0x00FF00u) << "the window shows over the overlay";
    EXPECT_EQ(RootPixel(other, 11, 21), 0xFF0000u);

    screen->ReleaseOverlay();
    EXPECT_EQ(RootPixel(other, 11, 21), 0u);
    EXPECT_EQ(RootPixel(other, 31, 31), 0x00FF00u);
}

TEST_F(OnXvfb, AWindowManagersFrameMovesWhereANewWindowLands)
{
    const Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 30, 30, 10, 10, 0, 0, 0);
    const Atom supported = XInternAtom(other, "_NET_SUPPORTED", False);
    const Atom request = XInternAtom(other, "_NET_REQUEST_FRAME_EXTENTS", False);
    const Atom extents = XInternAtom(other, "_NET_FRAME_EXTENTS", False);
    // The manager's answer: 1 pixel left, right and bottom, 24 on top.
    const long frame[4] = {1, 1, 24, 1};
    XChangeProperty(other, window, extents, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(frame), 4);
    XSync(other, False);
    EXPECT_EQ(screen->FrameOffset(window), (gfx::Point{0, 0})) << "no manager offers frame extents";
    XChangeProperty(other, DefaultRootWindow(other), supported, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&request), 1);
    XSync(other, False);
    EXPECT_EQ(screen->FrameOffset(window), (gfx::Point{1, 24}));
}

TEST(X11Screen, WaylandSessionsWithAnXDisplayRunOnXUnlessAPlatformWasChosen)
{
    const std::string saved = std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    char name[] = "quistelor", flag[] = "-platform", wayland[] = "wayland";
    char* plain[] = {name};
    char* chosen[] = {name, flag, wayland};
    const struct {
        const char* waylandDisplay;
        const char* display;
        const char* platform;
        int argc;
        char** argv;
        const char* result;
    } cases[] = {
        {"wayland-0", ":0", nullptr, 1, plain, "xcb"},
        {"wayland-0", nullptr, nullptr, 1, plain, nullptr},    // no X display to fall back on
        {"wayland-0", ":0", "wayland", 1, plain, "wayland"},   // chosen in the environment
        {"wayland-0", ":0", nullptr, 3, chosen, nullptr},      // chosen on the command line
        {nullptr, ":0", nullptr, 1, plain, nullptr},           // not a Wayland session
    };
    for (const auto& c : cases) {
        const auto set = [](const char* var, const char* value) {
            if (value)
                setenv(var, value, 1);
            else
                unsetenv(var);
        };
        set("WAYLAND_DISPLAY", c.waylandDisplay);
        set("DISPLAY", c.display);
        set("QT_QPA_PLATFORM", c.platform);
        platform::qt::PreferXWayland(c.argc, c.argv);
        const char* result = std::getenv("QT_QPA_PLATFORM");
        EXPECT_EQ(result ? std::string(result) : "", c.result ? std::string(c.result) : "");
    }
    setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
}
