#include "main/thumbnails/BmpFile.h"
#include "main/thumbnails/ThumbnailCache.h"
#include "platform/FileStream.h"

#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using samples::Rgb;

namespace {

constexpr Rgb Red{220, 20, 20};
constexpr Rgb Blue{20, 20, 220};

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

uint16_t Get16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// A bitmap whose every pixel differs, so row order and padding errors show.
TThumbBitmap Pattern(int w, int h, TPixelFormat format)
{
    TThumbBitmap bmp(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp.SetPixelRGB(x, y, (uint32_t(x * 8 & 0xF8) << 16) | (uint32_t(y * 8 & 0xF8) << 8) | 0x40);
    return bmp;
}

// The BMP image read by Qt's own reader, as an independent check.
QImage ViaQt(const std::vector<uint8_t>& bytes, size_t offset = 0)
{
    QImage img;
    img.loadFromData(bytes.data() + offset, static_cast<int>(bytes.size() - offset), "BMP");
    return img;
}

class CacheTest : public ::testing::Test {
protected:
    support::ScratchFolder dir;
    support::ScratchFolder photos;
    platform::TFileStream cache = platform::TFileStream::CreateExclusive(dir / "cache.dat");
    std::vector<std::string> offsets;

    void Photo(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        samples::WriteFile(photos / name, bytes);
    }
    std::vector<uint8_t> CacheBytes() { return samples::ReadFile(dir / "cache.dat"); }
};

} // namespace

// ---------------------------------------------------------------------------
// The BMP image

TEST(BmpFormat, HeadersRowsAndPaddingAreThoseOfAPlainBmp)
{
    // 75 pixels of 3 bytes = 225 bytes, padded to 228.
    TThumbBitmap bmp = Pattern(75, 4, TPixelFormat::pf24bit);
    std::vector<uint8_t> bytes = EncodeBmp(bmp);
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
    EXPECT_EQ(Get32(bytes, 46), 0u);  // no colour table
    // The first stored row is the bottom row; the padding bytes are 0.
    EXPECT_EQ(bytes[54 + 2], (bmp.PixelRGB(0, 3) >> 16) & 0xFF);
    EXPECT_EQ(bytes[54 + 1], (bmp.PixelRGB(0, 3) >> 8) & 0xFF);
    EXPECT_EQ(bytes[54 + 225], 0);
    EXPECT_EQ(bytes[54 + 227], 0);
}

TEST(BmpFormat, QtReadsWhatIsWrittenPixelForPixel)
{
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf16bit}) {
        TThumbBitmap bmp = Pattern(37, 29, format);
        QImage img = ViaQt(EncodeBmp(bmp));
        ASSERT_FALSE(img.isNull()) << bmp.BitsPerPixel();
        ASSERT_EQ(img.width(), 37);
        ASSERT_EQ(img.height(), 29);
        // 5-bit channels may be widened to 8 bits in more than one way.
        const int tolerance = bmp.BitsPerPixel() == 16 ? 8 : 0;
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x) {
                QRgb q = img.pixel(x, y);
                uint32_t p = bmp.PixelRGB(x, y);
                ASSERT_NEAR(qRed(q), int(p >> 16), tolerance) << bmp.BitsPerPixel() << " bits at " << x << "," << y;
                ASSERT_NEAR(qGreen(q), int((p >> 8) & 0xFF), tolerance) << x << "," << y;
                ASSERT_NEAR(qBlue(q), int(p & 0xFF), tolerance) << x << "," << y;
            }
    }
}

TEST(BmpFormat, DecodeGivesBackWhatWasEncodedIncludingTopDownImages)
{
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf16bit}) {
        TThumbBitmap bmp = Pattern(13, 7, format);
        auto back = DecodeBmp(EncodeBmp(bmp).data(), EncodeBmp(bmp).size());
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->BitsPerPixel(), bmp.BitsPerPixel());
        EXPECT_EQ(back->Pixels(), bmp.Pixels());
    }
    // Same image stored top-down: negative height, rows in reading order.
    TThumbBitmap bmp = Pattern(5, 3, TPixelFormat::pf24bit);
    std::vector<uint8_t> bytes = EncodeBmp(bmp);
    std::vector<uint8_t> topDown(bytes.begin(), bytes.begin() + 54);
    int32_t minus3 = -3;
    std::memcpy(topDown.data() + 22, &minus3, 4);
    for (int y = 0; y < 3; ++y)
        topDown.insert(topDown.end(), bytes.begin() + 54 + (2 - y) * 16, bytes.begin() + 54 + (3 - y) * 16);
    auto back = DecodeBmp(topDown.data(), topDown.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Pixels(), bmp.Pixels());
}

