// Tiled textures on the real Mesa driver: the layout with and without
// non-power-of-two sizes, scaling and tiling of wide images, the lazy life
// cycle, and the GL state a texture leaves behind.

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/GlTexture.h"
#include "FormAnimator/GlWindowedCanvas.h"

#include "GlTestSupport.h"

#include "platform/win32/Gdi.h"

#include <GL/gl.h>

#include <vector>

using namespace FormAnimator;
using namespace FormAnimator::testing;

class Textures : public GlSuite {
protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (!IsSkipped())
            Canvas = NewPBufferCanvas();
    }
    void TearDown() override
    {
        if (NullWindowedCanvas)
            NullWindowedCanvas->NonPowerOfTwoTextures = true;
        FreeCanvas(Canvas);
    }

    TPBufferCanvas* Canvas = nullptr;
};

namespace {

// A bottom-up BGR image whose pixel at column x holds x in blue (low byte)
// and green (high byte), and the row number in red.
std::vector<unsigned char> ColumnImage(int Width, int Height)
{
    const int stride = ScanLineBytes(Width * 24);
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            unsigned char* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<unsigned char>(x & 0xFF);
            p[1] = static_cast<unsigned char>(x >> 8);
            p[2] = static_cast<unsigned char>(y);
        }
    return pixels;
}

// Level 0 of a texture name as BGR rows, read in the share group.
std::vector<unsigned char> TexelsOf(GLuint Name, int Width, int Height)
{
    std::vector<unsigned char> texels(static_cast<size_t>(ScanLineBytes(Width * 24)) * Height);
    WithLock(NullWindowedCanvas, [&] {
        glBindTexture(GL_TEXTURE_2D, Name);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    });
    return texels;
}

int ColumnAt(const std::vector<unsigned char>& Texels, int X) { return Texels[X * 3] | Texels[X * 3 + 1] << 8; }

} // namespace

TEST_F(Textures, WorkOnTheShareCanvasOrOnTheDibCanvasItself)
{
    TGl2DTexture onPbuffer(Canvas);
    EXPECT_EQ(onPbuffer.Canvas, static_cast<TGlCanvas*>(NullWindowedCanvas));
    EXPECT_EQ(onPbuffer.Depth, 1);
    EXPECT_EQ(onPbuffer.SurfaceCount, 0);
    auto* dib = new TDIBCanvas;
    dib->CreateSurface(4, 4, nullptr);
    {
        TGl2DTexture onDib(dib);
        EXPECT_EQ(onDib.Canvas, static_cast<TGlCanvas*>(dib));
    }
    FreeCanvas(dib);
    EXPECT_THROW(
        try { TGl2DTexture none(nullptr); } catch (const platform::EAssertionFailed& e) {
            EXPECT_STREQ(e.what(), "Assertion failure (FormAnimator/GlTexture, line 261)");
            throw;
        },
        platform::EAssertionFailed);
}

