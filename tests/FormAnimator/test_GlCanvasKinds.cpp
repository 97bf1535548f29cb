// The canvas kinds on the real driver: the hidden window canvas, pbuffer and
// DIB-section canvases, their share groups and their release.

#include "FormAnimator/ArbPixelFormat.h"
#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/GlWindowedCanvas.h"

#include "GlTestSupport.h"

#include "platform/win32/Gdi.h"
#include "platform/win32/Wgl.h"

#include <GL/gl.h>

#include <cstring>

using namespace FormAnimator;
using namespace FormAnimator::testing;

class Kinds : public GlSuite {};

namespace {

TDIBCanvas* NewDIBCanvas(int Width, int Height, TGlPixelFormat* Format = nullptr)
{
    auto* canvas = new TDIBCanvas;
    canvas->CreateSurface(Width, Height, Format);
    return canvas;
}

// BGRA of pixel (x, y) of a bottom-up 32-bit DIB, y counted from the bottom.
uint32_t PixelAt(const TDIBCanvas* canvas, int width, int x, int y)
{
    uint32_t value;
    std::memcpy(&value, static_cast<const unsigned char*>(canvas->Bits) + (y * width + x) * 4, 4);
    return value & 0x00FFFFFF;
}

} // namespace

TEST_F(Kinds, TheHiddenWindowCanvasProbesTheDriver)
{
    TNullWindowedCanvas* null = NullWindowedCanvas;
    ASSERT_NE(null, nullptr);
    EXPECT_NE(null->Window, nullptr);
    EXPECT_NE(null->WindowClassAtom, 0);
    EXPECT_NE(null->ShareContext, nullptr);
    EXPECT_TRUE(null->HasExtensionsString);
    EXPECT_TRUE(null->HasPBuffer);
    EXPECT_TRUE(null->HasArbPixelFormat);
    EXPECT_NE(null->wglChoosePixelFormatARB, nullptr);
    EXPECT_NE(null->wglCreatePbufferARB, nullptr);
    EXPECT_NE(null->wglQueryPbufferARB, nullptr);
    EXPECT_EQ(null->GetSurfaceKind(), skWindow);
    EXPECT_EQ(null->GetShareCanvas(), static_cast<TGlCanvas*>(null));
    EXPECT_EQ(null->LockCount, 0u);
    // Chosen without the global: only the display's colour depth was asked for.
    EXPECT_EQ(null->GetColorBits(), 32);
}

