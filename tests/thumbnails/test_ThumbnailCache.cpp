#include "gfx/GfxTestSupport.h"
#include "gfx/Bmp.h"
#include "thumbnails/ThumbBitmap.h"
#include "thumbnails/ThumbnailCache.h"
#include "platform/FileStream.h"

#include "support/ExifWriter.h"
#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using support::Rgb;

namespace {

constexpr Rgb Red{220, 20, 20};
constexpr Rgb Blue{20, 20, 220};

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
        support::WriteFile(photos / name, bytes);
    }
    std::vector<uint8_t> CacheBytes() { return support::ReadFile<std::vector<uint8_t>>(dir / "cache.dat"); }
};

// FNV-1a: a fingerprint of file bytes that must not change.
uint64_t Fingerprint(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 0xcbf29ce484222325u;
    for (uint8_t b : bytes)
        h = (h ^ b) * 0x100000001b3u;
    return h;
}

} // namespace

TEST(ThumbBitmap, CutOrPadWhiteCutsOrAddsWhiteRowsAndColumns)
{
    gfx::Bitmap bmp = NewThumbBitmap(4, 3, TPixelFormat::pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            gfxtest::Set(bmp, x, y, 0x102030);
    gfx::Bitmap taller = CutOrPadWhite(bmp, 4, 5);
    EXPECT_EQ(taller.Height(), 5);
    EXPECT_EQ(gfxtest::Get(taller, 3, 2), 0x102030u);
    EXPECT_EQ(gfxtest::Get(taller, 0, 3), 0xFFFFFFu);
    EXPECT_EQ(gfxtest::Get(taller, 3, 4), 0xFFFFFFu);
    gfx::Bitmap wider = CutOrPadWhite(taller, 6, 5);
    EXPECT_EQ(wider.Width(), 6);
    EXPECT_EQ(gfxtest::Get(wider, 3, 0), 0x102030u);
    EXPECT_EQ(gfxtest::Get(wider, 4, 0), 0xFFFFFFu);
    EXPECT_EQ(gfxtest::Get(wider, 5, 4), 0xFFFFFFu);
    gfx::Bitmap cut = CutOrPadWhite(wider, 1, 2);
    EXPECT_EQ(cut.Width(), 1);
    EXPECT_EQ(cut.Height(), 2);
    EXPECT_EQ(gfxtest::Get(cut, 0, 1), 0x102030u);
    EXPECT_EQ(cut.Format(), gfx::PixelFormat::Bgr24);
}

TEST(ThumbBitmap, EmptyAndOutOfRangeSizes)
{
    EXPECT_TRUE(gfx::Bitmap().IsEmpty());
    EXPECT_TRUE(NewThumbBitmap(0, 10).IsEmpty());
    EXPECT_TRUE(NewThumbBitmap(-5, 10).IsEmpty());
    EXPECT_FALSE(NewThumbBitmap(1, 1).IsEmpty());
    EXPECT_EQ(NewThumbBitmap(gfx::kMaxBmpSide + 1, 1).Width(), gfx::kMaxBmpSide);
}

// ---------------------------------------------------------------------------
// The cache build

TEST_F(CacheTest, OffsetsPointAtBackToBackImagesAndSkipPhotosWithoutThumbnail)
{
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));           // landscape
    Photo("b.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});     // no thumbnail
    Photo("c.jpg", support::SolidJpeg(300, 400, Blue));          // portrait
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
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));
    Photo("b.jpg", support::SolidJpeg(300, 400, Blue));
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
    Photo("a.jpg", support::SolidJpeg(64, 48, Red));
    Photo("b.jpg", {});
    Photo("c.jpg", support::SolidJpeg(64, 48, Red));
    for (int threads : {1, 4}) {
        std::vector<std::string> events;
        TThumbnailProgress progress;
        progress.OnPhoto = [&](int i, int n) {
            events.push_back(std::to_string(i + 1) + "/" + std::to_string(n));
            // Offsets already hold one entry per photo done so far.
            EXPECT_EQ(offsets.size(), static_cast<size_t>(i));
        };
        progress.OnWritten = [&](int i) { events.push_back("w" + std::to_string(i)); };
        BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg", "c.jpg"}, cache, offsets, 100, 100, progress,
                            threads);
        EXPECT_EQ(events, (std::vector<std::string>{"1/3", "w0", "2/3", "3/3", "w2"})) << threads << " threads";
    }
}

