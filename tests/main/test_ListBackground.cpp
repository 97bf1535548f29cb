#include "gfx/Bmp.h"
#include "gfx/GfxTestSupport.h"
#include "gfx/Raster.h"
#include "main/ListBackground.h"
#include "platform/FileStream.h"
#include "platform/OSError.h"

#include "support/Files.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

} // namespace

TEST(Bmp, TheFileIsTheBmpImageAt72DotsPerInchRowsBottomUp)
{
    gfx::Bitmap img(3, 2, gfx::PixelFormat::Bgr24);  // 9 bytes a row, padded to 12
    gfxtest::Set(img, 0, 0, 0x0A141E);  // first pixel of the top row: red 10, green 20, blue 30
    support::ScratchFolder dir;
    SaveBmpFile(dir / "b.bmp", img);
    const auto b = support::ReadFile<std::vector<uint8_t>>(dir / "b.bmp");
    EXPECT_EQ(b, gfx::EncodeBmp(img, 2835));
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(U32(b, 38), 2835u);
    EXPECT_EQ(U32(b, 42), 2835u);
    EXPECT_EQ(b[54 + 12], 30) << "the top row is the file's second row";
}

TEST(Bmp, SavingIntoAMissingFolderSaysWhichFileCouldNotBeCreated)
{
    gfx::Bitmap img(2, 2, gfx::PixelFormat::Bgr24);
    try {
        SaveBmpFile("/nonexistent-quistelor/x.bmp", img);
        FAIL();
    } catch (const platform::ECreateFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"/nonexistent-quistelor/x.bmp\". No such file or directory");
    }
}

TEST(Stretch, EqualSizesCopyOneToOneAndDoublingRepeatsPixels)
{
    // The background picture is drawn stretched over its bitmap with the
    // nearest pixel.
    gfx::Bitmap src(2, 1, gfx::PixelFormat::Bgr24);
    src.Row(0)[0] = 200;
    src.Row(0)[3] = 100;
    gfx::Bitmap same(2, 1, gfx::PixelFormat::Bgr24);
    gfx::Stretch(same, same.Bounds(), src, src.Bounds(), gfx::Filter::Nearest);
    EXPECT_EQ(std::vector<uint8_t>(same.Row(0), same.Row(0) + 6), std::vector<uint8_t>(src.Row(0), src.Row(0) + 6));
    gfx::Bitmap twice(4, 2, gfx::PixelFormat::Bgr24);
    gfx::Stretch(twice, twice.Bounds(), src, src.Bounds(), gfx::Filter::Nearest);
    EXPECT_EQ(twice.Row(1)[0], 200);
    EXPECT_EQ(twice.Row(1)[3], 200);
    EXPECT_EQ(twice.Row(1)[6], 100);
    EXPECT_EQ(twice.Row(1)[9], 100);
}

class Jpeg : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's own background picture: a real JPEG that every clone has.
        sample = QUISTELOR_BACKGROUND_JPEG;
        bytes = support::ReadFile<std::vector<uint8_t>>(sample);
        ASSERT_GT(bytes.size(), 1000u) << sample;
    }
    std::string sample;
    std::vector<uint8_t> bytes;
};

TEST_F(Jpeg, DecodesAWholePhotoIntoBgr)
{
    const gfx::Bitmap img = DecodePicture(bytes.data(), bytes.size());
    EXPECT_EQ(img.Width(), 466);
    EXPECT_EQ(img.Height(), 416);
    EXPECT_EQ(img.Format(), gfx::PixelFormat::Bgr24);
}

TEST_F(Jpeg, DamagedDataIsAnErrorNotACrash)
{
    EXPECT_THROW(DecodePicture(nullptr, 0), EJpegError);
    const uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    EXPECT_THROW(DecodePicture(garbage, sizeof garbage), EJpegError);
    // Cut inside the header: libjpeg reports a premature end as an error.
    for (size_t cut : {size_t(2), size_t(20), size_t(200)})
        EXPECT_THROW(DecodePicture(bytes.data(), cut), EJpegError) << cut;
}

TEST_F(Jpeg, APhotoCutAnywhereDecodesOrFailsCleanly)
{
    // Past the header libjpeg only warns about missing data; warnings and
    // errors alike are exceptions, and nothing is printed.
    const gfx::Bitmap whole = DecodePicture(bytes.data(), bytes.size());
    const size_t step = std::max<size_t>(1, bytes.size() / 97);
    for (size_t cut = 1; cut < bytes.size(); cut += step) {
        try {
            const gfx::Bitmap part = DecodePicture(bytes.data(), cut);
            EXPECT_EQ(part.Width(), whole.Width()) << cut;
            EXPECT_EQ(part.Height(), whole.Height()) << cut;
        } catch (const EJpegError&) {
        }
    }
}
