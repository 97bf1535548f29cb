#include "GLFormAnimator.h"

#include "GlBitmap.h"
#include "GlTexture.h"

#include "platform/Random.h"
#include "platform/RealMath.h"
#include "platform/qt/Screen.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"
#include "platform/win32/GdiRegion.h"
#include "platform/win32/Screen.h"
#include "platform/win32/TickCount.h"

#include <GL/gl.h>

#include <algorithm>
#include <memory>

using namespace win32;

namespace FormAnimator {

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

} // namespace

TGLFormAnimator::TGLFormAnimator()
{
    // The style is chosen before the first form is shown, when the screen
    // may not be open yet: open it, so that the surface gets its size.
    platform::qt::InstallPrimaryScreen();
    std::unique_ptr<TGlBitmap> bitmap(new TGlBitmap);
    bitmap->SetWidth(ScreenWidth());
    bitmap->SetHeight(ScreenHeight());
    Texture = new TGl2DTexture(bitmap->Canvas);
    RenderBitmap = bitmap.release();
}

TGLFormAnimator::~TGLFormAnimator()
{
    // The texture releases its names through the bitmap's canvas.
    FreeAndNil(Texture);
    FreeAndNil(RenderBitmap);
}

std::string TGLFormAnimator::Description() { return "Animations style Vista, accélération matérielle"; }

void TGLFormAnimator::Run()
{
    const int SW = ScreenWidth(), SH = ScreenHeight();
    // The surface follows the screen: one of another size (the screen was
    // changed since the style was chosen) would cut the frames at its edge
    // and send undefined pixels from beyond it to the screen.
    if (RenderBitmap->GetWidth() != SW || RenderBitmap->GetHeight() != SH) {
        RenderBitmap->SetWidth(SW);
        RenderBitmap->SetHeight(SH);
    }
    // The background is read as 32-bit rows: the screen's own layout, so the
    // read-back is a plain copy and GL takes the rows without converting
    // them (24-bit rows cost a conversion each way on every frame).
    BITMAPINFO info = DIBInfo(SW, SH, 32);
    void* background = nullptr;
    AllocPages(background, size_t(ScanLineBytes(SW * 32)) * size_t(SH));
    // Whatever happens: the capture's bitmaps back in their DCs, the screen
    // as it was before the animation (the form then paints itself), the
    // pixels freed.
    struct TRestore {
        TGLFormAnimator& a;
        void* pixels;
        int SW, SH;
        ~TRestore() noexcept(false)
        {
            SelectObject(a.BackDC, a.BackBitmap);
            SelectObject(a.FormDC, a.FormBitmap);
            BitBlt(a.ScreenDC, 0, 0, SW, SH, a.BackDC, 0, 0, SRCCOPY);
            FreePages(pixels);
        }
    } restore{*this, background, SW, SH};

    SelectObject(BackDC, BackOldBitmap);
    GetDIBits(ScreenDC, BackBitmap, 0, UINT(SH), background, &info, DIB_RGB_COLORS);
    GdiFlush();

    WithLock(RenderBitmap->Canvas, [&] {
        Texture->LoadFromBitmap(FormDC, FormBitmap, TRect{0, 0, EndBounds.Width(), EndBounds.Height()});
        Texture->Bind();
        RenderLoop(background);
    });
}

void TGLFormAnimator::RenderLoop(const void* Background)
{
    const int SW = ScreenWidth(), SH = ScreenHeight();
    FlipU = platform::Random() > 0.5;
    FlipV = platform::Random() > 0.5;
    RenderBitmap->Canvas->SetupOrtho2D(SW, SH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Background rows are DIB rows: SW pixels apart.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, SW);

    const TRect screen{0, 0, SW, SH};
    TRect C = screen; // the previous frame's rectangle: the whole screen at first
    glEnable(GL_SCISSOR_TEST);
    PlayFrames(AnimationDuration, [&](DWORD elapsed, DWORD duration) {
        const float p = float(elapsed) / float(duration);
        // The frame is placed before anything is drawn, so that the scissor
        // box holds both the previous frame (to erase it) and this one (to
        // draw it). A box of the previous frame alone cut the mesh where it
        // outgrew that frame and sent stale pixels of the surface there to
        // the screen.
        TMeshFrame::TGrid grid;
        TRect F = PlaceMesh(p, grid).F;
        IntersectRect(&F, &F, &screen);
        TRect Box;
        UnionRect(&Box, &C, &F);
        if (Box.IsEmpty())
            Box = {C.Left, C.Top, C.Left + 1, C.Top + 1};
        glScissor(Box.Left, SH - Box.Bottom, Box.Width(), Box.Height());
        // The background is redrawn only inside the scissor box: only those
        // rows and columns are handed to GL, which otherwise converts the
        // whole screen every frame. Its rows are bottom-up, so they land
        // upright at the box's bottom-left corner. The fourth byte of a DIB
        // pixel is not an alpha, so the background goes in unblended (which
        // is also the cheaper path).
        glRasterPos2i(Box.Left, Box.Bottom);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, Box.Left);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, SH - Box.Bottom);
        glDisable(GL_BLEND);
        glDrawPixels(Box.Width(), Box.Height(), GL_BGRA, GL_UNSIGNED_BYTE, Background);
        glEnable(GL_BLEND);
        DrawMesh(p, grid);
        C = F;
        glFlush();
        glFinish();
        RenderBitmap->CopyRectTo(Box, ScreenDC, Box.Left, Box.Top);
        // A frame's GL errors are dropped here so that the final Unlock does
        // not report them; bounded, as a lost context may report forever.
        for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
        }
    });
}

TMeshFrame TGLFormAnimator::PlaceMesh(float Progress, TMeshFrame::TGrid& Grid)
{
    const float s = float(platform::Power(Progress, 0.5));
    TMeshFrame m;
    m.R1 = FrameRect(Clamp01(3 * s - 2));
    m.R2 = FrameRect(Clamp01(3 * s - 1));
    m.R3 = FrameRect(Clamp01(3 * s));
    m.FlipU = FlipU;
    m.FlipV = FlipV;
    UnionRect(&m.F, &m.R1, &m.R2);
    UnionRect(&m.F, &m.F, &m.R3);
    m.PlaceGrid(Grid);
    return m;
}

void TGLFormAnimator::DrawMesh(float Progress, const TMeshFrame::TGrid& Grid)
{
    // With GL_MODULATE and the blend function the form's opacity is p^0.5.
    glColor4f(1, 1, 1, float(platform::Power(Progress, 0.5)));
    // The texture holds the form bottom-up: t runs from the top row's
    // TexExtentT down to 0.
    const float ES = Texture->TexExtentS(), ET = Texture->TexExtentT();
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < MeshSize; ++i) {
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= MeshSize; ++j) {
            const float v = float(j) / MeshSize;
            for (const int k : {i, i + 1}) {
                glTexCoord2f(ES * float(k) / MeshSize, ET * (1 - v));
                glVertex2f(float(Grid[k][j].X), float(Grid[k][j].Y));
            }
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

} // namespace FormAnimator
