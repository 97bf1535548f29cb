#include "main/ListBackground.h"
#include "platform/FileStream.h"
#include "platform/OSError.h"

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

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

} // namespace

TEST(Bmp, HeaderRowsBottomUpInBlueGreenRedPaddedToFourBytes)
{
    TRgbImage img(3, 2);  // 9 bytes a row, padded to 12
    uint8_t* top = img.Row(0);
    top[0] = 10, top[1] = 20, top[2] = 30;       // first pixel of the top row
    uint8_t* bottom = img.Row(1);
    bottom[6] = 1, bottom[7] = 2, bottom[8] = 3;  // last pixel of the bottom row
    const auto b = EncodeBmp(img);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u);
    EXPECT_EQ(b[28], 24);
    // The file's first row is the picture's bottom row.
    EXPECT_EQ(b[54 + 6], 3);
    EXPECT_EQ(b[54 + 7], 2);
    EXPECT_EQ(b[54 + 8], 1);
    EXPECT_EQ(b[54 + 9], 0) << "padding";
    EXPECT_EQ(b[54 + 12], 30);
    EXPECT_EQ(b[54 + 13], 20);
    EXPECT_EQ(b[54 + 14], 10);
}

TEST(Bmp, SavingIntoAMissingFolderSaysWhichFileCouldNotBeCreated)
{
    TRgbImage img(2, 2);
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
    TRgbImage src(2, 1);
    src.Row(0)[0] = 200;
    src.Row(0)[3] = 100;
    TRgbImage same(2, 1);
    StretchDraw(same, src);
    EXPECT_EQ(same.Pixels, src.Pixels);
    TRgbImage twice(4, 2);
    StretchDraw(twice, src);
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
        bytes = ReadFile(sample);
        ASSERT_GT(bytes.size(), 1000u) << sample;
    }
    std::string sample;
    std::vector<uint8_t> bytes;
};

TEST_F(Jpeg, DecodesAWholePhotoIntoRgb)
{
    const TRgbImage img = DecodeJpeg(bytes.data(), bytes.size());
    EXPECT_GT(img.Width, 0);
    EXPECT_GT(img.Height, 0);
    EXPECT_EQ(img.Pixels.size(), static_cast<size_t>(img.Width) * img.Height * 3);
}

TEST_F(Jpeg, DamagedDataIsAnErrorNotACrash)
{
    EXPECT_THROW(DecodeJpeg(nullptr, 0), EJpegError);
    const uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    EXPECT_THROW(DecodeJpeg(garbage, sizeof garbage), EJpegError);
    // Cut inside the header: libjpeg reports a premature end as an error.
    for (size_t cut : {size_t(2), size_t(20), size_t(200)})
        EXPECT_THROW(DecodeJpeg(bytes.data(), cut), EJpegError) << cut;
}

TEST_F(Jpeg, APhotoCutAnywhereDecodesOrFailsCleanly)
{
    // libjpeg fills missing rows and only warns once the header is read;
    // warnings are silent and errors are exceptions.
    const TRgbImage whole = DecodeJpeg(bytes.data(), bytes.size());
    const size_t step = std::max<size_t>(1, bytes.size() / 97);
    for (size_t cut = 1; cut < bytes.size(); cut += step) {
        try {
            const TRgbImage part = DecodeJpeg(bytes.data(), cut);
            EXPECT_EQ(part.Width, whole.Width) << cut;
            EXPECT_EQ(part.Height, whole.Height) << cut;
        } catch (const EJpegError&) {
        }
    }
}
