#pragma once
// Classes: TGlBitmap.
//
// An offscreen OpenGL drawing surface packaged as a graphic: it has a width
// and a height, draws itself onto any device context, and owns an offscreen
// canvas (a pbuffer when the driver offers them, else a DIB section) on which
// GL code renders between the canvas's Lock and Unlock.

#include "GlCanvas.h"
#include "Graphics.h"

namespace FormAnimator {

class TGlBitmap : public TGraphic {
public:
    TGlBitmap();
    ~TGlBitmap() override;
    std::string ClassName() const override { return "TGlBitmap"; }

    // The whole bitmap into Rect of DC, stretched to it.
    void Draw(win32::HDC DC, const win32::TRect& Rect) override;
    bool GetEmpty() override;
    int32_t GetHeight() override { return Height; }
    int32_t GetWidth() override { return Width; }
    // A new size frees the surface and makes one of the new size, once both
    // dimensions are non-zero.
    void SetHeight(int32_t Value) override;
    void SetWidth(int32_t Value) override;
    // A GL bitmap has no file or clipboard form: these do nothing.
    void LoadFromStream(std::istream&) override {}
    void SaveToStream(std::ostream&) override {}
    void LoadFromClipboardFormat(uint16_t, win32::HANDLE) override {}
    void SaveToClipboardFormat(uint16_t&, win32::HANDLE&) override {}

    // Copies Source (top-left origin) into Dest of DC, stretching when the
    // sizes differ. An empty bitmap or source copies nothing.
    void CopyRect(const win32::TRect& Source, win32::HDC DC, const win32::TRect& Dest);
    // Copies Source to (X, Y) of DC at its own size.
    void CopyRectTo(const win32::TRect& Source, win32::HDC DC, int32_t X, int32_t Y);

    bool HasSurface();

    int32_t Width = 0;
    int32_t Height = 0;
    TGlCanvas* Canvas;           // owned
    TGlPixelFormat* PixelFormat; // owned; passed to every surface creation

protected:
    void RealizeSurface();
    void FreeSurface();

private:
    void SetSize(int32_t& Field, int32_t Value);
    bool IsOffscreen();

    // Pixels read back from a pbuffer, kept for the next copy: animations
    // copy rectangles many times a second.
    TPageBuffer FPixels;
};

// Registers the GL bitmap with the picture framework under ".glb".
void GlBitmapInitialization();

} // namespace FormAnimator