TEST_F(CacheTest, AFolderEndingInASeparatorStillFindsItsPhotos)
{
    // The root folder "/" joined with a name gives "//name.jpg".
    Photo("a.jpg", support::SolidJpeg(64, 48, Red));
    BuildThumbnailCache(photos.Path() + "/", {"a.jpg"}, cache, offsets, 100, 100);
    EXPECT_EQ(offsets, std::vector<std::string>{"0"});
}

TEST_F(CacheTest, ReadingBackRefusesBadEntriesAndDamagedImages)
{
    Photo("a.jpg", support::SolidJpeg(64, 48, Red));
    Photo("b.jpg", support::SolidJpeg(64, 48, Blue));
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
    Photo("a.jpg", support::SolidJpeg(64, 48, Red));
    Photo("b.jpg", support::SolidJpeg(64, 48, Red));
    Photo("c.jpg", support::SolidJpeg(64, 48, Red));
    const int64_t oneImage = 54 + 300 * 75;

    // Limit the size of files this process may write to one image and a bit:
    // the second image's write fails half-way as on a full disk.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = static_cast<rlim_t>(oneImage + 1000);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    for (int threads : {1, 4}) {
        bool threw = false;
        try {
            BuildThumbnailCache(photos.Path(), {"a.jpg", "b.jpg", "c.jpg"}, cache, offsets, 100, 100, {}, threads);
        } catch (const platform::EStreamError&) {
            threw = true;
        }
        EXPECT_TRUE(threw) << "the write error is not hidden, " << threads << " threads";
        EXPECT_EQ(offsets, (std::vector<std::string>{"0", "-1", "-1"}));
        EXPECT_EQ(cache.Size(), oneImage);
        EXPECT_TRUE(ReadThumbnail(cache, offsets[0]).has_value());
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(CacheTest, TheBytesOfAKnownFolderStayTheSameOnOneThreadAndOnFour)
{
    // Every road of the provider: shrink, enlarge, embedded thumbnail, grey,
    // CMYK, progressive, and each orientation.
    auto texture = [](int width, int seed) {
        return [width, seed](int y, int components, uint8_t* row) {
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < components; ++c)
                    row[x * components + c] = static_cast<uint8_t>((x * (c + 1) * 7 + y * 5 + seed * 31 + ((x * y) >> 4)) & 0xFF);
        };
    };
    auto jpeg = [&](int w, int h, int seed, J_COLOR_SPACE space = JCS_RGB, bool progressive = false) {
        support::JpegOptions o;
        o.width = w;
        o.height = h;
        o.space = space;
        o.progressive = progressive;
        return support::EncodeJpeg(o, texture(w, seed));
    };
    std::vector<std::string> names;
    auto add = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        Photo(name, bytes);
        names.push_back(name);
    };
    add("shrunk.jpg", jpeg(640, 480, 1));
    add("enlarged.jpg", jpeg(60, 40, 2));
    add("embedded.jpg", support::JpegWithExif(support::ExifTiff(6, jpeg(160, 120, 4)), jpeg(640, 480, 3)));
    add("grey.jpg", jpeg(300, 200, 5, JCS_GRAYSCALE, true));
    add("cmyk.jpg", jpeg(200, 300, 6, JCS_CMYK));
    for (int orientation = 2; orientation <= 8; ++orientation)
        add("turned" + std::to_string(orientation) + ".jpg",
            support::JpegWithExif(support::ExifTiff(orientation, {}), jpeg(120, 90, orientation)));
    // Workers run ahead of the writer and finish out of order: the file and
    // the offsets must not show it. Photos without a thumbnail sit between
    // and at the end, more photos than the workers' lookahead.
    names.insert(names.begin() + 3, "missing.jpg");
    add("damaged.jpg", {0xFF, 0xD8, 0xFF, 0xE1, 0x00});
    for (int threads : {1, 4}) {
        BuildThumbnailCache(photos.Path(), names, cache, offsets, 100, 100, {}, threads);
        std::string offsetText;
        for (const auto& o : offsets)
            offsetText += o + " ";
        EXPECT_EQ(offsetText, "0 22554 42708 -1 65562 85416 105470 128024 150578 173132 195986 218840 241694 -1 ")
            << threads << " threads";
        EXPECT_EQ(Fingerprint(CacheBytes()), 0x53e4b2baec8c74caU) << std::hex << Fingerprint(CacheBytes());
    }
}
