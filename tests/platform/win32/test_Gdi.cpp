#include "gfx/Raster.h"
#include "platform/win32/Win32.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace win32;

namespace {

BITMAPINFO Header(int width, int height, int bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    return info;
}

// A memory DC with a black 32-bit bitmap of the given size selected.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    int width, height;
    Canvas(int w, int h, HBITMAP given = nullptr) : width(w), height(h)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = given ? given : CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    // 0xRRGGBB of every pixel, top-down.
    std::vector<uint32_t> Pixels() const
    {
        std::vector<uint32_t> p(static_cast<size_t>(width) * height);
        BITMAPINFO info = Header(width, -height, 32);
        EXPECT_EQ(GetDIBits(dc, bitmap, 0, height, p.data(), &info, DIB_RGB_COLORS), height);
        for (uint32_t& v : p)
            v &= 0xFFFFFF;
        return p;
    }
    uint32_t At(int x, int y) const { return Pixels()[static_cast<size_t>(y) * width + x]; }
    void Fill(COLORREF c, RECT r)
    {
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    std::string Picture() const
    {
        std::string s;
        auto p = Pixels();
        for (int y = 0; y < height; ++y, s += '\n')
            for (int x = 0; x < width; ++x)
                s += p[static_cast<size_t>(y) * width + x] ? '#' : '.';
        return s;
    }
};

// An in-memory screen that counts what happens to it.
struct TestScreen : ScreenDevice {
    gfx::Bitmap image{8, 6, gfx::PixelFormat::Bgrx32};
    int draws = 0, ends = 0;
    gfx::Size Size() override { return {image.Width(), image.Height()}; }
    void Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) override
    {
        gfx::Copy(into, at, image, area);
    }
    void Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at) override
    {
        ++draws;
        gfx::Copy(image, at, pixels, from);
    }
    void EndDrawing() override { ++ends; }
};

} // namespace

TEST(GdiBlits, CopyExactlyThroughViewportsAndClipRegions)
{
    Canvas src(4, 4), dst(4, 4);
    src.Fill(RGB(255, 0, 0), {0, 0, 4, 4});
    src.Fill(RGB(0, 0, 255), {1, 1, 2, 2});
    POINT old{};
    ASSERT_TRUE(SetViewportOrgEx(src.dc, 1, 1, &old));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, SRCCOPY)); // reads device (1, 1)
    EXPECT_EQ(dst.At(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.At(1, 1), 0xFF0000u);
    EXPECT_EQ(dst.At(2, 2), 0u);
    SetViewportOrgEx(src.dc, 0, 0, nullptr);

    // Clip to the 4 x 4 square minus its inner 2 x 2: a frame.
    dst.Fill(0, {0, 0, 4, 4});
    HRGN all = CreateRectRgn(0, 0, 4, 4), hole = CreateRectRgn(3, 3, 1, 1);
    EXPECT_EQ(CombineRgn(all, all, hole, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(SelectClipRgn(dst.dc, all), COMPLEXREGION);
    DeleteObject(all);
    DeleteObject(hole);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Picture(), "####\n#..#\n#..#\n####\n");
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 0x00EE0086)); // SRCPAINT
}

TEST(GdiBlits, StretchModesChooseNearestOrSmooth)
{
    Canvas src(2, 1), dst(4, 1);
    src.Fill(RGB(255, 255, 255), {1, 0, 2, 1});
    EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(dst.Picture(), "..##\n");
    EXPECT_EQ(SetStretchBltMode(dst.dc, HALFTONE), COLORONCOLOR);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY));
    uint32_t between = dst.At(1, 0) & 0xFF;
    EXPECT_GT(between, 0u);
    EXPECT_LT(between, 255u);
    EXPECT_EQ(SetStretchBltMode(dst.dc, 9), 0);
}

