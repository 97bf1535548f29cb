#pragma once
// Classes: TPBufferCanvas.
//
// Offscreen canvas on a WGL_ARB_pbuffer surface, in the share group of
// NullWindowedCanvas.

#include "GlCanvas.h"

namespace FormAnimator {

class TPBufferCanvas : public TGlCanvas {
public:
    TGlSurfaceKind GetSurfaceKind() override { return skPBuffer; }
    // Slot 13. Raises EGlError with a message meant for the user when no
    // pixel format fits, pbuffers are unsupported, or the driver cannot make
    // the pbuffer or its DC. A null PixelFormat is the default description.
    void CreateSurface(int32_t Width, int32_t Height, TGlPixelFormat* PixelFormat) override;
    // Releases the DC and the pbuffer, then the context. Releasing twice is
    // harmless: the second time only zeroes the descriptor.
    void ReleaseSurface() override;

    win32::HPBUFFERARB PBuffer = nullptr;

    static constexpr const char* NoPixelFormatMessage =
        "Could not find required pixel format matching your system capabilities. "
        "Please update your graphic hardware drivers to continue using this feature.";
    static constexpr const char* NoMemoryMessage =
        "Could not allocate sufficient graphic memory for off-screen use. "
        "Please update your graphic hardware drivers to continue using this feature.";
};

} // namespace FormAnimator
