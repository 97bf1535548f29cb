#include "gfx/GfxTestSupport.h"
#include "gfx/Jpeg.h"
#include "thumbnails/ImageExtract.h"
#include "thumbnails/JpegThumbnail.h"
#include "thumbnails/ThumbBitmap.h"

#include "support/ExifWriter.h"
#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

using support::Rgb;

namespace {

constexpr Rgb Red{220, 20, 20};
constexpr Rgb Green{20, 200, 20};
constexpr Rgb Blue{20, 20, 220};
constexpr Rgb White{255, 255, 255};

uint32_t Packed(Rgb c)
{
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

// Colours after JPEG compression and scaling are close, not exact.
bool Near(uint32_t a, Rgb b, int tolerance = 40)
{
    int dr = int((a >> 16) & 0xFF) - b.r, dg = int((a >> 8) & 0xFF) - b.g, db = int(a & 0xFF) - b.b;
    return std::abs(dr) <= tolerance && std::abs(dg) <= tolerance && std::abs(db) <= tolerance;
}

// The colour near the middle of each quadrant of the bitmap.
struct Quadrants {
    uint32_t tl, tr, bl, br;
};

Quadrants QuadrantsOf(const gfx::Bitmap& b)
{
    int x0 = b.Width() / 4, x1 = b.Width() * 3 / 4, y0 = b.Height() / 4, y1 = b.Height() * 3 / 4;
    return {gfxtest::Get(b, x0, y0), gfxtest::Get(b, x1, y0), gfxtest::Get(b, x0, y1), gfxtest::Get(b, x1, y1)};
}

// Mean absolute difference per channel between a and b, with b mirrored
// left to right and/or top to bottom.
double MeanDifference(const gfx::Bitmap& a, const gfx::Bitmap& b, bool mirror, bool flip)
{
    long diff = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            uint32_t p = gfxtest::Get(a, x, y);
            uint32_t q = gfxtest::Get(b, mirror ? b.Width() - 1 - x : x, flip ? b.Height() - 1 - y : y);
            for (int s = 0; s < 24; s += 8)
                diff += std::abs(int((p >> s) & 0xFF) - int((q >> s) & 0xFF));
        }
    return double(diff) / (3.0 * a.Width() * a.Height());
}

class ExtractTest : public ::testing::Test {
protected:
    support::ScratchFolder dir;

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        return dir.Write(name, bytes);
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Geometry helpers

TEST(ResizeBgr, AveragesAreasWhenShrinkingAndInterpolatesWhenEnlarging)
{
    // Two columns: black and white; shrinking to one pixel gives mid grey.
    gfx::Bitmap src(2, 1, gfx::PixelFormat::Bgr24);
    gfxtest::Set(src, 1, 0, 0xFFFFFF);
    gfx::Bitmap one = ResizeBgr(src, 1, 1);
    ASSERT_EQ(one.Width(), 1);
    EXPECT_NEAR(one.Row(0)[0], 128, 1);

    // A 1-pixel-wide stripe pattern shrunk by 5 has no aliasing: every
    // output pixel is the stripes' mean, not one of the stripes.
    gfx::Bitmap stripes(10, 10, gfx::PixelFormat::Bgr24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            gfxtest::Set(stripes, x, y, x % 2 ? 0xC8C8C8 : 0);
    gfx::Bitmap small = ResizeBgr(stripes, 2, 2);
    ASSERT_EQ(small.Width(), 2);
    EXPECT_EQ(small.Row(0)[0], 80);  // 0, 200, 0, 200, 0
    EXPECT_EQ(small.Row(0)[3], 120); // 200, 0, 200, 0, 200

    gfx::Bitmap big = ResizeBgr(src, 4, 1);
    ASSERT_EQ(big.Width(), 4);
    EXPECT_EQ(big.Row(0)[0], 0);
    EXPECT_EQ(big.Row(0)[9], 255);
    EXPECT_GT(big.Row(0)[3], 0);
    EXPECT_LT(big.Row(0)[3], 255);
}

TEST(CollapseDoubledSeparators, TurnsEachDoubledSeparatorIntoOne)
{
    EXPECT_EQ(CollapseDoubledSeparators("//photo.jpg"), "/photo.jpg");
    EXPECT_EQ(CollapseDoubledSeparators("/media/card//DCIM//a.jpg"), "/media/card/DCIM/a.jpg");
    EXPECT_EQ(CollapseDoubledSeparators("/home/a/b.jpg"), "/home/a/b.jpg");
    EXPECT_EQ(CollapseDoubledSeparators(""), "");
}

// ---------------------------------------------------------------------------
// The EXIF block

TEST(ParseExifTiff, FindsOrientationAndThumbnailInBothByteOrders)
{
    std::vector<uint8_t> thumb = support::SolidJpeg(16, 12, Green);
    for (bool motorola : {false, true}) {
        std::vector<uint8_t> tiff = support::ExifTiff(6, thumb, motorola);
        TExifThumbFacts facts;
        ASSERT_TRUE(ParseExifTiff(tiff.data(), tiff.size(), facts));
        EXPECT_EQ(facts.Orientation, 6);
        EXPECT_EQ(facts.ThumbLength, thumb.size());
        ASSERT_LE(facts.ThumbOffset + facts.ThumbLength, tiff.size());
        EXPECT_EQ(tiff[facts.ThumbOffset], 0xFF);
        EXPECT_EQ(tiff[facts.ThumbOffset + 1], 0xD8);
    }
}

TEST(ParseExifTiff, RejectsOrIgnoresEverythingOutsideTheBlock)
{
    std::vector<uint8_t> thumb = support::SolidJpeg(16, 12, Green);
    TExifThumbFacts facts;

    // A thumbnail said to lie beyond the block is not reported.
    std::vector<uint8_t> outside = support::ExifTiff(1, thumb, false, 1000);
    ASSERT_TRUE(ParseExifTiff(outside.data(), outside.size(), facts));
    EXPECT_EQ(facts.ThumbLength, 0u);

    // Every truncation of a valid block parses safely; none reports a
    // thumbnail that does not fit.
    std::vector<uint8_t> full = support::ExifTiff(3, thumb);
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        TExifThumbFacts f;
        if (ParseExifTiff(cut.data(), cut.size(), f)) {
            EXPECT_LE(f.ThumbOffset + f.ThumbLength, n);
        }
    }

    // Not TIFF at all, or a wrong magic number.
    const uint8_t junk[] = {'X', 'X', 42, 0, 8, 0, 0, 0};
    EXPECT_FALSE(ParseExifTiff(junk, sizeof junk, facts));
    const uint8_t badMagic[] = {'I', 'I', 43, 0, 8, 0, 0, 0};
    EXPECT_FALSE(ParseExifTiff(badMagic, sizeof badMagic, facts));
    EXPECT_FALSE(ParseExifTiff(nullptr, 0, facts));

    // Orientation values outside 1..8 count as upright.
    std::vector<uint8_t> odd = support::ExifTiff(9, {});
    ASSERT_TRUE(ParseExifTiff(odd.data(), odd.size(), facts));
    EXPECT_EQ(facts.Orientation, 1);
}

TEST(ParseExifTiff, SurvivesAnIfdLinkPointingBackAtItself)
{
    // IFD0 at 8 with no entries linking to itself as IFD1: read once, no loop.
    const uint8_t loop[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0};
    TExifThumbFacts facts;
    EXPECT_TRUE(ParseExifTiff(loop, sizeof loop, facts));
    EXPECT_EQ(facts.ThumbLength, 0u);
}

// ---------------------------------------------------------------------------
// Extraction

TEST_F(ExtractTest, LandscapeAndPortraitPhotosFitTheBoxIn24Bits)
{
    std::string landscape = Write("l.jpg", support::QuadrantJpeg(400, 300, Red, Blue, Red, Blue));
    std::string portrait = Write("p.jpg", support::QuadrantJpeg(300, 400, Red, Red, Blue, Blue));

    gfx::Bitmap a = NewThumbBitmap(100, 100);
    ASSERT_TRUE(ExtractThumbnail(landscape, a));
    EXPECT_EQ(a.Width(), 100);
    EXPECT_EQ(a.Height(), 75);
    EXPECT_EQ(gfx::BitsPerPixel(a.Format()), 24);
    Quadrants qa = QuadrantsOf(a);
    EXPECT_TRUE(Near(qa.tl, Red));
    EXPECT_TRUE(Near(qa.tr, Blue));

    gfx::Bitmap b = NewThumbBitmap(100, 100);
    ASSERT_TRUE(ExtractThumbnail(portrait, b));
    EXPECT_EQ(b.Width(), 75);
    EXPECT_EQ(b.Height(), 100);
    Quadrants qb = QuadrantsOf(b);
    EXPECT_TRUE(Near(qb.tl, Red));
    EXPECT_TRUE(Near(qb.bl, Blue));
}

TEST_F(ExtractTest, GivesTheRequestedColourDepth)
{
    std::string path = Write("a.jpg", support::SolidJpeg(64, 48, Blue));
    struct Case {
        TPixelFormat format;
        int bits;
    } cases[] = {{TPixelFormat::pfDevice, 24}, {TPixelFormat::pf24bit, 24}, {TPixelFormat::pf32bit, 32},
                 {TPixelFormat::pf16bit, 16}, {TPixelFormat::pf15bit, 16}};
    for (const auto& c : cases) {
        gfx::Bitmap bmp = NewThumbBitmap(100, 100, c.format);
        ASSERT_TRUE(ExtractThumbnail(path, bmp));
        EXPECT_EQ(gfx::BitsPerPixel(bmp.Format()), c.bits);
        EXPECT_TRUE(Near(gfxtest::Get(bmp, 50, 30), Blue)) << c.bits;
    }
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pf1bit), 1);
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pf4bit), 4);
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pf8bit), 8);
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pf15bit), 16);
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pfDevice), 24);
    EXPECT_EQ(ColourDepthOf(TPixelFormat::pfCustom), 24);
}

