#include "GlBitmap.h"

#include "DIBCanvas.h"
#include "GlWindowedCanvas.h"
#include "PBufferCanvas.h"

#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"

#include <GL/gl.h>

namespace FormAnimator {

using namespace win32;

TGlBitmap::TGlBitmap() : Canvas(nullptr), PixelFormat(new TGlPixelFormat)
{
    if (NullWindowedCanvas && NullWindowedCanvas->HasPBuffer)
        Canvas = new TPBufferCanvas;
    else
        Canvas = new TDIBCanvas;
}

TGlBitmap::~TGlBitmap()
{
    const std::exception_ptr failure = Attempt([this] { FreeSurface(); });
    FreeAndNil(Canvas);
    FreeAndNil(PixelFormat);
    RaiseIfCan(failure);
}

bool TGlBitmap::IsOffscreen()
{
    const TGlSurfaceKind kind = Canvas->GetSurfaceKind();
    return kind == skBitmap || kind == skPBuffer;
}

bool TGlBitmap::HasSurface()
{
    switch (Canvas->GetSurfaceKind()) {
    case skPBuffer:
        return static_cast<TPBufferCanvas*>(Canvas)->PBuffer != nullptr;
    case skBitmap:
        return static_cast<TDIBCanvas*>(Canvas)->DIBSection != nullptr;
    default:
        return false;
    }
}

bool TGlBitmap::GetEmpty() { return Width == 0 || Height == 0; }

void TGlBitmap::RealizeSurface()
{
    if (GetEmpty() || HasSurface())
        return;
    if (IsOffscreen())
        Canvas->CreateSurface(Width, Height, PixelFormat);
}

void TGlBitmap::FreeSurface()
{
    FPixels.Free();
    if (HasSurface() && IsOffscreen())
        Canvas->ReleaseSurface();
}

void TGlBitmap::SetSize(int32_t& Field, int32_t Value)
{
    if (Field == Value)
        return;
    FreeSurface();
    Field = Value;
    RealizeSurface();
}

void TGlBitmap::SetWidth(int32_t Value) { SetSize(Width, Value); }
void TGlBitmap::SetHeight(int32_t Value) { SetSize(Height, Value); }

void TGlBitmap::Draw(HDC DC, const TRect& Rect) { CopyRect(TRect{0, 0, Width, Height}, DC, Rect); }

void TGlBitmap::CopyRectTo(const TRect& Source, HDC DC, int32_t X, int32_t Y)
{
    CopyRect(Source, DC, TRect{X, Y, X + Source.Width(), Y + Source.Height()});
}

void TGlBitmap::CopyRect(const TRect& Source, HDC DC, const TRect& Dest)
{
    // An empty source has no pixels to read (and no transfer buffer to make).
    if (GetEmpty() || Source.IsEmpty())
        return;
    const int32_t w = Source.Width();
    const int32_t h = Source.Height();
    const bool sameSize = Dest.Width() == w && Dest.Height() == h;
    WithLock(Canvas, [&] {
        switch (Canvas->GetSurfaceKind()) {
        case skBitmap:
            if (sameSize)
                BitBlt(DC, Dest.Left, Dest.Top, w, h, Canvas->DC, Source.Left, Source.Top, SRCCOPY);
            else
                StretchBlt(DC, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->DC, Source.Left, Source.Top,
                           w, h, SRCCOPY);
            GdiFlush();
            break;
        case skPBuffer: {
            // 32-bit rows: GL hands them over without converting, and they
            // are the screen's own layout (24-bit rows cost two conversions).
            BITMAPINFO info = DIBInfo(w, h, 32);
            const size_t rowBytes = static_cast<size_t>(w) * 4;
            void* pixels = FPixels.Reserve(rowBytes * static_cast<size_t>(h));
            // GL counts rows from the bottom: the source's top row is GL row
            // Height - Source.Top - 1. The rows arrive bottom-up, which is
            // the DIB layout, whatever pack state the bitmap's user left.
            glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glPixelStorei(GL_PACK_ROW_LENGTH, 0);
            glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
            glPixelStorei(GL_PACK_SKIP_ROWS, 0);
            glReadPixels(Source.Left, Height - Source.Top - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
            glPopClientAttrib();
            if (sameSize)
                SetDIBitsToDevice(DC, Dest.Left, Dest.Top, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                                  static_cast<UINT>(h), pixels, &info, DIB_RGB_COLORS);
            else
                StretchDIBits(DC, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), 0, 0, w, h, pixels, &info,
                              DIB_RGB_COLORS, SRCCOPY);
            break;
        }
        case skWindow:
            break;
        }
    });
}

void GlBitmapInitialization() { TPicture::RegisterFileFormat(".glb", "GL bitmaps", NewGraphic<TGlBitmap>); }

} // namespace FormAnimator
