#pragma once
// Classes: PixelFormatInfo, EglState.
//
// The one EGL display of the process (Mesa's surfaceless platform, so no
// window system is needed) and the pixel formats derived from its configs.
// Internal to the binding.

#include "WinTypes.h"

#include <EGL/egl.h>

#include <vector>

namespace win32::detail {

struct PixelFormatInfo {
    EGLConfig config = nullptr;
    EGLint configId = 0;
    int red = 0, green = 0, blue = 0, alpha = 0;
    int bufferSize = 0; // colour bits, alpha included
    int depth = 0, stencil = 0;
    int sampleBuffers = 0, samples = 0;
    bool drawToWindow = false;
    bool drawToBitmap = false;
    bool drawToPbuffer = false;
    bool doubleBuffer = false;
    int acceleration = 0; // a WGL_*_ACCELERATION_ARB value
    int maxPbufferWidth = 0, maxPbufferHeight = 0, maxPbufferPixels = 0;
};

struct EglState {
    EGLDisplay display = EGL_NO_DISPLAY;
    bool softwareDriver = false;
    bool anyMultisample = false;
    // Pixel format n (from 1) is formats[n - 1].
    std::vector<PixelFormatInfo> formats;
};

// The display, initialised on first use. Null, with the last error set to
// ERROR_NO_GRAPHICS_DEVICE, when EGL or its OpenGL driver cannot start; the
// answer is the same for the rest of the process.
const EglState* Egl();

// Format by 1-based index; null with ERROR_INVALID_PIXEL_FORMAT when out of
// range (or the no-device error when there is no display).
const PixelFormatInfo* FormatAt(int index);

// Binds the OpenGL API on the calling thread (EGL keeps it per thread).
void BindOpenGlApi();

// Turns the pending EGL error into the thread's last-error code.
void SetLastErrorFromEgl();

} // namespace win32::detail