TEST_F(ExtractTest, PrefersTheEmbeddedThumbnailWhenItCoversTheBox)
{
    // The photo is red, its embedded thumbnail green: the colour tells which
    // one was used.
    std::vector<uint8_t> photo = support::SolidJpeg(640, 480, Red);
    std::string withThumb = Write("t.jpg", support::JpegWithExif(support::ExifTiff(1, support::SolidJpeg(160, 120, Green)), photo));
    std::string withApp0 =
        Write("t0.jpg", support::JpegWithExif(support::ExifTiff(1, support::SolidJpeg(160, 120, Green), true), photo, true));

    for (const std::string& path : {withThumb, withApp0}) {
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        ASSERT_TRUE(ExtractThumbnail(path, bmp));
        EXPECT_EQ(bmp.Width(), 100);
        EXPECT_EQ(bmp.Height(), 75);
        EXPECT_TRUE(Near(gfxtest::Get(bmp, 50, 37), Green)) << path;
    }
}

TEST_F(ExtractTest, FallsBackToThePhotoWhenTheEmbeddedThumbnailIsUnusable)
{
    std::vector<uint8_t> photo = support::SolidJpeg(640, 480, Red);
    std::vector<uint8_t> damagedThumb = support::SolidJpeg(160, 120, Green);
    damagedThumb.resize(damagedThumb.size() / 2);
    std::vector<uint8_t> garbage(300, 0x5A);

    struct Case {
        const char* name;
        std::vector<uint8_t> tiff;
    } cases[] = {
        {"too-small.jpg", support::ExifTiff(1, support::SolidJpeg(40, 30, Green))},
        {"outside.jpg", support::ExifTiff(1, support::SolidJpeg(160, 120, Green), false, 100000)},
        {"truncated.jpg", support::ExifTiff(1, damagedThumb)},
        {"garbage.jpg", support::ExifTiff(1, garbage)},
    };
    for (const auto& c : cases) {
        std::string path = Write(c.name, support::JpegWithExif(c.tiff, photo));
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        ASSERT_TRUE(ExtractThumbnail(path, bmp)) << c.name;
        EXPECT_TRUE(Near(gfxtest::Get(bmp, 50, 37), Red)) << c.name;
    }
}