TEST_F(Kinds, APbufferCanvasRendersAKnownColour)
{
    TPBufferCanvas* canvas = NewPBufferCanvas(16, 8);
    ASSERT_NE(canvas->PBuffer, nullptr);
    EXPECT_EQ(canvas->GetShareCanvas(), static_cast<TGlCanvas*>(NullWindowedCanvas));
    int width = 0;
    NullWindowedCanvas->wglQueryPbufferARB(canvas->PBuffer, win32::WGL_PBUFFER_WIDTH_ARB, &width);
    EXPECT_EQ(width, 16);
    // No descriptor: the pbuffer's format was fixed by the ARB choice.
    EXPECT_EQ(canvas->GetColorBits(), 0);
    EXPECT_FALSE(canvas->GetDoubleBuffered());
    unsigned char px[4] = {};
    WithLock(canvas, [&] {
        glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glReadPixels(15, 7, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    });
    EXPECT_EQ(px[0], 0);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_EQ(px[2], 255);
    FreeCanvas(canvas);
}

TEST_F(Kinds, ReleasingAPbufferTwiceOnlyZeroesTheDescriptorTheSecondTime)
{
    TPBufferCanvas* canvas = NewPBufferCanvas();
    canvas->ReleaseSurface();
    EXPECT_EQ(canvas->PBuffer, nullptr);
    EXPECT_EQ(canvas->DC, nullptr);
    EXPECT_EQ(canvas->Context, nullptr);
    canvas->PixelFormatDescriptor.cColorBits = 1;
    canvas->ReleaseSurface();
    EXPECT_EQ(canvas->PixelFormatDescriptor.cColorBits, 0);
    // The surface can be created again after a release.
    canvas->CreateSurface(4, 4, nullptr);
    EXPECT_NE(canvas->PBuffer, nullptr);
    FreeCanvas(canvas);
}

TEST_F(Kinds, CreatingASurfaceTwiceIsAnAssertionThatKeepsTheFirst)
{
    TPBufferCanvas* pbuffer = NewPBufferCanvas();
    win32::HPBUFFERARB first = pbuffer->PBuffer;
    win32::HDC firstDC = pbuffer->DC;
    ExpectAssertion([&] { pbuffer->CreateSurface(4, 4, nullptr); }, "Context already created");
    EXPECT_EQ(pbuffer->PBuffer, first);
    EXPECT_EQ(pbuffer->DC, firstDC);
    EXPECT_EQ(NullWindowedCanvas->LockCount, 0u);
    FreeCanvas(pbuffer);

    TDIBCanvas* dib = NewDIBCanvas(2, 2);
    win32::HBITMAP section = dib->DIBSection;
    ExpectAssertion([&] { dib->CreateSurface(4, 4, nullptr); }, "Context already created");
    EXPECT_EQ(dib->DIBSection, section);
    FreeCanvas(dib);
}

TEST_F(Kinds, WithoutArbPixelFormatNoPbufferCanBeMade)
{
    NullWindowedCanvas->HasArbPixelFormat = false;
    TGlPixelFormat format;
    EXPECT_EQ(SelectArbPixelFormat(&format, skPBuffer, nullptr), -1);
    auto* canvas = new TPBufferCanvas;
    ExpectGlError([&] { canvas->CreateSurface(8, 8, &format); }, TPBufferCanvas::NoPixelFormatMessage);
    EXPECT_EQ(canvas->PBuffer, nullptr);
    EXPECT_EQ(NullWindowedCanvas->LockCount, 0u);
    // DIB canvases fall back on the legacy choice.
    TDIBCanvas* dib = NewDIBCanvas(2, 2);
    EXPECT_TRUE(dib->PixelFormatDescriptor.dwFlags & win32::PFD_DRAW_TO_BITMAP);
    NullWindowedCanvas->HasArbPixelFormat = true;
    FreeCanvas(dib);
    FreeCanvas(canvas);
}

TEST_F(Kinds, APbufferTooLargeForTheDriverIsAMemoryError)
{
    auto* canvas = new TPBufferCanvas;
    ExpectGlError([&] { canvas->CreateSurface(1 << 20, 1 << 20, nullptr); }, TPBufferCanvas::NoMemoryMessage);
    EXPECT_EQ(canvas->PBuffer, nullptr);
    FreeCanvas(canvas);
}

TEST_F(Kinds, ADibCanvasRendersIntoItsBitsBottomUp)
{
    constexpr int w = 8, h = 4;
    TDIBCanvas* canvas = NewDIBCanvas(w, h);
    ASSERT_NE(canvas->Bits, nullptr);
    EXPECT_TRUE(canvas->PixelFormatDescriptor.dwFlags & win32::PFD_DRAW_TO_BITMAP);
    EXPECT_TRUE(canvas->PixelFormatDescriptor.dwFlags & win32::PFD_SUPPORT_GDI);
    WithLock(canvas, [&] {
        canvas->SetupOrtho2D(w, h);
        glClearColor(1, 0, 0, 1); // red everywhere
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0, 0, 1);
        glRecti(0, 0, w, 1); // blue top row (window coordinates)
    });
    EXPECT_EQ(PixelAt(canvas, w, 3, 0), 0xFF0000u); // bottom row: red (B G R in memory)
    EXPECT_EQ(PixelAt(canvas, w, 3, h - 1), 0x0000FFu); // top row: blue
    FreeCanvas(canvas);
}

TEST_F(Kinds, DibBitsFollowGdiFlushInsideALock)
{
    TDIBCanvas* canvas = NewDIBCanvas(2, 2);
    canvas->Lock();
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    win32::GdiFlush();
    EXPECT_EQ(PixelAt(canvas, 2, 1, 1), 0x00FF00u);
    canvas->Unlock();
    FreeCanvas(canvas);
}

TEST_F(Kinds, DibCanvasesWithOneDescriptionShareOneHiddenCanvasAndTextures)
{
    int groups = NullDIBCanvases->Count();
    TDIBCanvas* a = NewDIBCanvas(4, 4);
    TDIBCanvas* b = NewDIBCanvas(16, 2);
    EXPECT_EQ(NullDIBCanvases->Count(), groups == 0 ? 1 : groups);
    ASSERT_NE(a->ShareCanvas, nullptr);
    EXPECT_EQ(a->ShareCanvas, b->ShareCanvas);
    EXPECT_EQ(a->GetShareCanvas(), static_cast<TGlCanvas*>(a->ShareCanvas));
    EXPECT_EQ(a->ShareCanvas->GetShareCanvas(), nullptr);

    GLuint name = 0;
    WithLock(a, [&] {
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        const unsigned char texel[4] = {1, 2, 3, 4};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    });
    GLboolean seen = GL_FALSE;
    WithLock(b, [&] { seen = glIsTexture(name); });
    EXPECT_TRUE(seen);

    // A description whose format cannot share with the existing group gets
    // a hidden canvas of its own, which does not see the group's textures.
    TGlPixelFormat deep;
    deep.SetDesiredDepthBits(24);
    TDIBCanvas* c = NewDIBCanvas(4, 4, &deep);
    EXPECT_GE(c->GetDepthBits(), 24);
    EXPECT_NE(c->ShareCanvas, a->ShareCanvas);
    EXPECT_EQ(NullDIBCanvases->Count(), (groups == 0 ? 1 : groups) + 1);
    WithLock(c, [&] { seen = glIsTexture(name); });
    EXPECT_FALSE(seen);
    TDIBCanvas* d = NewDIBCanvas(4, 4, &deep);
    EXPECT_EQ(d->ShareCanvas, c->ShareCanvas);

    WithLock(a, [&] { glDeleteTextures(1, &name); });
    for (TDIBCanvas* canvas : {a, b, c, d})
        FreeCanvas(canvas);
}

