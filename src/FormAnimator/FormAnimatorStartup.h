#pragma once
// Start-up and shutdown of the window-animation library's OpenGL surfaces.
//
// The program calls FormAnimatorStartup() once before it creates its main
// window, and FormAnimatorShutdown() once after the main window is gone.
// Start-up sets the process's floating-point control word, then creates the
// GL font manager, the canvas lock registry, the hidden-window canvas (with
// its OpenGL context and the probing of the WGL extensions) and the empty
// list of hidden DIB canvases, and registers the GL bitmap's file extension
// ".glb" with the picture framework (which stays registered, also when
// OpenGL could not be started). Shutdown frees the globals in reverse order.
//
// Neither function raises. On a machine where OpenGL cannot be started,
// start-up returns false, the canvas globals stay null and the program goes
// on without OpenGL: whatever needs the globals later fails with a clear
// error (EGlError from the offscreen canvases).

#include <cstdint>
#include <functional>
#include <string>

namespace FormAnimator {

bool FormAnimatorStartup();
void FormAnimatorShutdown();

// The same start-up on a thread of its own, beside the program building its
// main window: FormAnimatorStartup, then the OpenGL entrance made ready for a
// screen of ScreenWidth x ScreenHeight (its surface made and one small frame
// drawn, so the driver has built what the first entrance needs). The
// floating-point control word is set on the calling thread at once.
// FormAnimatorStartupWait waits for the thread (the OpenGL contexts are then
// current on none) and returns what FormAnimatorStartup returned; nothing
// else of the library may be used before it. Shutdown waits too.
// OpenScreen, when given, runs first on that thread: the opening of the
// screen the entrance draws on.
void FormAnimatorStartupBegin(int32_t ScreenWidth, int32_t ScreenHeight, std::function<void()> OpenScreen = {});
bool FormAnimatorStartupWait();

// Why the last start-up failed, or why shutdown reported a problem; empty
// when all went well.
const std::string& FormAnimatorStartupError();

// True between a successful start-up and shutdown.
bool OpenGlAvailable();

} // namespace FormAnimator
