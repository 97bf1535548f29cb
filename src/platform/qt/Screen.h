#pragma once
// Chooses the device behind the desktop window's DC from the platform Qt runs
// on: the X display's own screen under xcb, an image in memory under the
// offscreen platform, and nothing elsewhere (a Wayland session without X,
// where the screen can be neither read nor drawn, so nothing is animated).

#include "platform/win32/Rect.h"

#include <QSize>

#include <functional>

class QWidget;

namespace platform::qt {

// The primary screen's size in device pixels; empty without a screen. Needs
// the QGuiApplication.
QSize PrimaryScreenSize();

// Installs the device behind the screen's DCs once, unless one is installed
// already; returns whether there is one. Needs the QGuiApplication.
bool InstallPrimaryScreen();

// The same in two steps, so that the opening can happen beside other work:
// this reads what it needs from the QGuiApplication (call it on its thread)
// and returns the opening, which may run on any thread and installs the
// device; null when there is none to open or one is installed already.
std::function<void()> PrimaryScreenOpener();

// Where the form will be on the screen once shown: its bounds (FormBounds),
// moved by the frame a window manager puts around a window shown for the
// first time, whose position the toolkit gives as the frame's corner.
win32::TRect FormBoundsAsShown(QWidget* form);

// Call before an animation that brings `form` in: what the animation draws
// last stays on the screen after it ends, until the form has been shown and
// has painted itself in place (or, should that never happen, for at most
// half a second), so that no moment shows the screen without the form. Does
// nothing where the screen needs no such care (the in-memory screen).
void HoldScreenUntilPainted(QWidget* form);

// Before the application is created: in a Wayland session that also offers
// an X display, run on the X display (xcb), where the screen can be read and
// drawn, unless the user chose a platform (QT_QPA_PLATFORM or -platform).
void PreferXWayland(int argc, char** argv);

} // namespace platform::qt
