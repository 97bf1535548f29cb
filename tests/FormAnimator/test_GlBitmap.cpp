// The GL bitmap on the real Mesa driver: its surface life cycle, copies from
// either kind of surface with GL's bottom-left origin turned into the
// device's top-left one, and its place in the picture framework.

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/GlBitmap.h"
#include "FormAnimator/GlWindowedCanvas.h"

#include "GlTestSupport.h"

#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"

#include "support/MemoryDC.h"
#include "support/ScratchFolder.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <fstream>

using namespace FormAnimator;
using namespace FormAnimator::testing;

class Bitmaps : public GlSuite {};

namespace {

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, Untouched = 0x123456;

// A memory DC holding a top-down 32-bit DIB section filled with Untouched.
struct TTarget : support::MemoryDC {
    TTarget(int Width, int Height) : MemoryDC(Width, Height, TopDownDib{})
    {
        std::fill_n(bits, Width * Height, Untouched);
    }
};

struct TProbe {
    int x, y;
    uint32_t colour;
};

void ExpectPixels(const TTarget& Target, std::initializer_list<TProbe> Probes)
{
    for (TProbe p : Probes)
        EXPECT_EQ(Target.At(p.x, p.y), p.colour) << "at " << p.x << ", " << p.y;
}

// Blue everywhere but the top four rows: two green columns, then red.
void Paint(TGlBitmap& Bitmap)
{
    WithLock(Bitmap.Canvas, [&] {
        Bitmap.Canvas->SetupOrtho2D(Bitmap.Width, Bitmap.Height);
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 0, 0);
        glRecti(2, 0, Bitmap.Width, 4);
        glColor3f(0, 1, 0);
        glRecti(0, 0, 2, 4);
    });
}

} // namespace

TEST_F(Bitmaps, ASurfaceExistsOnlyOnceBothDimensionsAreSet)
{
    TGlBitmap bitmap;
    EXPECT_TRUE(bitmap.GetEmpty());
    EXPECT_FALSE(bitmap.HasSurface());
    EXPECT_EQ(bitmap.Canvas->GetSurfaceKind(), skPBuffer);
    TTarget target(4, 4);
    bitmap.Draw(target.dc, win32::TRect{0, 0, 4, 4});
    EXPECT_EQ(target.At(0, 0), Untouched);

    bitmap.SetWidth(32);
    EXPECT_TRUE(bitmap.GetEmpty());
    EXPECT_FALSE(bitmap.HasSurface());
    bitmap.Draw(target.dc, win32::TRect{0, 0, 4, 4});
    EXPECT_EQ(target.At(3, 3), Untouched);

    bitmap.SetHeight(16);
    EXPECT_FALSE(bitmap.GetEmpty());
    ASSERT_TRUE(bitmap.HasSurface());
    int width = 0;
    auto* pbuffer = static_cast<TPBufferCanvas*>(bitmap.Canvas);
    NullWindowedCanvas->wglQueryPbufferARB(pbuffer->PBuffer, win32::WGL_PBUFFER_WIDTH_ARB, &width);
    EXPECT_EQ(width, 32);
    win32::HPBUFFERARB first = pbuffer->PBuffer;
    bitmap.SetHeight(16); // the same size keeps the surface
    EXPECT_EQ(pbuffer->PBuffer, first);
    bitmap.SetWidth(0);
    EXPECT_FALSE(bitmap.HasSurface());
}

TEST_F(Bitmaps, TheTopOfEitherSurfaceKindIsCopiedAtItsSizeAndStretched)
{
    for (bool pbuffers : {true, false}) {
        SCOPED_TRACE(pbuffers ? "pbuffer" : "DIB section");
        NullWindowedCanvas->HasPBuffer = pbuffers;
        TGlBitmap bitmap;
        NullWindowedCanvas->HasPBuffer = true;
        EXPECT_EQ(bitmap.Canvas->GetSurfaceKind(), pbuffers ? skPBuffer : skBitmap);
        bitmap.SetWidth(32);
        bitmap.SetHeight(16);
        Paint(bitmap);
        const win32::TRect source{0, 0, 8, 6};

        TTarget copy(16, 12);
        bitmap.CopyRectTo(source, copy.dc, 2, 3);
        ExpectPixels(copy, {{2, 3, Green}, {4, 3, Red}, {9, 6, Red}, {4, 7, Blue}, {9, 8, Blue}, {10, 3, Untouched},
                            {2, 9, Untouched}, {1, 3, Untouched}});
        TTarget stretched(16, 12);
        bitmap.CopyRect(source, stretched.dc, win32::TRect{0, 0, 16, 12});
        ExpectPixels(stretched, {{1, 1, Green}, {15, 0, Red}, {8, 7, Red}, {8, 8, Blue}, {8, 11, Blue}});

        // Nothing to read in an empty source.
        TTarget none(2, 2);
        bitmap.CopyRectTo(win32::TRect{3, 3, 3, 3}, none.dc, 0, 0);
        EXPECT_EQ(none.At(0, 0), Untouched);
        EXPECT_EQ(bitmap.Canvas->LockCount, 0u);
    }
}

TEST_F(Bitmaps, AGlbFileLoadsAsAnEmptyBitmap)
{
    support::ScratchFolder folder;
    TPicture picture;
    picture.LoadFromFile(folder.Write("form.GLB", std::string("anything")));
    auto* bitmap = dynamic_cast<TGlBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(bitmap->GetEmpty());
    EXPECT_FALSE(bitmap->HasSurface());
    bool listed = false;
    for (const TPicture::TFileFormat& format : TPicture::FileFormats())
        listed |= format.Extension == ".glb" && format.Description == "GL bitmaps";
    EXPECT_TRUE(listed);
}