TEST(GdiBlits, UnknownDcsAndObjectsGiveZeroAndInvalidHandle)
{
    int junk = 0;
    auto bad = reinterpret_cast<HDC>(&junk);
    Canvas good(2, 2);
    RECT r{0, 0, 1, 1};
    POINT corners[3] = {{0, 0}, {1, 0}, {0, 1}};
    const int results[] = {
        SetStretchBltMode(bad, HALFTONE),
        StretchBlt(bad, 0, 0, 1, 1, good.dc, 0, 0, 1, 1, SRCCOPY),
        StretchBlt(good.dc, 0, 0, 1, 1, bad, 0, 0, 1, 1, SRCCOPY),
        BitBlt(good.dc, 0, 0, 1, 1, bad, 0, 0, SRCCOPY),
        PlgBlt(good.dc, corners, bad, 0, 0, 1, 1, nullptr, 0, 0),
        AlphaBlend(bad, 0, 0, 1, 1, good.dc, 0, 0, 1, 1, {AC_SRC_OVER, 0, 9, 0}),
        FillRect(good.dc, &r, reinterpret_cast<HBRUSH>(&junk)),
        Polygon(bad, corners, 3),
        SelectClipRgn(good.dc, reinterpret_cast<HRGN>(&junk)),
        SetViewportOrgEx(bad, 0, 0, nullptr),
    };
    for (int result : results)
        EXPECT_EQ(result, 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(GdiMasks, PlgBltCopiesWhereTheMonochromeMaskHasOnes)
{
    Canvas src(2, 2), dst(3, 2);
    src.Fill(RGB(255, 255, 255), {0, 0, 2, 2});
    // Platform layout: rows padded to 16 bits, leftmost pixel in the top bit.
    // Mask rows "010" and "011"; the offset (1, 0) skips the first column.
    const uint8_t bits[] = {0x40, 0, 0x60, 0};
    HBITMAP mask = CreateBitmap(3, 2, 1, 1, bits);
    ASSERT_NE(mask, nullptr);
    POINT corners[3] = {{1, 0}, {3, 0}, {1, 2}};
    ASSERT_TRUE(PlgBlt(dst.dc, corners, src.dc, 0, 0, 2, 2, mask, 1, 0));
    EXPECT_EQ(dst.Picture(), ".#.\n.##\n");
    EXPECT_FALSE(PlgBlt(dst.dc, corners, src.dc, 0, 0, 2, 2, src.bitmap, 0, 0)); // not monochrome
    DeleteObject(mask);
}

TEST(GdiMasks, PolygonsOnMonochromeBitmapsFillAndOutline)
{
    // The lower-right mask of a 5 x 4 mesh cell: white, with the upper-left
    // triangle black, outline included.
    Canvas mask(5, 4, CreateBitmap(5, 4, 1, 1, nullptr));
    mask.Fill(RGB(255, 255, 255), {0, 0, 5, 4});
    SelectObject(mask.dc, GetStockObject(BLACK_BRUSH));
    SelectObject(mask.dc, GetStockObject(BLACK_PEN));
    POINT triangle[3] = {{0, 0}, {4, 0}, {0, 3}};
    ASSERT_TRUE(Polygon(mask.dc, triangle, 3));
    EXPECT_EQ(mask.Picture(), ".....\n....#\n...##\n.####\n");
    SelectObject(mask.dc, GetStockObject(WHITE_BRUSH));
}

TEST(GdiBlend, AlphaBlendStretchesAndMixesByTheConstantAlpha)
{
    Canvas src(1, 1), dst(3, 3);
    src.Fill(RGB(200, 100, 0), {0, 0, 1, 1});
    dst.Fill(RGB(0, 100, 250), {0, 0, 3, 3});
    ASSERT_TRUE(AlphaBlend(dst.dc, 1, 1, 2, 2, src.dc, 0, 0, 1, 1, {AC_SRC_OVER, 0, 64, 0}));
    uint32_t p = dst.At(2, 2);
    EXPECT_NEAR(int(p >> 16), 200 * 64 / 255.0, 1);
    EXPECT_NEAR(int(p >> 8 & 0xFF), 100, 1);
    EXPECT_NEAR(int(p & 0xFF), 250 * 191 / 255.0, 1);
    EXPECT_EQ(dst.At(0, 0), 0x0064FAu);
    EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 2, {AC_SRC_OVER, 0, 64, 0}));
}

