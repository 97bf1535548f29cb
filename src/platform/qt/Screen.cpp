#include "Screen.h"

#include "X11Screen.h"

#include "platform/win32/MemoryScreen.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>
#include <cstring>

namespace platform::qt {

namespace {

bool EnvSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

} // namespace

bool InstallPrimaryScreen()
{
    if (win32::GetScreenDevice())
        return true;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return false;
    const qreal ratio = primary->devicePixelRatio();
    const QRect g = primary->geometry();
    const int x = int(g.x() * ratio), y = int(g.y() * ratio);
    const int w = int(g.width() * ratio), h = int(g.height() * ratio);
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        const char* display = std::getenv("DISPLAY");
        win32::SetScreenDevice(X11Screen::Open(display ? display : "", x, y, w, h));
    } else if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        win32::SetScreenDevice(std::make_shared<win32::MemoryScreen>(w, h));
    }
    return win32::GetScreenDevice() != nullptr;
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
