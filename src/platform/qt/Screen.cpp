#include "Screen.h"

#include "Forms.h"
#include "X11Screen.h"

#include "platform/win32/MemoryScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <cstring>

namespace platform::qt {

namespace {

bool EnvSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// How long the overlay waits at most for a window to paint itself.
constexpr int HoldLimitMs = 500;

} // namespace

QSize PrimaryScreenSize()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    const qreal ratio = primary->devicePixelRatio();
    return {int(primary->geometry().width() * ratio), int(primary->geometry().height() * ratio)};
}

std::function<void()> PrimaryScreenOpener()
{
    if (win32::GetScreenDevice())
        return {};
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    const qreal ratio = primary->devicePixelRatio();
    const QRect g = primary->geometry();
    const int x = int(g.x() * ratio), y = int(g.y() * ratio);
    const QSize size = PrimaryScreenSize();
    const int w = size.width(), h = size.height();
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        const char* variable = std::getenv("DISPLAY");
        const std::string display = variable ? variable : "";
        return [display, x, y, w, h] { win32::SetScreenDevice(X11Screen::Open(display, x, y, w, h)); };
    }
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return [w, h] { win32::SetScreenDevice(std::make_shared<win32::MemoryScreen>(w, h)); };
    return {};
}

bool InstallPrimaryScreen()
{
    if (const std::function<void()> open = PrimaryScreenOpener())
        open();
    return win32::GetScreenDevice() != nullptr;
}

win32::TRect FormBoundsAsShown(QWidget* form)
{
    win32::TRect bounds = FormBounds(form);
    auto* screen = dynamic_cast<X11Screen*>(win32::GetScreenDevice().get());
    const QWindow* window = form->windowHandle();
    // A window shown before knows its frame, and its bounds say where it is.
    if (!screen || !form->isWindow() || !window || !window->frameMargins().isNull())
        return bounds;
    const gfx::Point offset = screen->FrameOffset(form->internalWinId());
    return {bounds.Left + offset.X, bounds.Top + offset.Y, bounds.Right + offset.X, bounds.Bottom + offset.Y};
}

void HoldScreenUntilPainted(QWidget* form)
{
    std::shared_ptr<win32::ScreenDevice> device = win32::GetScreenDevice();
    auto* screen = dynamic_cast<X11Screen*>(device.get());
    if (!screen || !form)
        return;
    screen->HoldOverlay(form->internalWinId());
    WhenPainted(form, HoldLimitMs, [device = std::move(device), screen] {
        // What the window painted reaches the display before the overlay goes.
        SyncWithDisplay();
        screen->ReleaseOverlay();
    });
}

void PreferXWayland(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return;
    if (EnvSet("WAYLAND_DISPLAY") && EnvSet("DISPLAY") && !EnvSet("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

} // namespace platform::qt
