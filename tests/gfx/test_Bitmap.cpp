#include "GfxTestSupport.h"
#include "gfx/Raster.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace gfx;
using gfxtest::Get;

TEST(Bitmap, RowsArePaddedToWholeWords)
{
    struct Case {
        PixelFormat format;
        int width;
        size_t stride;
    };
    const Case cases[] = {
        {PixelFormat::Mono1, 1, 4},  {PixelFormat::Mono1, 33, 8},  {PixelFormat::Bgr24, 1, 4},
        {PixelFormat::Bgr24, 3, 12}, {PixelFormat::Bgr24, 5, 16},  {PixelFormat::Bgrx32, 3, 12},
        {PixelFormat::Bgra32, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PaddedRowBytes(c.width, c.format), c.stride) << c.width;
        Bitmap b(c.width, 2, c.format);
        EXPECT_EQ(b.Stride(), c.stride);
        EXPECT_EQ(b.IsEmpty(), c.width == 0);
    }
    EXPECT_THROW(Bitmap(-1, 1, PixelFormat::Bgrx32), std::invalid_argument);
    EXPECT_THROW(Bitmap(0x7FFFFFFF, 2, PixelFormat::Bgrx32), std::bad_alloc);
}

TEST(Bitmap, RowOrderSaysWhereTheTopRowLives)
{
    std::vector<uint32_t> memory(3 * 2);
    Bitmap up = Bitmap::View(memory.data(), 3, 2, PixelFormat::Bgrx32, 12, RowOrder::BottomUp);
    EXPECT_FALSE(up.Owning());
    EXPECT_EQ(up.Row(0), reinterpret_cast<uint8_t*>(memory.data()) + 12);
    gfxtest::Set(up, 0, 0, 0xABCDEF);
    EXPECT_EQ(memory[3], 0xABCDEFu);

    // A copy between orders keeps the picture upright, through pixman's
    // view of either layout.
    Bitmap down(3, 2, PixelFormat::Bgr24);
    gfxtest::Pattern(up);
    ASSERT_TRUE(Copy(down, {0, 0}, up, up.Bounds()));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Get(down, x, y), Get(up, x, y));
}

TEST(Bitmap, ViewsRefuseLayoutsPixmanCannotWrap)
{
    alignas(4) uint8_t memory[64] = {};
    auto view = [&](void* p, int width, size_t stride) {
        return Bitmap::View(p, width, 2, PixelFormat::Bgr24, stride, RowOrder::TopDown);
    };
    EXPECT_NO_THROW(view(memory, 4, 12));
    EXPECT_THROW(view(memory, 4, 10), std::invalid_argument); // not whole words
    EXPECT_THROW(view(memory, 5, 12), std::invalid_argument); // shorter than a row
    EXPECT_THROW(view(memory + 1, 4, 12), std::invalid_argument);
}

TEST(Bitmap, MonochromeRowsConvertFromThePlatformsBitOrder)
{
    alignas(4) uint8_t row[4] = {0x80, 0x03, 0, 0}; // platform: pixel 0 set; pixels 14 and 15 set
    MonoRowFromMsbFirst(row, 2);
    Bitmap b = Bitmap::View(row, 16, 1, PixelFormat::Mono1, 4, RowOrder::TopDown);
    EXPECT_EQ(Get(b, 0, 0), 1u);
    EXPECT_EQ(Get(b, 1, 0), 0u);
    EXPECT_EQ(Get(b, 14, 0), 1u);
    EXPECT_EQ(Get(b, 15, 0), 1u);
    MonoRowToMsbFirst(row, 2);
    EXPECT_EQ(row[0], 0x80);
}