TEST(GdiDibs, ScanLinesCountFromTheBottomOfBottomUpDibs)
{
    Canvas c(2, 3);
    c.Fill(RGB(1, 2, 3), {0, 0, 2, 1}); // top row
    c.Fill(RGB(4, 5, 6), {0, 2, 2, 3}); // bottom row
    // Bottom-up 24-bit rows of 8 bytes; scan 0 is the bottom row.
    uint8_t bits[3 * 8] = {};
    BITMAPINFO info = Header(2, 3, 24);
    EXPECT_EQ(GetDIBits(c.dc, c.bitmap, 2, 1, bits, &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(bits[2], 1); // scan 2 = the top row, red byte last
    EXPECT_EQ(GetDIBits(c.dc, c.bitmap, 0, 3, bits, &info, DIB_RGB_COLORS), 3);
    EXPECT_EQ(bits[0], 6);

    Canvas out(2, 3);
    // Only scan lines 1 and 2 given: the bottom row stays black.
    EXPECT_EQ(SetDIBitsToDevice(out.dc, 0, 0, 2, 3, 0, 0, 1, 2, bits + 8, &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out.At(0, 0), 0x010203u);
    EXPECT_EQ(out.At(0, 2), 0u);
    Canvas big(4, 6);
    EXPECT_EQ(StretchDIBits(big.dc, 0, 0, 4, 6, 0, 0, 2, 3, bits, &info, DIB_RGB_COLORS, SRCCOPY), 3);
    EXPECT_EQ(big.At(3, 5), 0x040506u);
    EXPECT_EQ(big.At(0, 0), 0x010203u);
}

TEST(GdiScreen, ScreenDcsReadAndDrawThroughTheDevice)
{
    auto screen = std::make_shared<TestScreen>();
    gfx::FillRect(screen->image, {0, 0, 8, 6}, {9, 9, 9});
    SetScreenDevice(screen);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 8);
    SetScreenSizeProvider([] { return gfx::Size{640, 480}; });
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    SetScreenSizeProvider(nullptr);

    HDC dc = GetWindowDC(GetDesktopWindow());
    Canvas snapshot(8, 6);
    ASSERT_TRUE(BitBlt(snapshot.dc, 0, 0, 8, 6, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(snapshot.At(7, 5), 0x090909u);
    snapshot.Fill(RGB(255, 0, 0), {0, 0, 2, 2});
    ASSERT_TRUE(BitBlt(dc, 6, 4, 4, 4, snapshot.dc, 0, 0, SRCCOPY)); // cut at the screen's edge
    RECT r{0, 0, 1, 1};
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    ASSERT_TRUE(FillRect(dc, &r, brush));
    DeleteObject(brush);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(screen->image.Row(5) + 4 * 7) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(screen->image.Row(0)) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(screen->ends, 0);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), dc), 1);
    EXPECT_EQ(screen->ends, 1);
    SetScreenDevice(nullptr);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

TEST(GdiRects, UnionAndIntersectionReportEmptyResults)
{
    RECT out{7, 7, 7, 7}, a{0, 0, 2, 2}, b{2, 0, 4, 2}, empty{5, 5, 5, 5};
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    EXPECT_EQ(out, RECT{});
    EXPECT_TRUE(UnionRect(&out, &a, &empty));
    EXPECT_EQ(out, a);
    EXPECT_FALSE(UnionRect(&out, &empty, &empty));
}

TEST(GdiGl, GlDrawingOnADibIsSeenByTheBlitsThatReadIt)
{
    HDC screen = GetDC(nullptr);
    bool haveGl = DescribePixelFormat(screen, 1, 0, nullptr) > 0;
    ReleaseDC(nullptr, screen);
    if (!haveGl)
        GTEST_SKIP() << "OpenGL cannot be started on this machine";
    BITMAPINFO info = Header(2, 2, 32);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Canvas gl(2, 2, dib);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    pfd.cColorBits = 32;
    ASSERT_TRUE(SetPixelFormat(gl.dc, ChoosePixelFormat(gl.dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(gl.dc);
    ASSERT_TRUE(wglMakeCurrent(gl.dc, rc));
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    Canvas copy(2, 2);
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 2, gl.dc, 0, 0, SRCCOPY)); // no GdiFlush first
    EXPECT_EQ(copy.At(1, 1), 0x0000FFu);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
}
