#include "platform/win32/MemoryScreen.h"
#include "platform/win32/Win32.h"

#include "support/MemoryDC.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace win32;

using support::MemoryDC;
using support::DibHeader;

TEST(GdiBlits, CopyExactlyThroughViewportsAndClipRegions)
{
    MemoryDC src(4, 4), dst(4, 4);
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
    MemoryDC src(2, 1), dst(4, 1);
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
    MemoryDC good(2, 2);
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
    MemoryDC src(2, 2), dst(3, 2);
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
    MemoryDC mask(5, 4, CreateBitmap(5, 4, 1, 1, nullptr));
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
    MemoryDC src(1, 1), dst(3, 3);
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
    MemoryDC c(2, 3);
    c.Fill(RGB(1, 2, 3), {0, 0, 2, 1}); // top row
    c.Fill(RGB(4, 5, 6), {0, 2, 2, 3}); // bottom row
    // Bottom-up 24-bit rows of 8 bytes; scan 0 is the bottom row.
    uint8_t bits[3 * 8] = {};
    BITMAPINFO info = DibHeader(2, 3, 24);
    EXPECT_EQ(GetDIBits(c.dc, c.bitmap, 2, 1, bits, &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(bits[2], 1); // scan 2 = the top row, red byte last
    EXPECT_EQ(GetDIBits(c.dc, c.bitmap, 0, 3, bits, &info, DIB_RGB_COLORS), 3);
    EXPECT_EQ(bits[0], 6);

    MemoryDC out(2, 3);
    // Only scan lines 1 and 2 given: the bottom row stays black.
    EXPECT_EQ(SetDIBitsToDevice(out.dc, 0, 0, 2, 3, 0, 0, 1, 2, bits + 8, &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out.At(0, 0), 0x010203u);
    EXPECT_EQ(out.At(0, 2), 0u);
    MemoryDC big(4, 6);
    EXPECT_EQ(StretchDIBits(big.dc, 0, 0, 4, 6, 0, 0, 2, 3, bits, &info, DIB_RGB_COLORS, SRCCOPY), 3);
    EXPECT_EQ(big.At(3, 5), 0x040506u);
    EXPECT_EQ(big.At(0, 0), 0x010203u);
}

TEST(GdiScreen, ScreenDcsReadAndDrawThroughTheDevice)
{
    auto screen = std::make_shared<MemoryScreen>(8, 6);
    screen->Fill(0x090909);
    SetScreenDevice(screen);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 8);
    SetScreenSizeProvider([] { return gfx::Size{640, 480}; });
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    SetScreenSizeProvider(nullptr);

    HDC dc = GetWindowDC(GetDesktopWindow());
    MemoryDC snapshot(8, 6);
    ASSERT_TRUE(BitBlt(snapshot.dc, 0, 0, 8, 6, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(snapshot.At(7, 5), 0x090909u);
    snapshot.Fill(RGB(255, 0, 0), {0, 0, 2, 2});
    ASSERT_TRUE(BitBlt(dc, 6, 4, 4, 4, snapshot.dc, 0, 0, SRCCOPY)); // cut at the screen's edge
    RECT r{0, 0, 1, 1};
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    ASSERT_TRUE(FillRect(dc, &r, brush));
    DeleteObject(brush);
    EXPECT_EQ(screen->Pixel(7, 5), 0xFF0000u);
    EXPECT_EQ(screen->Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(screen->Sessions, 0);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), dc), 1);
    EXPECT_EQ(screen->Sessions, 1);
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
    MemoryDC gl(2, 2, MemoryDC::TopDownDib{});
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    pfd.cColorBits = 32;
    ASSERT_TRUE(SetPixelFormat(gl.dc, ChoosePixelFormat(gl.dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(gl.dc);
    ASSERT_TRUE(wglMakeCurrent(gl.dc, rc));
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    MemoryDC copy(2, 2);
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 2, gl.dc, 0, 0, SRCCOPY)); // no GdiFlush first
    EXPECT_EQ(copy.At(1, 1), 0x0000FFu);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
}
