#pragma once
// Chooses the device behind the desktop window's DC from the platform Qt runs
// on: the X display's own screen under xcb, an image in memory under the
// offscreen platform, and nothing elsewhere (a Wayland session without X,
// where the screen can be neither read nor drawn, so nothing is animated).

namespace platform::qt {

// Installs the device behind the screen's DCs once, unless one is installed
// already; returns whether there is one. Needs the QGuiApplication.
bool InstallPrimaryScreen();

// Before the application is created: in a Wayland session that also offers
// an X display, run on the X display (xcb), where the screen can be read and
// drawn, unless the user chose a platform (QT_QPA_PLATFORM or -platform).
void PreferXWayland(int argc, char** argv);

} // namespace platform::qt
