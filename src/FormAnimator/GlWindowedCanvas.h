#pragma once
// Classes: TGlWindowedCanvas, TNullWindowedCanvas.
//
// Window canvases: a canvas drawing into a window's DC, and the hidden 1 x 1
// window canvas that exists once per process (the global NullWindowedCanvas).
// The hidden canvas probes the driver's WGL extensions, holds their entry
// points, and owns the share group that window and pbuffer canvases join.

#include "GlCanvas.h"

namespace FormAnimator {

class TGlWindowedCanvas : public TGlCanvas {
public:
    // Raises "Canvas not unlocked" while the canvas is locked.
    ~TGlWindowedCanvas() override;

    TGlSurfaceKind GetSurfaceKind() override { return skWindow; }
    // Slots 13 and 14.
    virtual void CreateForWindow(win32::HWND Window, TGlPixelFormat* PixelFormat);
    virtual void ReleaseWindow(win32::HWND Window);
};

class TNullWindowedCanvas : public TGlWindowedCanvas {
public:
    // Registers the hidden window class, creates the window and its contexts,
    // and probes the extensions. Cleans up what it made when it fails.
    TNullWindowedCanvas();
    ~TNullWindowedCanvas() override;

    void CreateForWindow(win32::HWND Window, TGlPixelFormat* PixelFormat) override;
    void ReleaseWindow(win32::HWND Window) override;

    win32::HWND Window = nullptr;
    win32::HGLRC ShareContext = nullptr;
    win32::ATOM WindowClassAtom = 0;
    win32::PFNWGLGETPIXELFORMATATTRIBIVARBPROC wglGetPixelFormatAttribivARB = nullptr;
    win32::PFNWGLGETPIXELFORMATATTRIBFVARBPROC wglGetPixelFormatAttribfvARB = nullptr;
    win32::PFNWGLCHOOSEPIXELFORMATARBPROC wglChoosePixelFormatARB = nullptr;
    win32::PFNWGLCREATEPBUFFERARBPROC wglCreatePbufferARB = nullptr;
    win32::PFNWGLGETPBUFFERDCARBPROC wglGetPbufferDCARB = nullptr;
    win32::PFNWGLRELEASEPBUFFERDCARBPROC wglReleasePbufferDCARB = nullptr;
    win32::PFNWGLDESTROYPBUFFERARBPROC wglDestroyPbufferARB = nullptr;
    win32::PFNWGLQUERYPBUFFERARBPROC wglQueryPbufferARB = nullptr;
    bool HasExtensionsString = false;
    bool HasPBuffer = false;
    bool HasArbPixelFormat = false;
    bool HasMultisample = false;

    static constexpr const char* WindowClassName = "Null Gl window class";

private:
    void Destroy();
};

} // namespace FormAnimator