TEST_F(Textures, An800By600ImageFillsOneSurfaceSizedByTheDriversAbilities)
{
    struct Case {
        bool anySize;
        int surface[2];
        float s, t;
    };
    const std::vector<unsigned char> image = ColumnImage(800, 600);
    for (Case c : {Case{false, {1024, 1024}, 0.78125f, 0.5859375f}, Case{true, {800, 600}, 1.0f, 1.0f}}) {
        NullWindowedCanvas->NonPowerOfTwoTextures = c.anySize;
        TGl2DTexture texture(Canvas);
        texture.LoadFromMemory(tfBGR, 0, 0, 800, 600, 1, image.data(), 800);
        EXPECT_EQ(texture.SurfaceCount, 1);
        EXPECT_EQ(texture.Extent[0], 800);
        EXPECT_EQ(texture.Extent[1], 600);
        EXPECT_EQ(texture.Extent[2], 1);
        EXPECT_EQ(texture.TileSizes[0][0], c.surface[0]);
        EXPECT_EQ(texture.TileSizes[1][0], c.surface[1]);
        EXPECT_FLOAT_EQ(texture.TexExtentS(), c.s);
        EXPECT_FLOAT_EQ(texture.TexExtentT(), c.t);
        GLint width = 0;
        WithLock(NullWindowedCanvas, [&] {
            glBindTexture(GL_TEXTURE_2D, texture.TextureNames[0]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            glBindTexture(GL_TEXTURE_2D, 0);
        });
        EXPECT_EQ(width, c.surface[0]);
        // The covered part holds the image unscaled.
        const std::vector<unsigned char> texels = TexelsOf(texture.TextureNames[0], c.surface[0], c.surface[1]);
        EXPECT_EQ(ColumnAt(texels, 799), 799);
    }
}

TEST_F(Textures, AWideImageIsScaledIntoOneTileOrSpreadOverTwo)
{
    const std::vector<unsigned char> image = ColumnImage(5000, 2);

    // Fit: the driver takes 8192, but tiles stop below 6400.
    TGl2DTexture fit(Canvas);
    fit.LoadFromMemory(tfBGR, 0, 0, 5000, 2, 1, image.data(), 5000);
    EXPECT_EQ(fit.SurfaceCount, 1);
    EXPECT_EQ(fit.Extent[0], 4096);
    EXPECT_EQ(fit.TileSizes[0][0], 4096);
    std::vector<unsigned char> texels = TexelsOf(fit.TextureNames[0], 4096, 2);
    EXPECT_NEAR(ColumnAt(texels, 0), 0, 2);
    EXPECT_NEAR(ColumnAt(texels, 2048), 2500, 4);
    EXPECT_NEAR(ColumnAt(texels, 4095), 4999, 4);
    EXPECT_NO_THROW(fit.Bind());

    // Tile: two columns of tiles, the second covering the remaining 904.
    TGl2DTexture tiled(Canvas);
    tiled.SizePolicy[0] = TGlTexture::spTile;
    tiled.LoadFromMemory(tfBGR, 0, 0, 5000, 2, 1, image.data(), 5000);
    EXPECT_EQ(tiled.SurfaceCount, 2);
    EXPECT_EQ(tiled.TileCount[0], 2);
    EXPECT_EQ(tiled.TileOffsets[0], (std::vector<int32_t>{0, 4096, 5000}));
    EXPECT_EQ(tiled.TileSizes[0], (std::vector<int32_t>{4096, 904}));
    texels = TexelsOf(tiled.TextureNames[1], 904, 2);
    EXPECT_EQ(ColumnAt(texels, 0), 4096);
    EXPECT_EQ(ColumnAt(texels, 903), 4999);
    try {
        tiled.Bind();
        ADD_FAILURE() << "a texture of two surfaces was bound";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Cannot bind multi-surface texture");
    }
}

TEST_F(Textures, SurfacesAreMadeLazilyAndRenewedOnlyForANewSize)
{
    TGl2DTexture texture(Canvas);
    // No size yet: the layout cannot find a power of two for 0.
    ExpectAssertion([&] { texture.Bind(); }, "Assertion failure");
    EXPECT_EQ(NullWindowedCanvas->LockCount, 0u);

    const std::vector<unsigned char> image = ColumnImage(64, 32);
    texture.LoadFromMemory(tfBGR, 0, 0, 64, 32, 1, image.data(), 64);
    const std::vector<uint32_t> first = texture.TextureNames;
    texture.LoadFromMemory(tfBGR, 0, 0, 64, 32, 1, image.data(), 64);
    EXPECT_EQ(texture.TextureNames, first);
    EXPECT_TRUE(texture.Allocated);

    texture.SetWidth(32);
    EXPECT_FALSE(texture.LaidOut);
    EXPECT_EQ(texture.SurfaceCount, 0);
    GLboolean stillThere = GL_TRUE;
    WithLock(NullWindowedCanvas, [&] { stillThere = glIsTexture(first[0]); });
    EXPECT_FALSE(stillThere);
    texture.LoadFromMemory(tfBGR, 0, 0, 32, 32, 1, image.data(), 64);
    EXPECT_TRUE(texture.Allocated);
    EXPECT_EQ(texture.Extent[0], 32);
}

TEST_F(Textures, LayoutFailuresAreReportedAndLeaveNoLockOrStateBehind)
{
    // A driver that refuses every size, down to 1 x 1.
    class TRefused : public TGl2DTexture {
    public:
        using TGl2DTexture::TGl2DTexture;
        void ProxyImage(int32_t, int32_t, int32_t) override { TGl2DTexture::ProxyImage(1 << 20, 1 << 20, 1); }
    };
    TRefused refused(Canvas);
    refused.SetWidth(100);
    refused.SetHeight(100);
    GLint alignment = 0, rowLength = 0;
    NullWindowedCanvas->Lock();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    try {
        refused.Allocate();
        ADD_FAILURE() << "no texture size was accepted, yet no failure";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Hardware could not accomodate required texture size");
    }
    // A policy outside the table covers nothing: no tile.
    TGl2DTexture unknown(Canvas);
    unknown.SizePolicy[1] = 9;
    const std::vector<unsigned char> image = ColumnImage(4, 4);
    try {
        unknown.LoadFromMemory(tfBGR, 0, 0, 4, 4, 1, image.data(), 4);
        ADD_FAILURE() << "no assertion failure";
    } catch (const platform::EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Assertion failure (FormAnimator/GlTexture, line 219)");
    }
    // A successful load leaves the caller's pixel-store state as it was too.
    TGl2DTexture texture(Canvas);
    texture.LoadFromMemory(tfBGR, 1, 1, 2, 2, 1, image.data(), 4);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    EXPECT_EQ(NullWindowedCanvas->LockCount, 1u);
    NullWindowedCanvas->Unlock();
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(rowLength, 7);
    EXPECT_EQ(ColumnAt(TexelsOf(texture.TextureNames[0], 2, 2), 0), 1);
}

TEST_F(Textures, ScalingReadsOnlyAsManyBytesPerPixelAsTheFormatHas)
{
    // One byte per pixel, scaled up: reading three would run past the rows.
    const int w = 5, h = 3, stride = 8;
    std::vector<unsigned char> grey(static_cast<size_t>(stride) * h, 0x80);
    TGl2DTexture texture(Canvas);
    texture.SizePolicy[0] = texture.SizePolicy[1] = TGlTexture::spScaleUp;
    NullWindowedCanvas->NonPowerOfTwoTextures = false;
    texture.LoadFromMemory(tfLuminance, 0, 0, w, h, 1, grey.data(), w);
    EXPECT_EQ(texture.Extent[0], 8);
    EXPECT_EQ(texture.Extent[1], 4);
    std::vector<unsigned char> texels(8 * 4 * 4);
    WithLock(NullWindowedCanvas, [&] {
        glBindTexture(GL_TEXTURE_2D, texture.TextureNames[0]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    });
    EXPECT_EQ(texels[0], 0x80);
    EXPECT_EQ(texels[31], 0x80);
}

TEST_F(Textures, ABitmapRectangleLoadsFromItsLeftEdgeAndDrawsRightSideUp)
{
    // An 8 x 4 form image whose pixel (x, y from the top) holds x in blue
    // and y in green.
    win32::BITMAPINFO info = DIBInfo(8, 4, 32);
    win32::HDC dc = win32::CreateCompatibleDC(nullptr);
    void* memory = nullptr;
    win32::HBITMAP image = win32::CreateDIBSection(dc, &info, win32::DIB_RGB_COLORS, &memory, nullptr, 0);
    ASSERT_NE(image, nullptr);
    auto* pixels = static_cast<uint32_t*>(memory);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            pixels[(3 - y) * 8 + x] = 0x800000u | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(x);

    TGl2DTexture texture(Canvas);
    texture.LoadFromBitmap(dc, image, win32::TRect{3, 0, 7, 4});
    win32::DeleteDC(dc);
    win32::DeleteObject(image);
    EXPECT_EQ(texture.Width, 4);
    EXPECT_EQ(texture.Height, 4);

    // Drawn the way the animator draws it: the image's top at y = 0.
    unsigned char shown[4 * 4 * 4] = {};
    WithLock(Canvas, [&] {
        Canvas->SetupOrtho2D(4, 4);
        glEnable(GL_TEXTURE_2D);
        texture.Bind();
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        const float s = texture.TexExtentS(), t = texture.TexExtentT();
        glBegin(GL_QUADS);
        glTexCoord2f(0, t), glVertex2i(0, 0);
        glTexCoord2f(s, t), glVertex2i(4, 0);
        glTexCoord2f(s, 0), glVertex2i(4, 4);
        glTexCoord2f(0, 0), glVertex2i(0, 4);
        glEnd();
        glReadPixels(0, 0, 4, 4, GL_BGRA, GL_UNSIGNED_BYTE, shown);
    });
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const unsigned char* p = &shown[((3 - y) * 4 + x) * 4]; // GL rows from the bottom
            EXPECT_EQ(p[0], 3 + x) << x << "," << y;
            EXPECT_EQ(p[1], y) << x << "," << y;
            EXPECT_EQ(p[2], 0x80) << x << "," << y;
        }
}
