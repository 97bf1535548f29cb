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
#include <exception>
#include <memory>
#include <vector>

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
    MakeSurface(ScreenWidth(), ScreenHeight());
}

TGLFormAnimator::TGLFormAnimator(int32_t Width, int32_t Height) { MakeSurface(Width, Height); }

void TGLFormAnimator::MakeSurface(int32_t Width, int32_t Height)
{
    std::unique_ptr<TGlBitmap> bitmap(new TGlBitmap);
    bitmap->SetWidth(Width);
    bitmap->SetHeight(Height);
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
    // Whatever happens: the capture's bitmaps back in their DCs and the
    // pixels freed. The last frame, the form in its place, stays on the
    // screen until the form has painted itself there; an animation that
    // failed half-way puts the screen back as it was instead.
    struct TRestore {
        TGLFormAnimator& a;
        void* pixels;
        int SW, SH;
        int unwinding = std::uncaught_exceptions();
        ~TRestore() noexcept(false)
        {
            SelectObject(a.BackDC, a.BackBitmap);
            SelectObject(a.FormDC, a.FormBitmap);
            if (std::uncaught_exceptions() > unwinding)
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
    BeginFrames(SW, SH);
    // The previous frame's rectangle: none before the first frame. The
    // surface's pixels outside the frames' boxes never reach the screen,
    // which shows the snapshot there, so the first frame, like every other,
    // draws and copies only its own box.
    TRect C{0, 0, 0, 0};
    PlayFrames(AnimationDuration, [&](DWORD elapsed, DWORD duration) {
        const TRect Box = DrawFrame(float(elapsed) / float(duration), Background, C, SW, SH);
        RenderBitmap->CopyRectTo(Box, ScreenDC, Box.Left, Box.Top);
        DropGlErrors();
    });
}

void TGLFormAnimator::BeginFrames(int32_t SW, int32_t SH)
{
    RenderBitmap->Canvas->SetupOrtho2D(SW, SH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Background rows are DIB rows: SW pixels apart.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, SW);
    glEnable(GL_SCISSOR_TEST);
}

TRect TGLFormAnimator::DrawFrame(float Progress, const void* Background, TRect& Previous, int32_t SW, int32_t SH)
{
    const TRect screen{0, 0, SW, SH};
    // The frame is placed before anything is drawn, so that the scissor box
    // holds both the previous frame (to erase it) and this one (to draw it).
    // A box of the previous frame alone cut the mesh where it outgrew that
    // frame and sent stale pixels of the surface there to the screen.
    TMeshFrame::TGrid grid;
    TRect F = PlaceMesh(Progress, grid).F;
    IntersectRect(&F, &F, &screen);
    TRect Box;
    UnionRect(&Box, &Previous, &F);
    if (Box.IsEmpty())
        Box = {Previous.Left, Previous.Top, Previous.Left + 1, Previous.Top + 1};
    glScissor(Box.Left, SH - Box.Bottom, Box.Width(), Box.Height());
    // The background is redrawn only inside the scissor box: only those rows
    // and columns are handed to GL, which otherwise converts the whole screen
    // every frame. Its rows are bottom-up, so they land upright at the box's
    // bottom-left corner. The fourth byte of a DIB pixel is not an alpha, so
    // the background goes in unblended (which is also the cheaper path).
    glRasterPos2i(Box.Left, Box.Bottom);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, Box.Left);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, SH - Box.Bottom);
    glDisable(GL_BLEND);
    glDrawPixels(Box.Width(), Box.Height(), GL_BGRA, GL_UNSIGNED_BYTE, Background);
    glEnable(GL_BLEND);
    DrawMesh(Progress, grid);
    Previous = F;
    glFlush();
    glFinish();
    return Box;
}

void TGLFormAnimator::DropGlErrors()
{
    // A frame's GL errors are dropped so that the final Unlock does not
    // report them; bounded, as a lost context may report forever.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

namespace {

std::unique_ptr<TGLFormAnimator>& PreparedSlot()
{
    static std::unique_ptr<TGLFormAnimator> prepared;
    return prepared;
}

} // namespace

void TGLFormAnimator::Prepare(int32_t Width, int32_t Height)
{
    auto animator = std::make_unique<TGLFormAnimator>(Width, Height);
    // A form of Size x Size in the screen's bottom-left corner, where the
    // background's rows are the first ones of its buffer: the frame draws
    // the background, the textured mesh with blending, and is read back, as
    // every real frame does, only a few pixels of each.
    constexpr int Size = 8;
    TGLFormAnimator& a = *animator;
    a.StartBounds = a.EndBounds = TRect{0, Height - Size, Size, Height};
    const std::vector<uint32_t> background(size_t(Width) * Size, 0xFF336699u);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP form = CreateCompatibleBitmap(dc, Size, Size);
    const HGDIOBJ old = SelectObject(dc, form);
    struct TRelease {
        HDC dc;
        HBITMAP form;
        HGDIOBJ old;
        ~TRelease()
        {
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(form);
        }
    } release{dc, form, old};
    WithLock(a.RenderBitmap->Canvas, [&] {
        a.Texture->LoadFromBitmap(dc, form, TRect{0, 0, Size, Size});
        a.Texture->Bind();
        a.BeginFrames(Width, Height);
        TRect previous = a.EndBounds;
        const TRect box = a.DrawFrame(0.5f, background.data(), previous, Width, Height);
        a.RenderBitmap->CopyRectTo(box, dc, 0, 0);
        DropGlErrors();
    });
    PreparedSlot() = std::move(animator);
}


std::unique_ptr<TFormAnimator> TGLFormAnimator::TakePrepared() { return std::move(PreparedSlot()); }

void TGLFormAnimator::DropPrepared() { PreparedSlot().reset(); }

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
