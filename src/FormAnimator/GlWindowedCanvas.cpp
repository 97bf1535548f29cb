#include "GlWindowedCanvas.h"

#include "platform/OSError.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Module.h"
#include "platform/win32/Wgl.h"
#include "platform/win32/Window.h"

namespace FormAnimator {

using namespace win32;

namespace {

LRESULT NullWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    return DefWindowProcA(Window, Message, WParam, LParam);
}

} // namespace

// --- TGlWindowedCanvas ---------------------------------------------------------

TGlWindowedCanvas::~TGlWindowedCanvas()
{
    if (LockCount != 0 && CanRaise())
        QUISTELOR_ASSERT(false, "Canvas not unlocked", GlCanvasUnit);
}

void TGlWindowedCanvas::CreateForWindow(HWND Window, TGlPixelFormat* PixelFormat)
{
    DC = GetDC(Window);
    if (!DC)
        RaiseLastOSError();
    MakePFD(PixelFormat);
    CreateContext(PixelFormat);
}

void TGlWindowedCanvas::ReleaseWindow(HWND Window)
{
    TCriticalSectionGuard guard(CriticalSection);
    PixelFormatDescriptor = PIXELFORMATDESCRIPTOR{};
    ReleaseSurface();
    if (DC && ReleaseDC(Window, DC) == 0)
        RaiseLastOSError();
    DC = nullptr;
}

// --- TNullWindowedCanvas -------------------------------------------------------

TNullWindowedCanvas::TNullWindowedCanvas()
{
    try {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(WNDCLASSEXA);
        windowClass.style = CS_OWNDC | CS_GLOBALCLASS;
        windowClass.lpfnWndProc = NullWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = WindowClassName;
        WindowClassAtom = RegisterClassExA(&windowClass);
        if (WindowClassAtom == 0)
            RaiseLastOSError();
        Window = CreateWindowExA(0, WindowClassName, nullptr, WS_CLIPSIBLINGS, 0, 0, 1, 1, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!Window)
            RaiseLastOSError();
        CreateForWindow(Window, nullptr);
    } catch (...) {
        // Nothing of a half-built hidden window may outlive the failure: a
        // later start-up must be able to register the class again.
        try {
            Destroy();
        } catch (...) {
        }
        throw;
    }
}

TNullWindowedCanvas::~TNullWindowedCanvas() { Destroy(); }

void TNullWindowedCanvas::Destroy()
{
    if (Window) {
        HWND window = Window;
        ReleaseWindow(window);
        Window = nullptr;
        if (!DestroyWindow(window))
            RaiseLastOSError();
    }
    if (WindowClassAtom) {
        WindowClassAtom = 0;
        if (!UnregisterClassA(WindowClassName, GetModuleHandleA(nullptr)))
            RaiseLastOSError();
    }
}

void TNullWindowedCanvas::CreateForWindow(HWND Window, TGlPixelFormat* PixelFormat)
{
    TGlWindowedCanvas::CreateForWindow(Window, PixelFormat);
    ShareContext = wglCreateContext(DC);
    if (!ShareContext)
        RaiseLastOSError();
    if (!wglShareLists(ShareContext, Context))
        RaiseLastOSError();
    WithLock(this, [this] {
        HasExtensionsString = wglGetExtensionsStringARB != nullptr;
        HasPBuffer = LoadExtension("WGL_ARB_pbuffer",
                                   {"wglCreatePbufferARB", "wglGetPbufferDCARB", "wglReleasePbufferDCARB",
                                    "wglDestroyPbufferARB", "wglQueryPbufferARB"},
                                   {wglCreatePbufferARB, wglGetPbufferDCARB, wglReleasePbufferDCARB,
                                    wglDestroyPbufferARB, wglQueryPbufferARB});
        HasArbPixelFormat = LoadExtension(
            "WGL_ARB_pixel_format",
            {"wglGetPixelFormatAttribivARB", "wglGetPixelFormatAttribfvARB", "wglChoosePixelFormatARB"},
            {wglGetPixelFormatAttribivARB, wglGetPixelFormatAttribfvARB, wglChoosePixelFormatARB});
        HasMultisample = HasExtension("ARB_multisample");
    });
}

void TNullWindowedCanvas::ReleaseWindow(HWND Window)
{
    TGlWindowedCanvas::ReleaseWindow(Window);
    HGLRC shareContext = ShareContext;
    ShareContext = nullptr;
    if (shareContext && !wglDeleteContext(shareContext))
        RaiseLastOSError();
}

} // namespace FormAnimator
