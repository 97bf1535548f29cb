#include "GfxTestSupport.h"
#include "gfx/Bmp.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

using gfx::Bitmap;
using gfx::PixelFormat;

namespace {

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

uint16_t Get16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// A bitmap whose every pixel differs, so row order and padding errors show.
Bitmap Pattern(int w, int h, PixelFormat format)
{
    Bitmap bmp(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            gfxtest::Set(bmp, x, y, (uint32_t(x * 8 & 0xF8) << 16) | (uint32_t(y * 8 & 0xF8) << 8) | 0x40);
    return bmp;
}

// The BMP image read by Qt's own reader, as an independent check.
QImage ViaQt(const std::vector<uint8_t>& bytes)
{
    QImage img;
    img.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
    return img;
}

// The pixel bytes of every row, without the padding.
std::vector<uint8_t> Pixels(const Bitmap& b)
{
    std::vector<uint8_t> out;
    const size_t used = static_cast<size_t>(b.Width()) * gfx::BitsPerPixel(b.Format()) / 8;
    for (int y = 0; y < b.Height(); ++y)
        out.insert(out.end(), b.Row(y), b.Row(y) + used);
    return out;
}

constexpr PixelFormat Formats[] = {PixelFormat::Bgr24, PixelFormat::Bgrx32, PixelFormat::Rgb555};

} // namespace

TEST(BmpFormat, HeadersRowsAndPaddingAreThoseOfAPlainBmp)
{
    // 75 pixels of 3 bytes = 225 bytes, padded to 228.
    Bitmap bmp = Pattern(75, 4, PixelFormat::Bgr24);
    std::vector<uint8_t> bytes = gfx::EncodeBmp(bmp, 2835);
    ASSERT_EQ(bytes.size(), 54u + 228u * 4u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Get32(bytes, 2), bytes.size());
    EXPECT_EQ(Get32(bytes, 10), 54u);
    EXPECT_EQ(Get32(bytes, 14), 40u);
    EXPECT_EQ(Get32(bytes, 18), 75u);
    EXPECT_EQ(Get32(bytes, 22), 4u);  // positive: bottom-up
    EXPECT_EQ(Get16(bytes, 26), 1u);
    EXPECT_EQ(Get16(bytes, 28), 24u);
    EXPECT_EQ(Get32(bytes, 30), 0u);
    EXPECT_EQ(Get32(bytes, 34), 228u * 4u);
    EXPECT_EQ(Get32(bytes, 38), 2835u);
    EXPECT_EQ(Get32(bytes, 42), 2835u);
    EXPECT_EQ(Get32(bytes, 46), 0u);  // no colour table
    // The first stored row is the bottom row; the padding bytes are 0.
    EXPECT_EQ(bytes[54 + 2], (gfxtest::Get(bmp, 0, 3) >> 16) & 0xFF);
    EXPECT_EQ(bytes[54 + 1], (gfxtest::Get(bmp, 0, 3) >> 8) & 0xFF);
    EXPECT_EQ(bytes[54 + 225], 0);
    EXPECT_EQ(bytes[54 + 227], 0);
}

TEST(BmpFormat, QtReadsWhatIsWrittenPixelForPixel)
{
    for (PixelFormat format : Formats) {
        const int bits = gfx::BitsPerPixel(format);
        Bitmap bmp = Pattern(37, 29, format);
        QImage img = ViaQt(gfx::EncodeBmp(bmp));
        ASSERT_FALSE(img.isNull()) << bits;
        ASSERT_EQ(img.width(), 37);
        ASSERT_EQ(img.height(), 29);
        // 5-bit channels may be widened to 8 bits in more than one way.
        const int tolerance = bits == 16 ? 8 : 0;
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x) {
                QRgb q = img.pixel(x, y);
                uint32_t p = gfxtest::Get(bmp, x, y);
                ASSERT_NEAR(qRed(q), int(p >> 16), tolerance) << bits << " bits at " << x << "," << y;
                ASSERT_NEAR(qGreen(q), int((p >> 8) & 0xFF), tolerance) << x << "," << y;
                ASSERT_NEAR(qBlue(q), int(p & 0xFF), tolerance) << x << "," << y;
            }
    }
}

TEST(BmpFormat, DecodeGivesBackWhatWasEncodedIncludingTopDownImages)
{
    for (PixelFormat format : Formats) {
        Bitmap bmp = Pattern(13, 7, format);
        const std::vector<uint8_t> bytes = gfx::EncodeBmp(bmp);
        auto back = gfx::DecodeBmp(bytes.data(), bytes.size());
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->Format(), format);
        EXPECT_EQ(Pixels(*back), Pixels(bmp));
    }
    // Same image stored top-down: negative height, rows in reading order.
    Bitmap bmp = Pattern(5, 3, PixelFormat::Bgr24);
    std::vector<uint8_t> bytes = gfx::EncodeBmp(bmp);
    std::vector<uint8_t> topDown(bytes.begin(), bytes.begin() + 54);
    int32_t minus3 = -3;
    std::memcpy(topDown.data() + 22, &minus3, 4);
    for (int y = 0; y < 3; ++y)
        topDown.insert(topDown.end(), bytes.begin() + 54 + (2 - y) * 16, bytes.begin() + 54 + (3 - y) * 16);
    auto back = gfx::DecodeBmp(topDown.data(), topDown.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(Pixels(*back), Pixels(bmp));
}

TEST(BmpFormat, DamagedImagesAreRefusedNotRead)
{
    const std::vector<uint8_t> good = gfx::EncodeBmp(Pattern(10, 10, PixelFormat::Bgr24));
    // Every truncation.
    for (size_t n = 0; n < good.size(); ++n)
        ASSERT_FALSE(gfx::DecodeBmp(good.data(), n).has_value()) << n;

    struct Case {
        const char* name;
        size_t at;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"magic", 0, {'M', 'B'}},
        {"pixel offset past the end", 10, {0xFF, 0xFF, 0x00, 0x00}},
        {"pixel offset inside the headers", 10, {10, 0, 0, 0}},
        {"info header size", 14, {124, 0, 0, 0}},
        {"width 0", 18, {0, 0, 0, 0}},
        {"negative width", 18, {0xF6, 0xFF, 0xFF, 0xFF}},
        {"huge width", 18, {0, 0, 0, 0x40}},
        {"height 0", 22, {0, 0, 0, 0}},
        {"most negative height", 22, {0, 0, 0, 0x80}},
        {"huge height", 22, {0, 0, 1, 0}},
        {"planes", 26, {2, 0}},
        {"8 bits with a palette", 28, {8, 0}},
        {"compressed", 30, {1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<std::ptrdiff_t>(c.at));
        EXPECT_FALSE(gfx::DecodeBmp(bad.data(), bad.size()).has_value()) << c.name;
    }
    EXPECT_FALSE(gfx::DecodeBmp(nullptr, 100).has_value());
}
