#include "GfxTestSupport.h"
#include "gfx/Jpeg.h"

#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(FitInside, KeepsAspectRatioWithTheLimitingSideFillingTheBox)
{
    struct Case {
        int w, h, bw, bh, fw, fh;
    } cases[] = {
        {4000, 3000, 100, 100, 100, 75},  // landscape 4:3
        {3000, 4000, 100, 100, 75, 100},  // portrait
        {160, 120, 100, 100, 100, 75},    // typical embedded thumbnail
        {100, 100, 100, 100, 100, 100},   // square
        {50, 40, 100, 100, 100, 80},      // small pictures are enlarged
        {3000, 2, 100, 100, 100, 1},      // never below one pixel
        {2, 3000, 100, 100, 1, 100},
        {3, 2, 100, 100, 100, 67},        // 66.67 rounds to nearest
        {4000, 3000, 100, 50, 67, 50},    // a box that is wider than tall
    };
    for (const auto& c : cases) {
        int fw = 0, fh = 0;
        gfx::FitInside(c.w, c.h, c.bw, c.bh, fw, fh);
        EXPECT_EQ(fw, c.fw) << c.w << "x" << c.h;
        EXPECT_EQ(fh, c.fh) << c.w << "x" << c.h;
    }
}

TEST(DecodeJpeg, ABoxPicksTheSmallestScaleCoveringTheFittedPictureAndNoBoxFullSize)
{
    const std::vector<uint8_t> red = support::SolidJpeg(640, 480, {220, 20, 20});
    struct Case {
        gfx::JpegRequest request;
        int width, height;
    } cases[] = {
        {{100, 100}, 160, 120},  // fitted 100 x 75: 1/8 gives 80 x 60, 2/8 covers it
        {{80, 80}, 80, 60},      // fitted 80 x 60: 1/8 covers it exactly
        {{1000, 1000}, 640, 480},  // nothing covers a larger box: full size
        {{}, 640, 480},
    };
    for (const auto& c : cases) {
        std::optional<gfx::Bitmap> b = gfx::DecodeJpeg(red.data(), red.size(), c.request);
        ASSERT_TRUE(b.has_value()) << c.request.BoxWidth;
        EXPECT_EQ(b->Width(), c.width) << c.request.BoxWidth;
        EXPECT_EQ(b->Height(), c.height) << c.request.BoxWidth;
        EXPECT_EQ(b->Format(), gfx::PixelFormat::Bgr24);
        const uint32_t p = gfxtest::Get(*b, b->Width() / 2, b->Height() / 2);
        EXPECT_NEAR(int(p >> 16), 220, 8);
        EXPECT_NEAR(int(p & 0xFF), 20, 8);
    }
}

TEST(DecodeJpeg, RefusalsAreSilentAndSayWhy)
{
    const std::vector<uint8_t> wide = support::SolidJpeg(4100, 8, {1, 2, 3});
    const std::vector<uint8_t> cut(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(wide.size() / 2));
    const uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    struct Case {
        const char* name;
        const uint8_t* data;
        size_t size;
    } cases[] = {
        {"an output side above 4096", wide.data(), wide.size()},
        {"cut in the middle (a warning)", cut.data(), cut.size()},
        {"not a JPEG", garbage, sizeof garbage},
        {"nothing", nullptr, 0},
    };
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(gfx::DecodeJpeg(c.data, c.size, {}, &why).has_value()) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // A box small enough brings the wide picture within the bound.
    EXPECT_TRUE(gfx::DecodeJpeg(wide.data(), wide.size(), {100, 100}).has_value());
}

TEST(DecodeJpeg, AFileIsReadFromItsStartWhereverItsPositionIs)
{
    support::ScratchFolder dir;
    const int fd = ::open(dir.Write("a.jpg", support::SolidJpeg(64, 48, {20, 20, 220})).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 100, SEEK_SET), 100);
    std::optional<gfx::Bitmap> b = gfx::DecodeJpegFile(fd);
    ::close(fd);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->Width(), 64);
    EXPECT_FALSE(gfx::DecodeJpegFile(-1).has_value());
}