TEST(BmpFormat, DamagedImagesAreRefusedNotRead)
{
    const std::vector<uint8_t> good = EncodeBmp(Pattern(10, 10, TPixelFormat::pf24bit));
    // Every truncation.
    for (size_t n = 0; n < good.size(); ++n)
        ASSERT_FALSE(DecodeBmp(good.data(), n).has_value()) << n;

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
        EXPECT_FALSE(DecodeBmp(bad.data(), bad.size()).has_value()) << c.name;
    }
    EXPECT_FALSE(DecodeBmp(nullptr, 100).has_value());
}

TEST(ThumbBitmap, SetHeightCutsOrAddsWhiteRowsAndSetWidthColumns)
{
    TThumbBitmap bmp(4, 3, TPixelFormat::pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            bmp.SetPixelRGB(x, y, 0x102030);
    bmp.SetHeight(5);
    EXPECT_EQ(bmp.Height(), 5);
    EXPECT_EQ(bmp.PixelRGB(3, 2), 0x102030u);
    EXPECT_EQ(bmp.PixelRGB(0, 3), 0xFFFFFFu);
    EXPECT_EQ(bmp.PixelRGB(3, 4), 0xFFFFFFu);
    bmp.SetWidth(6);
    EXPECT_EQ(bmp.Width(), 6);
    EXPECT_EQ(bmp.PixelRGB(3, 0), 0x102030u);
    EXPECT_EQ(bmp.PixelRGB(4, 0), 0xFFFFFFu);
    EXPECT_EQ(bmp.PixelRGB(5, 4), 0xFFFFFFu);
    bmp.SetHeight(2);
    bmp.SetWidth(1);
    EXPECT_EQ(bmp.Width(), 1);
    EXPECT_EQ(bmp.Height(), 2);
    EXPECT_EQ(bmp.PixelRGB(0, 1), 0x102030u);
    EXPECT_EQ(bmp.Pixels().size(), 4u * 2u);  // 3 bytes padded to 4, two rows
}

TEST(ThumbBitmap, EmptyAndOutOfRangeSizes)
{
    EXPECT_TRUE(TThumbBitmap().Empty());
    EXPECT_TRUE(TThumbBitmap(0, 10).Empty());
    EXPECT_TRUE(TThumbBitmap(-5, 10).Empty());
    EXPECT_FALSE(TThumbBitmap(1, 1).Empty());
    EXPECT_EQ(TThumbBitmap(TThumbBitmap::MaxSide + 1, 1).Width(), TThumbBitmap::MaxSide);
}

// ---------------------------------------------------------------------------
// The cache build

TEST_F(CacheTest, OffsetsPointAtBackToBackImagesAndSkipPhotosWithoutThumbnail)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));           // landscape
    Photo("b.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});     // no thumbnail
    Photo("c.jpg", samples::SolidJpeg(300, 400, Blue));          // portrait
    BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg", "c.jpg"}, cache, offsets, 100, 100);

    ASSERT_EQ(offsets.size(), 3u);
    EXPECT_EQ(offsets[0], "0");
    EXPECT_EQ(offsets[1], "-1");
    const size_t first = 54 + 300 * 75;  // 100 x 75 at 24 bits: rows of 300 bytes
    const size_t second = 54 + 228 * 100;  // 75 x 100: rows of 225 bytes padded to 228
    EXPECT_EQ(offsets[2], std::to_string(first));

    std::vector<uint8_t> bytes = CacheBytes();
    ASSERT_EQ(bytes.size(), first + second) << "no header, no gap, nothing behind the last image";

    QImage landscape = ViaQt(std::vector<uint8_t>(bytes.begin(), bytes.begin() + first));
    ASSERT_EQ(landscape.size(), QSize(100, 75));
    EXPECT_GT(qRed(landscape.pixel(50, 37)), 180);
    QImage portrait = ViaQt(bytes, first);
    ASSERT_EQ(portrait.size(), QSize(75, 100));
    EXPECT_GT(qBlue(portrait.pixel(37, 50)), 180);

    auto read = ReadThumbnail(cache, offsets[2]);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Width(), 75);
    EXPECT_EQ(read->Height(), 100);
}

