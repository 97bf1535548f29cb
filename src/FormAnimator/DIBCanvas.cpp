#include "DIBCanvas.h"

#include "platform/OSError.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Wgl.h"
#include "platform/win32/Window.h"

namespace FormAnimator {

using namespace win32;

// --- TDIBCanvas ----------------------------------------------------------------

void TDIBCanvas::CreateSurface(int32_t Width, int32_t Height, TGlPixelFormat* PixelFormat)
{
    // Checked before anything is made, so that a second call cannot drop
    // the handles of the first surface.
    QUISTELOR_ASSERT(Context == nullptr, "Context already created", GlCanvasUnit);
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    if (!screen)
        RaiseLastOSError();
    DC = CreateCompatibleDC(screen);
    DWORD error = GetLastError();
    // The screen DC is only needed to make the memory DC; giving it back
    // keeps every surface creation from leaking one.
    ReleaseDC(desktop, screen);
    if (!DC) {
        SetLastError(error);
        RaiseLastOSError();
    }
    BITMAPINFO info = DIBInfo(Width, Height, 32);
    DIBSection = CreateDIBSection(DC, &info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (!DIBSection)
        RaiseLastOSError();
    PreviousBitmap = SelectObject(DC, DIBSection);
    if (!PreviousBitmap)
        RaiseLastOSError();
    MakePFD(PixelFormat);
    CreateContext(PixelFormat);
}

void TDIBCanvas::ShareLists(TGlPixelFormat* PixelFormat)
{
    if (!NullDIBCanvases)
        throw EGlError("OpenGL is not available: the OpenGL surfaces were not initialised");
    for (TObject* item : *NullDIBCanvases) {
        auto* candidate = static_cast<TNullDIBCanvas*>(item);
        // A group that does not accept this context is no error: try the next.
        if (wglShareLists(candidate->ShareContext, Context)) {
            ShareCanvas = candidate;
            return;
        }
    }
    auto* group = new TNullDIBCanvas(PixelFormat);
    NullDIBCanvases->Add(group);
    ShareCanvas = group;
    if (!wglShareLists(group->ShareContext, Context))
        RaiseLastOSError();
}

void TDIBCanvas::MakeCurrent()
{
    if (LockCount == 1) {
        PreviousBitmap = SelectObject(DC, DIBSection);
        if (!PreviousBitmap)
            RaiseLastOSError();
    }
    TGlCanvas::MakeCurrent();
}

void TDIBCanvas::ReleaseCurrent()
{
    const bool outermost = LockCount == 1;
    const std::exception_ptr failure = Attempt([this] { TGlCanvas::ReleaseCurrent(); });
    // The previous bitmap goes back whatever the release reported.
    if (outermost && !SelectObject(DC, PreviousBitmap) && !failure)
        RaiseLastOSError();
    if (failure)
        std::rethrow_exception(failure);
}

void TDIBCanvas::ReleaseSurface()
{
    TGlCanvas::ReleaseSurface();
    if (DC) {
        HDC dc = DC;
        DC = nullptr;
        if (!DeleteDC(dc))
            RaiseLastOSError();
    }
    if (DIBSection) {
        HBITMAP dib = DIBSection;
        DIBSection = nullptr;
        Bits = nullptr;
        if (!DeleteObject(dib))
            RaiseLastOSError();
    }
}

TGlCanvas* TDIBCanvas::GetShareCanvas() { return ShareCanvas; }

// --- TNullDIBCanvas ------------------------------------------------------------

TNullDIBCanvas::TNullDIBCanvas(TGlPixelFormat* PixelFormat)
{
    try {
        CreateSurface(1, 1, PixelFormat);
        ShareContext = wglCreateContext(DC);
        if (!ShareContext)
            RaiseLastOSError();
        if (!wglShareLists(ShareContext, Context))
            RaiseLastOSError();
    } catch (...) {
        try {
            Destroy();
        } catch (...) {
        }
        throw;
    }
}

TNullDIBCanvas::~TNullDIBCanvas() { Destroy(); }

void TNullDIBCanvas::Destroy()
{
    HGLRC shareContext = ShareContext;
    ShareContext = nullptr;
    if (shareContext && !wglDeleteContext(shareContext))
        RaiseLastOSError();
    ReleaseSurface();
}

} // namespace FormAnimator