TEST_F(ExtractTest, TurnsEveryExifOrientationUpright)
{
    // Upright the picture is 4:3 with red, green / blue, white quadrants.
    // Each row gives how a camera stores it for that orientation (the
    // quadrants of the stored picture, which is 3:4 for 5 to 8).
    struct Case {
        int orientation;
        Rgb tl, tr, bl, br;
    } cases[] = {
        {1, Red, Green, Blue, White},  {2, Green, Red, White, Blue}, {3, White, Blue, Green, Red},
        {4, Blue, White, Red, Green},  {5, Red, Blue, Green, White}, {6, Green, White, Red, Blue},
        {7, White, Green, Blue, Red},  {8, Blue, Red, White, Green},
    };
    for (const auto& c : cases) {
        bool sideways = c.orientation >= 5;
        std::vector<uint8_t> stored =
            support::QuadrantJpeg(sideways ? 300 : 400, sideways ? 400 : 300, c.tl, c.tr, c.bl, c.br);
        // Once with an embedded thumbnail stored the same way, once without.
        std::vector<uint8_t> thumb =
            support::QuadrantJpeg(sideways ? 120 : 160, sideways ? 160 : 120, c.tl, c.tr, c.bl, c.br);
        for (bool embedded : {false, true}) {
            std::string name = "o" + std::to_string(c.orientation) + (embedded ? "t" : "") + ".jpg";
            std::string path =
                Write(name, support::JpegWithExif(support::ExifTiff(c.orientation, embedded ? thumb : std::vector<uint8_t>{}), stored));
            gfx::Bitmap bmp = NewThumbBitmap(100, 100);
            ASSERT_TRUE(ExtractThumbnail(path, bmp)) << name;
            EXPECT_EQ(bmp.Width(), 100) << name;
            EXPECT_EQ(bmp.Height(), 75) << name;
            Quadrants q = QuadrantsOf(bmp);
            EXPECT_TRUE(Near(q.tl, Red)) << name;
            EXPECT_TRUE(Near(q.tr, Green)) << name;
            EXPECT_TRUE(Near(q.bl, Blue)) << name;
            EXPECT_TRUE(Near(q.br, White)) << name;
        }
    }
}

