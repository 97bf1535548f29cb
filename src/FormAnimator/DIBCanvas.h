#pragma once
// Classes: TDIBCanvas, TNullDIBCanvas.
//
// Offscreen canvas on a DIB section: GL rendering ends up in client memory
// (Bits, 32 bits per pixel, rows bottom-up). Contexts share objects only with
// contexts of a compatible pixel format, so DIB canvases are grouped around
// hidden 1 x 1 DIB canvases (the global list NullDIBCanvases), one per group.

#include "GlCanvas.h"

namespace FormAnimator {

class TNullDIBCanvas;

class TDIBCanvas : public TGlCanvas {
public:
    TGlSurfaceKind GetSurfaceKind() override { return skBitmap; }
    // Joins the first hidden DIB canvas whose group accepts the context, or
    // makes a new one for it.
    void ShareLists(TGlPixelFormat* PixelFormat) override;
    // At the outermost level also select the DIB section into DC (and the
    // previous bitmap back on release).
    void MakeCurrent() override;
    void ReleaseCurrent() override;
    // Deletes the context, the DC and the DIB section.
    void ReleaseSurface() override;
    TGlCanvas* GetShareCanvas() override;
    // Slot 13. Leaves the DIB section selected into DC.
    void CreateSurface(int32_t Width, int32_t Height, TGlPixelFormat* PixelFormat) override;

    win32::HBITMAP DIBSection = nullptr;
    void* Bits = nullptr;
    win32::HGDIOBJ PreviousBitmap = nullptr;
    TNullDIBCanvas* ShareCanvas = nullptr; // not owned
};

class TNullDIBCanvas : public TDIBCanvas {
public:
    // Builds its 1 x 1 surface and the share context that owns the group;
    // cleans up what it made when it fails.
    explicit TNullDIBCanvas(TGlPixelFormat* PixelFormat);
    ~TNullDIBCanvas() override;

    // The group's owner joins nobody.
    void ShareLists(TGlPixelFormat*) override {}

    win32::HGLRC ShareContext = nullptr;

private:
    void Destroy();
};

} // namespace FormAnimator