TEST_F(Kinds, NestedDibLocksLeaveTheSelectedBitmapAlone)
{
    TDIBCanvas* dib = NewDIBCanvas(2, 2);
    TPBufferCanvas* other = NewPBufferCanvas();
    dib->Lock();
    EXPECT_EQ(dib->PreviousBitmap, dib->DIBSection); // creation left it selected
    // A marker in PreviousBitmap shows whether an inner level selects again.
    win32::HGDIOBJ marker = reinterpret_cast<win32::HGDIOBJ>(0x1);
    dib->PreviousBitmap = marker;
    dib->Lock();
    other->Lock();
    dib->Lock(); // made current again at level 3
    EXPECT_EQ(dib->PreviousBitmap, marker);
    dib->Unlock();
    other->Unlock();
    dib->Unlock();
    EXPECT_EQ(dib->PreviousBitmap, marker);
    dib->PreviousBitmap = dib->DIBSection;
    dib->Unlock();
    // The DIB section is still the DC's bitmap after the outermost unlock.
    EXPECT_EQ(win32::SelectObject(dib->DC, dib->DIBSection), dib->DIBSection);
    FreeCanvas(other);
    FreeCanvas(dib);
}

TEST_F(Kinds, ReleasingADibSurfaceFreesItsDcAndSection)
{
    TDIBCanvas* canvas = NewDIBCanvas(3, 3);
    win32::HBITMAP section = canvas->DIBSection;
    canvas->ReleaseSurface();
    EXPECT_EQ(canvas->DC, nullptr);
    EXPECT_EQ(canvas->DIBSection, nullptr);
    EXPECT_EQ(canvas->Bits, nullptr);
    EXPECT_FALSE(win32::DeleteObject(section)); // already gone
    canvas->ReleaseSurface();
    delete canvas;
}

TEST_F(Kinds, ContextsOfPbuffersJoinTheHiddenWindowsGroup)
{
    TPBufferCanvas* a = NewPBufferCanvas();
    TGlPixelFormat deep;
    deep.SetDesiredDepthBits(24);
    deep.SetDesiredStencilBits(8);
    TPBufferCanvas* b = NewPBufferCanvas(8, 8, &deep);
    GLuint name = 0;
    WithLock(NullWindowedCanvas, [&] { glGenTextures(1, &name); glBindTexture(GL_TEXTURE_2D, name); });
    GLboolean inA = GL_FALSE, inB = GL_FALSE;
    WithLock(a, [&] { inA = glIsTexture(name); });
    WithLock(b, [&] {
        inB = glIsTexture(name);
        GLint stencil = 0;
        glGetIntegerv(GL_STENCIL_BITS, &stencil);
        EXPECT_GE(stencil, 8);
    });
    EXPECT_TRUE(inA);
    EXPECT_TRUE(inB);
    WithLock(NullWindowedCanvas, [&] { glDeleteTextures(1, &name); });
    FreeCanvas(a);
    FreeCanvas(b);
}

TEST_F(Kinds, OffscreenKindsCreateTheirSurfaceThroughTheSharedSlot)
{
    for (TGlCanvas* canvas : {static_cast<TGlCanvas*>(new TPBufferCanvas), static_cast<TGlCanvas*>(new TDIBCanvas)}) {
        canvas->CreateSurface(4, 2, nullptr);
        EXPECT_NE(canvas->Context, nullptr) << canvas->GetSurfaceKind();
        FreeCanvas(canvas);
    }
    ExpectAssertion([] { NullWindowedCanvas->CreateSurface(4, 2, nullptr); },
                    "Invalid use of CreateSurface: the canvas has no offscreen surface");
}