TEST_F(ExtractTest, RefusesDamagedOrForeignFilesSilentlyAndLeavesTheBitmapAlone)
{
    std::vector<uint8_t> good = support::QuadrantJpeg(320, 240, Red, Green, Blue, White);
    std::vector<uint8_t> half(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 200);
    std::vector<uint8_t> soiOnly = {0xFF, 0xD8};
    std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
    std::vector<uint8_t> badSegment = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xD9};
    // A huge claimed size in an otherwise plausible frame header.
    std::vector<uint8_t> hugeFrame = good;
    for (size_t i = 2; i + 9 < hugeFrame.size(); ++i)
        if (hugeFrame[i] == 0xFF && hugeFrame[i + 1] == 0xC0) {
            hugeFrame[i + 5] = hugeFrame[i + 6] = hugeFrame[i + 7] = hugeFrame[i + 8] = 0xFF;
            break;
        }

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty.jpg", {}},         {"half.jpg", half},           {"header.jpg", headerOnly},
        {"soi.jpg", soiOnly},      {"text.jpg", text},           {"segment.jpg", badSegment},
        {"huge.jpg", hugeFrame},
    };
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    for (const auto& c : cases) {
        std::string path = Write(c.name, c.bytes);
        gfx::Bitmap bmp = NewThumbBitmap(100, 100, TPixelFormat::pf32bit);
        EXPECT_FALSE(ExtractThumbnail(path, bmp)) << c.name;
        EXPECT_EQ(bmp.Width(), 100) << c.name;
        EXPECT_EQ(bmp.Height(), 100) << c.name;
        EXPECT_EQ(gfx::BitsPerPixel(bmp.Format()), 32) << c.name;
        EXPECT_EQ(gfxtest::Get(bmp, 10, 10), Packed(White)) << c.name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ExtractTest, CorruptScanDataNeverCrashesOrPrints)
{
    std::vector<uint8_t> good = support::QuadrantJpeg(320, 240, Red, Green, Blue, White);
    testing::internal::CaptureStderr();
    // Overwrite a run of bytes at many places inside the image data.
    for (size_t at = good.size() / 4; at + 40 < good.size(); at += good.size() / 23) {
        std::vector<uint8_t> bad = good;
        for (size_t i = 0; i < 32; ++i)
            bad[at + i] = static_cast<uint8_t>(i * 37 + at);
        std::string path = Write("c.jpg", bad);
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        if (!ExtractThumbnail(path, bmp)) {
            EXPECT_EQ(bmp.Height(), 100);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ExtractTest, MissingFilesFoldersAndPipesNamedLikePhotosGiveFalse)
{
    std::filesystem::create_directory(dir / "folder.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    // The pipe is not even opened: opening a pipe or a device can act on it.
    const int watch = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(::inotify_add_watch(watch, (dir / "pipe.jpg").c_str(), IN_OPEN), 0);
    for (const char* name : {"missing.jpg", "folder.jpg", "pipe.jpg"}) {
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        EXPECT_FALSE(ExtractThumbnail(dir / name, bmp)) << name;
        EXPECT_EQ(bmp.Width(), 100);
    }
    char event[256];
    EXPECT_LT(::read(watch, event, sizeof event), 0) << "the pipe was opened";
    ::close(watch);
    gfx::Bitmap empty;
    std::string path = Write("a.jpg", support::SolidJpeg(64, 48, Blue));
    EXPECT_FALSE(ExtractThumbnail(path, empty)) << "a 0 x 0 request has no answer";
}

TEST_F(ExtractTest, PathWithADoubledSeparatorReachesTheFile)
{
    Write("a.jpg", support::SolidJpeg(64, 48, Blue));
    gfx::Bitmap bmp = NewThumbBitmap(100, 100);
    EXPECT_TRUE(ExtractThumbnail(dir.Path() + "//a.jpg", bmp));
    EXPECT_EQ(bmp.Width(), 100);
}

// ---------------------------------------------------------------------------
// Work bounds: a small file may declare a huge picture or a long chain of
// scans; the provider refuses it instead of spending gigabytes or minutes.

namespace {

using EncodeOptions = support::JpegOptions;

// A gradient picture encoded as asked.
std::vector<uint8_t> Encode(const EncodeOptions& o)
{
    return support::EncodeJpeg(o, [&](int y, int components, uint8_t* row) {
        for (size_t i = 0; i < static_cast<size_t>(o.width) * components; ++i)
            row[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(y) * 3) & 0xFF);
    });
}

// The same bytes with the frame header claiming width x height.
std::vector<uint8_t> Claiming(std::vector<uint8_t> jpeg, int width, int height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2 || jpeg[i + 1] == 0xC9 ||
                                jpeg[i + 1] == 0xCA)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height & 0xFF);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width & 0xFF);
            return jpeg;
        }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

long PeakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST_F(ExtractTest, HugeSizesDeclaredByASmallFileAreRefusedWithoutGigabytes)
{
    EncodeOptions baseline;
    EncodeOptions progressive;
    progressive.progressive = true;
    EncodeOptions arithmetic;
    arithmetic.progressive = arithmetic.arithmetic = true;
    struct Case {
        const char* name;
        EncodeOptions options;
        int side;
    } cases[] = {
        {"baseline-65500", baseline, 65500},       {"baseline-30000", baseline, 30000},
        {"progressive-65500", progressive, 65500}, {"progressive-30000", progressive, 30000},
        {"arithmetic-65500", arithmetic, 65500},   {"arithmetic-30000", arithmetic, 30000},
        {"arithmetic-12000", arithmetic, 12000},
    };
    const long before = PeakResidentKiB();
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = Claiming(Encode(c.options), c.side, c.side);
        ASSERT_LT(bytes.size(), 2048u) << c.name;
        std::string path = Write(std::string(c.name) + ".jpg", bytes);
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        EXPECT_FALSE(ExtractThumbnail(path, bmp)) << c.name;
        EXPECT_EQ(bmp.Width(), 100) << c.name;
        EXPECT_EQ(bmp.Height(), 100) << c.name;
        EXPECT_EQ(gfxtest::Get(bmp, 50, 50), Packed(White)) << c.name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Decoding them whole would take from 0.6 to 25 GB.
    EXPECT_LT(PeakResidentKiB() - before, 400L * 1024) << "KiB more at the peak";
}

