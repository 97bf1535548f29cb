#include "PBufferCanvas.h"

#include "ArbPixelFormat.h"
#include "GlWindowedCanvas.h"

#include "platform/OSError.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Wgl.h"

namespace FormAnimator {

using namespace win32;

void TPBufferCanvas::CreateSurface(int32_t Width, int32_t Height, TGlPixelFormat* PixelFormat)
{
    // Checked before anything is made, so that a second call cannot drop
    // the handles of the first surface.
    QUISTELOR_ASSERT(Context == nullptr, "Context already created", GlCanvasUnit);
    TNullWindowedCanvas* null = NullWindowedCanvas;
    if (!null)
        throw EGlError(NoPixelFormatMessage);
    TGlPixelFormat defaults;
    if (!PixelFormat)
        PixelFormat = &defaults;
    WithLock(null, [&] {
        HDC dc = wglGetCurrentDC();
        int index = SelectArbPixelFormat(PixelFormat, skPBuffer, nullptr);
        if (index == -1 || !null->HasPBuffer)
            throw EGlError(NoPixelFormatMessage);
        const int attributes[] = {0};
        PBuffer = null->wglCreatePbufferARB(dc, index, Width, Height, attributes);
        if (!PBuffer)
            throw EGlError(NoMemoryMessage);
        DC = null->wglGetPbufferDCARB(PBuffer);
        if (!DC)
            throw EGlError(NoMemoryMessage);
        CreateContext(PixelFormat);
    });
}

void TPBufferCanvas::ReleaseSurface()
{
    TCriticalSectionGuard guard(CriticalSection);
    PixelFormatDescriptor = PIXELFORMATDESCRIPTOR{};
    TNullWindowedCanvas* null = NullWindowedCanvas;
    if ((DC || PBuffer) && !null)
        throw EGlError("Error while releasing PBufferARB: OpenGL surfaces are already shut down");
    if (DC) {
        HDC dc = DC;
        DC = nullptr;
        if (null->wglReleasePbufferDCARB(PBuffer, dc) != 1)
            throw EGlError("Error while releasing PBufferARB device context: "
                           + platform::SysErrorMessage(static_cast<int>(GetLastError())));
    }
    if (PBuffer) {
        HPBUFFERARB pbuffer = PBuffer;
        PBuffer = nullptr;
        if (!null->wglDestroyPbufferARB(pbuffer))
            throw EGlError("Error while destroying PBufferARB: "
                           + platform::SysErrorMessage(static_cast<int>(GetLastError())));
    }
    TGlCanvas::ReleaseSurface();
}

} // namespace FormAnimator
