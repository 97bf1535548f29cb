#include "GfxTestSupport.h"
#include "gfx/Raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace gfx;
using gfxtest::Get;
using gfxtest::Picture;

namespace {

Bitmap Filled(int w, int h, uint32_t v, PixelFormat f = PixelFormat::Bgrx32)
{
    Bitmap b(w, h, f);
    FillRect(b, b.Bounds(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    return b;
}

Bitmap Patterned(int w, int h, PixelFormat f = PixelFormat::Bgrx32, RowOrder o = RowOrder::TopDown)
{
    Bitmap b(w, h, f, o);
    gfxtest::Pattern(b, 0x102030);
    return b;
}

} // namespace

TEST(Copy, IsExactAcrossFormatsAndRowOrders)
{
    for (PixelFormat sf : {PixelFormat::Bgr24, PixelFormat::Bgrx32})
        for (RowOrder so : {RowOrder::TopDown, RowOrder::BottomUp})
            for (RowOrder dor : {RowOrder::TopDown, RowOrder::BottomUp}) {
                Bitmap src = Patterned(7, 5, sf, so);
                Bitmap dst(9, 8, PixelFormat::Bgrx32, dor);
                ASSERT_TRUE(Copy(dst, {2, 3}, src, {1, 1, 6, 4}));
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 9; ++x) {
                        bool inside = x >= 2 && x < 7 && y >= 3 && y < 6;
                        EXPECT_EQ(Get(dst, x, y), inside ? Get(src, x - 1, y - 2) : 0u) << x << "," << y;
                    }
            }
}

TEST(Copy, OverlappingAreasOfOneBitmapMoveIntact)
{
    Bitmap b = Patterned(6, 3);
    Bitmap before = b.Clone();
    ASSERT_TRUE(Copy(b, {1, 0}, b, {0, 0, 5, 3}));
    for (int y = 0; y < 3; ++y)
        for (int x = 1; x < 6; ++x)
            EXPECT_EQ(Get(b, x, y), Get(before, x - 1, y));
}

TEST(Clipping, DrawsOnlyInsideTheRegionTheDestinationAndTheSource)
{
    Bitmap src = Filled(4, 4, 0xFFFFFF);
    // An L-shaped clip: the left column and the bottom row.
    const Rect parts[] = {{0, 0, 1, 4}, {0, 3, 4, 4}};
    Region clip = Region::FromRects(parts);
    struct Case {
        const char* name;
        Point to;
        Rect from;
        const Region* clip;
        const char* picture;
    };
    const Case cases[] = {
        {"region", {0, 0}, {0, 0, 4, 4}, &clip, "#...\n#...\n#...\n####\n"},
        {"destination edges", {2, -2}, {0, 0, 4, 4}, nullptr, "..##\n..##\n....\n....\n"},
        {"source edges", {0, 0}, {-1, 2, 3, 6}, nullptr, ".###\n.###\n....\n....\n"},
    };
    for (const Case& c : cases) {
        Bitmap dst(4, 4, PixelFormat::Bgrx32);
        ASSERT_TRUE(Copy(dst, c.to, src, c.from, c.clip));
        EXPECT_EQ(Picture(dst), c.picture) << c.name;
    }
    Bitmap dst(4, 4, PixelFormat::Bgrx32);
    FillRect(dst, {-5, -5, 50, 50}, {1, 2, 3}, &clip);
    EXPECT_EQ(Picture(dst), "#...\n#...\n#...\n####\n");
}

TEST(Stretch, NearestPicksThePixelUnderEachCentre)
{
    Bitmap src = Patterned(4, 1);
    Bitmap dst(2, 2, PixelFormat::Bgrx32);
    ASSERT_TRUE(Stretch(dst, {0, 0, 2, 2}, src, {0, 0, 4, 1}, Filter::Nearest));
    EXPECT_EQ(Get(dst, 0, 0), Get(src, 0, 0));
    EXPECT_EQ(Get(dst, 1, 0), Get(src, 2, 0));
    EXPECT_EQ(Get(dst, 1, 1), Get(src, 2, 0));
    // Outside the source, nothing is drawn.
    Bitmap wide(4, 1, PixelFormat::Bgrx32);
    ASSERT_TRUE(Stretch(wide, {0, 0, 4, 1}, src, {2, 0, 4, 0 + 1}, Filter::Nearest));
    ASSERT_TRUE(Stretch(wide, {0, 0, 4, 1}, src, {2, 0, 6, 1}, Filter::Nearest));
    EXPECT_EQ(Get(wide, 1, 0), Get(src, 3, 0));
    EXPECT_EQ(Get(wide, 2, 0), Get(src, 3, 0)); // from the first stretch
    EXPECT_FALSE(Stretch(wide, {0, 0, -1, 1}, src, {0, 0, 1, 1}, Filter::Nearest));
}

TEST(Stretch, SmoothAveragesWhenShrinkingAndKeepsFlatAreasFlat)
{
    Bitmap checker(8, 8, PixelFormat::Bgrx32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            gfxtest::Set(checker, x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    Bitmap small(2, 2, PixelFormat::Bgrx32);
    ASSERT_TRUE(Stretch(small, small.Bounds(), checker, checker.Bounds(), Filter::Smooth));
    EXPECT_NEAR(static_cast<int>(Get(small, 0, 0) & 0xFF), 128, 16);
    Bitmap flat = Filled(3, 3, 0x336699);
    Bitmap big(10, 7, PixelFormat::Bgrx32);
    ASSERT_TRUE(Stretch(big, big.Bounds(), flat, flat.Bounds(), Filter::Smooth));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(Get(big, x, y), 0x336699u);
}

TEST(BlendConstant, IsWithinOneOfTheFormulaForEveryAlpha)
{
    for (int alpha : {0, 1, 77, 128, 254, 255})
        for (uint32_t s : {0u, 0x10F080u, 0xFFFFFFu})
            for (uint32_t d : {0u, 0x7F0180u, 0xFFFFFFu}) {
                Bitmap src = Filled(1, 1, s);
                Bitmap dst = Filled(3, 2, d);
                // A stretched source: one pixel over the whole destination.
                ASSERT_TRUE(BlendConstant(dst, dst.Bounds(), src, src.Bounds(), static_cast<uint8_t>(alpha)));
                for (int shift : {0, 8, 16}) {
                    double want = ((s >> shift & 0xFF) * alpha + (d >> shift & 0xFF) * (255.0 - alpha)) / 255;
                    EXPECT_LE(std::abs(double(Get(dst, 2, 1) >> shift & 0xFF) - want), 1.0)
                        << alpha << " " << s << " " << d;
                }
            }
    Bitmap src = Filled(2, 2, 0);
    Bitmap dst = Filled(2, 2, 0);
    EXPECT_FALSE(BlendConstant(dst, dst.Bounds(), src, {1, 1, 3, 3}, 9)); // source outside its bitmap
}

TEST(TransformBlit, AnUnwarpedParallelogramCopiesExactly)
{
    Bitmap src = Patterned(6, 5);
    for (Filter filter : {Filter::Nearest, Filter::Smooth}) {
        Bitmap dst(8, 8, PixelFormat::Bgrx32);
        const Point corners[3] = {{2, 1}, {6, 1}, {2, 4}};
        ASSERT_TRUE(TransformBlit(dst, corners, src, {1, 1, 5, 4}, filter));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
                EXPECT_EQ(Get(dst, x, y), inside ? Get(src, x - 1, y) : 0u) << x << "," << y;
            }
    }
    // Mirrored: the top-left corner lands on the right.
    Bitmap dst(4, 1, PixelFormat::Bgrx32);
    const Point mirror[3] = {{4, 0}, {0, 0}, {4, 1}};
    ASSERT_TRUE(TransformBlit(dst, mirror, src, {0, 0, 4, 1}, Filter::Nearest));
    EXPECT_EQ(Get(dst, 0, 0), Get(src, 3, 0));
    EXPECT_EQ(Get(dst, 3, 0), Get(src, 0, 0));
}

TEST(TransformBlit, MaskBitsChooseSourceOrDestinationFromTheMaskOffset)
{
    Bitmap src = Filled(3, 2, 0xFFFFFF);
    Bitmap mask(5, 3, PixelFormat::Mono1);
    // Mask picture, with the offset (1, 1) marking where the source's
    // top-left pixel falls:  .....  / .#.#. / ..##.
    for (Point p : {Point{1, 1}, Point{3, 1}, Point{2, 2}, Point{3, 2}})
        gfxtest::Set(mask, p.X, p.Y, 1);
    Bitmap dst(4, 3, PixelFormat::Bgrx32);
    const Point corners[3] = {{0, 1}, {3, 1}, {0, 3}};
    ASSERT_TRUE(TransformBlit(dst, corners, src, src.Bounds(), Filter::Nearest, &mask, {1, 1}));
    EXPECT_EQ(Picture(dst), "....\n#.#.\n.##.\n");
    Bitmap colourMask(5, 3, PixelFormat::Bgrx32);
    EXPECT_FALSE(TransformBlit(dst, corners, src, src.Bounds(), Filter::Nearest, &colourMask, {}));
}

TEST(Polygons, FillPixelsInsideAndPenTheOutline)
{
    struct Case {
        const char* name;
        std::vector<Point> points;
        const char* interior;
        const char* outline;
    };
    const Case cases[] = {
        {"triangle", {{0, 0}, {4, 0}, {0, 4}},
         "####.\n###..\n##...\n#....\n.....\n", "#####\n#..#.\n#.#..\n##...\n#....\n"},
        {"sheared quad", {{1, 0}, {5, 1}, {4, 5}, {0, 4}},
         ".....\n.####\n.####\n.####\n#####\n", ".##..\n.#.##\n.#...\n#....\n##..#\n"},
        {"square", {{1, 1}, {4, 1}, {4, 4}, {1, 4}},
         ".....\n.###.\n.###.\n.###.\n.....\n", ".....\n.####\n.#..#\n.#..#\n.####\n"},
    };
    for (const Case& c : cases) {
        Bitmap fill(5, 5, PixelFormat::Mono1);
        FillRegion(fill, PolygonInterior(c.points, fill.Bounds()), {255, 255, 255});
        EXPECT_EQ(Picture(fill), c.interior) << c.name;
        Bitmap pen(5, 5, PixelFormat::Mono1);
        FillRegion(pen, PolylinePixels(c.points, true, pen.Bounds()), {255, 255, 255});
        EXPECT_EQ(Picture(pen), c.outline) << c.name;
    }
    // Even-odd: a pentagram's centre is outside.
    const Point star[5] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    Region r = PolygonInterior(star, {0, 0, 21, 21});
    EXPECT_FALSE(r.Contains(10, 10));
    EXPECT_TRUE(r.Contains(10, 2));
    EXPECT_TRUE(PolygonInterior(star, {0, 0, 0, 0}).IsEmpty());
}