// The picture header must come within a bounded reach: a huge file of other
// data is given up (the type icon shows) after reading a small part of it,
// while a photo behind megabytes of marker segments still decodes.
TEST_F(ExtractTest, PictureHeaderIsLookedForOnlyWithinABoundedReach)
{
    const std::string sparse = Write("sparse.jpg", {0xFF, 0xD8});
    ASSERT_EQ(::truncate(sparse.c_str(), 5LL << 30), 0);
    const int fd = ::open(sparse.c_str(), O_RDONLY);
    EXPECT_FALSE(gfx::DecodeJpegFile(fd, {100, 100}).has_value());
    EXPECT_LE(::lseek(fd, 0, SEEK_CUR), 64L << 20) << "bytes read before giving up";
    ::close(fd);

    std::vector<uint8_t> photo = support::SolidJpeg(64, 48, Blue), app2 = {0xFF, 0xE2, 0xFF, 0xFF};
    app2.resize(0x10001, 7);
    for (int i = 0; i < 100; ++i)  // 6.5 MB of segments
        photo.insert(photo.begin() + 2, app2.begin(), app2.end());
    gfx::Bitmap bmp = NewThumbBitmap(100, 100);
    EXPECT_TRUE(ExtractThumbnail(Write("padded.jpg", photo), bmp));
}

TEST_F(ExtractTest, ScanChainsLongerThanAnyEncoderWritesAreRefused)
{
    // Grey pictures whose AC coefficients are each sent alone in a first scan
    // at low precision, then refined bit by bit: a lawful but absurd script.
    auto script = [](int firstAl) {
        std::vector<jpeg_scan_info> scans;
        scans.push_back({1, {0}, 0, 0, 0, 0});
        for (int k = 1; k <= 63; ++k) {
            scans.push_back({1, {0}, k, k, 0, firstAl});
            for (int al = firstAl - 1; al >= 0; --al)
                scans.push_back({1, {0}, k, k, al + 1, al});
        }
        return scans;
    };
    EncodeOptions manyScans;  // 694 scans over a small picture
    manyScans.space = JCS_GRAYSCALE;
    manyScans.progressive = true;
    manyScans.width = manyScans.height = 256;
    manyScans.scans = script(10);
    EncodeOptions muchWork;  // 316 scans, each over 140,000 blocks
    muchWork.space = JCS_GRAYSCALE;
    muchWork.progressive = true;
    muchWork.width = muchWork.height = 3000;
    muchWork.scans = script(4);
    EncodeOptions fewScans = manyScans;  // 64 scans over the small picture
    fewScans.scans = script(0);

    gfx::Bitmap bmp = NewThumbBitmap(100, 100);
    EXPECT_FALSE(ExtractThumbnail(Write("many.jpg", Encode(manyScans)), bmp));
    EXPECT_FALSE(ExtractThumbnail(Write("work.jpg", Encode(muchWork)), bmp));
    EXPECT_EQ(bmp.Width(), 100);
    EXPECT_EQ(gfxtest::Get(bmp, 50, 50), Packed(White));
    EXPECT_TRUE(ExtractThumbnail(Write("few.jpg", Encode(fewScans)), bmp));
}

