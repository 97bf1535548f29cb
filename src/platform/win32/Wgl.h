#pragma once
// OpenGL rendering contexts on EGL. Contexts are created without a config, so
// any surface of the display can be made current with them; what is current
// is per thread, as with EGL.

#include "WinTypes.h"

namespace win32 {

// Needs a DC whose pixel format is set.
HGLRC wglCreateContext(HDC hdc);
// A context current on the calling thread is released first; one current on
// another thread cannot be deleted.
BOOL wglDeleteContext(HGLRC hglrc);
// A null context releases whatever is current on the calling thread.
BOOL wglMakeCurrent(HDC hdc, HGLRC hglrc);
HDC wglGetCurrentDC();
HGLRC wglGetCurrentContext();
// The binding's own wgl* entry points by name; gl* ones from the driver.
PROC wglGetProcAddress(const char* name);
// Makes hglrcDst share the objects of hglrcSrc. EGL fixes sharing when a
// context is created, so the joining context is re-created in the source's
// share group: it must not be current on any thread, and whatever objects it
// had are gone. Contexts of window and pbuffer DCs share with each other;
// those of client-memory DCs only with contexts of the same framebuffer
// layout.
BOOL wglShareLists(HGLRC hglrcSrc, HGLRC hglrcDst);
// Every surface is single-buffered: succeeds without doing anything for any
// DC with a pixel format.
BOOL SwapBuffers(HDC hdc);

} // namespace win32