TEST_F(CacheTest, EachBuildEmptiesTheFileAndStartsAtOffsetZero)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));
    Photo("b.jpg", samples::SolidJpeg(300, 400, Blue));
    BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg"}, cache, offsets, 100, 100);
    ASSERT_EQ(offsets.size(), 2u);
    int64_t twoImages = cache.Size();

    BuildThumbnailCache(photos.Path(), {"b.jpg"}, cache, offsets, 100, 100);
    ASSERT_EQ(offsets, std::vector<std::string>{"0"});
    EXPECT_LT(cache.Size(), twoImages);
    EXPECT_EQ(CacheBytes().size(), 54u + 228u * 100u);

    BuildThumbnailCache(photos.Path(), {}, cache, offsets, 100, 100);
    EXPECT_TRUE(offsets.empty());
    EXPECT_EQ(cache.Size(), 0);
}

TEST_F(CacheTest, ReportsEveryPhotoBeforeAndEveryWrittenImageAfter)
{
    Photo("a.jpg", samples::SolidJpeg(64, 48, Red));
    Photo("b.jpg", {});
    Photo("c.jpg", samples::SolidJpeg(64, 48, Red));
    std::vector<std::string> events;
    TThumbnailProgress progress;
    progress.OnPhoto = [&](int i, int n) {
        events.push_back(std::to_string(i + 1) + "/" + std::to_string(n));
        // Offsets already hold one entry per photo done so far.
        EXPECT_EQ(offsets.size(), static_cast<size_t>(i));
    };
    progress.OnWritten = [&](int i) { events.push_back("w" + std::to_string(i)); };
    BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg", "c.jpg"}, cache, offsets, 100, 100, progress);
    EXPECT_EQ(events, (std::vector<std::string>{"1/3", "w0", "2/3", "3/3", "w2"}));
}

TEST_F(CacheTest, AFolderEndingInASeparatorStillFindsItsPhotos)
{
    // The root folder "/" joined with a name gives "//name.jpg".
    Photo("a.jpg", samples::SolidJpeg(64, 48, Red));
    BuildThumbnailCache(photos.Path() + "/", {"a.jpg"}, cache, offsets, 100, 100);
    EXPECT_EQ(offsets, std::vector<std::string>{"0"});
}

TEST_F(CacheTest, ReadingBackRefusesBadEntriesAndDamagedImages)
{
    Photo("a.jpg", samples::SolidJpeg(64, 48, Red));
    Photo("b.jpg", samples::SolidJpeg(64, 48, Blue));
    BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg"}, cache, offsets, 100, 100);
    ASSERT_EQ(offsets.size(), 2u);
    ASSERT_TRUE(ReadThumbnail(cache, offsets[0]).has_value());

    for (const char* entry : {"-1", "", "abc", "12x", "+5", " 0", "99999999999999999999", "1"})
        EXPECT_FALSE(ReadThumbnail(cache, entry).has_value()) << '"' << entry << '"';
    EXPECT_FALSE(ReadThumbnail(cache, std::to_string(cache.Size())).has_value());
    EXPECT_FALSE(ReadThumbnail(cache, std::to_string(cache.Size() + 1000)).has_value());

    // The second image cut short: refused, the first still reads.
    cache.SetSize(cache.Size() - 10);
    EXPECT_FALSE(ReadThumbnail(cache, offsets[1]).has_value());
    EXPECT_TRUE(ReadThumbnail(cache, offsets[0]).has_value());

    EXPECT_EQ(ParseThumbOffset("0"), 0);
    EXPECT_EQ(ParseThumbOffset("22554"), 22554);
    EXPECT_FALSE(ParseThumbOffset("-1").has_value());
}

TEST_F(CacheTest, AFailedWriteLeavesNoPartialImageAndOneEntryPerPhoto)
{
    Photo("a.jpg", samples::SolidJpeg(64, 48, Red));
    Photo("b.jpg", samples::SolidJpeg(64, 48, Red));
    Photo("c.jpg", samples::SolidJpeg(64, 48, Red));
    const int64_t oneImage = 54 + 300 * 75;

    // Limit the size of files this process may write to one image and a bit:
    // the second image's write fails half-way as on a full disk.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = static_cast<rlim_t>(oneImage + 1000);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool threw = false;
    try {
        BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg", "c.jpg"}, cache, offsets, 100, 100);
    } catch (const platform::EStreamError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw) << "the write error is not hidden";
    EXPECT_EQ(offsets, (std::vector<std::string>{"0", "-1", "-1"}));
    EXPECT_EQ(cache.Size(), oneImage);
    EXPECT_TRUE(ReadThumbnail(cache, offsets[0]).has_value());
}