TEST_F(ExtractTest, OrdinaryProgressiveAndArithmeticPhotosStillDecode)
{
    // A 12-megapixel progressive photo and its arithmetic-coded twin sit well
    // inside the bounds.
    EncodeOptions progressive;
    progressive.width = 4000;
    progressive.height = 3000;
    progressive.progressive = true;
    EncodeOptions arithmetic = progressive;
    arithmetic.arithmetic = true;
    EncodeOptions small = arithmetic;
    small.width = 640;
    small.height = 480;
    small.progressive = false;
    for (const EncodeOptions& o : {progressive, arithmetic, small}) {
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        ASSERT_TRUE(ExtractThumbnail(Write("p.jpg", Encode(o)), bmp)) << o.width << (o.arithmetic ? " arithmetic" : "");
        EXPECT_EQ(bmp.Width(), 100);
        EXPECT_EQ(bmp.Height(), 75);
    }
}

// ---------------------------------------------------------------------------
// Real camera files

TEST(ExtractFixtures, EveryCameraSampleGivesAThumbnailAndNoFileCrashes)
{
    const std::filesystem::path root = std::filesystem::path(QUISTELOR_FIXTURES_DIR) / "exif-samples";
    if (!std::filesystem::is_directory(root))
        GTEST_SKIP() << "fixtures folder " << root << " is absent";

    // The camera files at the top of the collection are sound pictures.
    int good = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.path().extension() != ".jpg" || entry.path().filename() == "corrupted.jpg")
            continue;
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        EXPECT_TRUE(ExtractThumbnail(entry.path().string(), bmp)) << entry.path();
        EXPECT_TRUE(bmp.Width() == 100 || bmp.Height() == 100) << entry.path();
        ++good;
    }
    EXPECT_GT(good, 10);

    // Everything else, broken files included, only has to come back.
    testing::internal::CaptureStderr();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        gfx::Bitmap bmp = NewThumbBitmap(100, 100);
        if (!ExtractThumbnail(entry.path().string(), bmp)) {
            EXPECT_EQ(bmp.Height(), 100);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ExtractFixtures, AllOrientationSamplesShowTheSameUprightPicture)
{
    const std::filesystem::path root = std::filesystem::path(QUISTELOR_FIXTURES_DIR) / "exif-samples" / "orientation";
    if (!std::filesystem::is_directory(root))
        GTEST_SKIP() << "fixtures folder " << root << " is absent";
    for (const char* kind : {"landscape", "portrait"}) {
        gfx::Bitmap reference = NewThumbBitmap(100, 100);
        ASSERT_TRUE(ExtractThumbnail((root / (std::string(kind) + "_1.jpg")).string(), reference));
        for (int o = 2; o <= 8; ++o) {
            std::string name = std::string(kind) + "_" + std::to_string(o) + ".jpg";
            gfx::Bitmap bmp = NewThumbBitmap(100, 100);
            ASSERT_TRUE(ExtractThumbnail((root / name).string(), bmp)) << name;
            ASSERT_EQ(bmp.Width(), reference.Width()) << name;
            ASSERT_EQ(bmp.Height(), reference.Height()) << name;
            // The samples differ slightly (each shows its own number), so
            // the upright reference must match far better than its mirror
            // images do.
            double same = MeanDifference(bmp, reference, false, false);
            double mirrored = MeanDifference(bmp, reference, true, false);
            double flipped = MeanDifference(bmp, reference, false, true);
            EXPECT_LT(same * 1.5, std::min(mirrored, flipped)) << name;
        }
    }
}
