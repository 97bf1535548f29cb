#include "metadata/Exif.h"

#include "support/CommaLocale.h"
#include "support/ExifWriter.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <unistd.h>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace support;

namespace {

struct ReadResult {
    bool found = false;
    TExif exif;
};

class ExifTest : public ::testing::Test {
protected:
    ReadResult Read(const Bytes& bytes, const std::string& name = "photo.jpg")
    {
        ReadResult r;
        r.found = r.exif.ReadFromFile(dir_.Write(name, bytes));
        return r;
    }

    support::ScratchFolder dir_;
};

// The same tests run on Intel and on Motorola order.
class ExifOrderTest : public ExifTest, public ::testing::WithParamInterface<bool> {
protected:
    TiffWriter W() const { return TiffWriter(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifOrderTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Motorola" : "Intel"; });

// The text fields with their reset values, for whole-object comparisons.
std::vector<std::pair<const char*, std::string TExif::*>> TextFields()
{
    return {
        {"ImageDescription", &TExif::ImageDescription}, {"Make", &TExif::Make},
        {"Model", &TExif::Model}, {"XResolution", &TExif::XResolution},
        {"YResolution", &TExif::YResolution}, {"Orientation", &TExif::Orientation},
        {"RightsNotice", &TExif::RightsNotice}, {"DateTime", &TExif::DateTime},
        {"Software", &TExif::Software}, {"DateTimeOriginal", &TExif::DateTimeOriginal},
        {"DateTimeDigitized", &TExif::DateTimeDigitized}, {"UserComment", &TExif::UserComment},
        {"ExposureTime", &TExif::ExposureTime}, {"FNumber", &TExif::FNumber},
        {"ExifVersion", &TExif::ExifVersion}, {"SubjectDistance", &TExif::SubjectDistance},
        {"MeteringMode", &TExif::MeteringMode}, {"LightSource", &TExif::LightSource},
        {"Flash", &TExif::Flash}, {"FocalLength", &TExif::FocalLength},
        {"ExposureProgram", &TExif::ExposureProgram}, {"ISOSpeed", &TExif::ISOSpeed},
        {"ExifImageWidth", &TExif::ExifImageWidth}, {"ExifImageHeight", &TExif::ExifImageHeight},
        {"ThumbXResolution", &TExif::ThumbXResolution}, {"ThumbYResolution", &TExif::ThumbYResolution},
        {"ThumbOffset", &TExif::ThumbOffset}, {"ThumbLength", &TExif::ThumbLength},
        {"CommentCharset", &TExif::CommentCharset},
    };
}

// The base of the first EXIF segment in a file built by the writer.
std::size_t BaseOf(const Bytes& file)
{
    static const Bytes id = B(std::string("Exif\0\0", 6));
    for (std::size_t i = 4; i + id.size() <= file.size(); ++i)
        if (file[i - 4] == 0xFF && file[i - 3] == 0xE1 && std::equal(id.begin(), id.end(), file.begin() + i))
            return i + id.size();
    return 0;
}

// Compares every field of two reads of the same block; the comment position
// is a file position and moves with the block by shift bytes.
void ExpectSameFields(const TExif& a, const TExif& b, std::size_t shift = 0)
{
    for (auto [name, field] : TextFields())
        EXPECT_EQ(a.*field, b.*field) << name;
    EXPECT_EQ(a.OrientationValue, b.OrientationValue);
    EXPECT_EQ(a.Valid, b.Valid);
    EXPECT_EQ(std::uint16_t(a.CommentPosition + shift), b.CommentPosition);
    EXPECT_EQ(a.CommentLength, b.CommentLength);
    EXPECT_EQ(a.ExifIfdOffset, b.ExifIfdOffset);
    EXPECT_EQ(a.NextIfdOffset, b.NextIfdOffset);
    EXPECT_EQ(a.ExifEntryCount, b.ExifEntryCount);
    EXPECT_EQ(a.ThumbEntryCount, b.ThumbEntryCount);
}

void ExpectAllUnset(const TExif& e)
{
    for (auto [name, field] : TextFields()) {
        if (std::string(name) == "Orientation") {
            EXPECT_EQ(e.Orientation, "Normal");
        } else if (std::string(name) != "CommentCharset") {
            EXPECT_EQ(e.*field, "?") << name;
        }
    }
    EXPECT_EQ(e.OrientationValue, 1);
    EXPECT_FALSE(e.Valid);
    EXPECT_EQ(e.ExifIfdOffset, 0u);
}

// A block that fills every field, for the tests that compare layouts.
TiffWriter FullBlock(bool motorola)
{
    TiffWriter w(motorola);
    w.Ifd0(w.Text(0x010E, "A lizard on a rock"))
        .Ifd0(w.Text(0x010F, "Canon"))
        .Ifd0(w.Text(0x0110, "EOS"))
        .Ifd0(w.Short(0x0112, 6))
        .Ifd0(w.Rational(0x011A, 300, 1))
        .Ifd0(w.Rational(0x011B, 72, 1))
        .Ifd0(w.Text(0x0131, "Fw 1.0"))
        .Ifd0(w.Text(0x0132, "2008:07:31 10:38:11"))
        .Ifd0(w.Text(0x8298, "(c) someone"))
        .Exif(w.Rational(0x829A, 10, 600))
        .Exif(w.Rational(0x829D, 28, 10))
        .Exif(w.Short(0x8822, 3))
        .Exif(w.Short(0x8827, 400))
        .Exif(w.Undefined(0x9000, "0221"))
        .Exif(w.Text(0x9003, "2006:05:12 14:30:00"))
        .Exif(w.Text(0x9004, "2006:05:12 14:30:01"))
        .Exif(w.Rational(0x9206, 35, 10))
        .Exif(w.Short(0x9207, 5))
        .Exif(w.Short(0x9208, 17))
        .Exif(w.Short(0x9209, 7))
        .Exif(w.Rational(0x920A, 50, 1))
        .Exif(w.Undefined(0x9286, std::string("ASCII\0\0\0Hello\0there", 19)))
        .Exif(w.Long(0xA002, 70000))
        .Exif(w.Long(0xA003, 65536))
        .Ifd1(w.Rational(0x011A, 72, 1))
        .Ifd1(w.Rational(0x011B, 180, 1))
        .Ifd1(w.Long(0x0201, 5120))
        .Ifd1(w.Long(0x0202, 123456));
    return w;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction, reset and re-use
// ---------------------------------------------------------------------------

TEST_F(ExifTest, NewObjectHoldsResetValuesAndZeros)
{
    TExif e;
    ExpectAllUnset(e);
    EXPECT_EQ(e.CommentPosition, 0);
    EXPECT_EQ(e.CommentLength, 0);
    EXPECT_EQ(e.CommentCharset, "");
    EXPECT_EQ(e.NextIfdOffset, 0u);
    EXPECT_EQ(e.ExifEntryCount, 0);
    EXPECT_EQ(e.ThumbEntryCount, 0);
    EXPECT_FALSE(e.MotorolaOrder);
}

TEST_F(ExifTest, MissingFileReturnsFalseAndLeavesFieldsUntouched)
{
    TExif e;
    e.DateTimeOriginal = "kept";
    e.Valid = true;
    EXPECT_FALSE(e.ReadFromFile(dir_.Path() + "/no-such-photo.jpg"));
    EXPECT_FALSE(e.ReadFromFile(dir_.Path() + "/no-such-folder/photo.jpg"));
    EXPECT_FALSE(e.ReadFromFile(""));
    EXPECT_EQ(e.DateTimeOriginal, "kept");
    EXPECT_TRUE(e.Valid);
}

TEST_F(ExifTest, SecondReadResetsFieldsButKeepsThoseWithoutResetValue)
{
    TiffWriter w = FullBlock(true);
    TExif e;
    ASSERT_TRUE(e.ReadFromFile(dir_.Write("a.jpg", JpegWithExif(w.Build()))));
    ASSERT_EQ(e.CommentCharset, std::string("ASCII\0\0\0", 8));

    // A non-JPEG resets what has a reset value.
    EXPECT_FALSE(e.ReadFromFile(dir_.Write("b.jpg", B("plain text, not a photo"))));
    ExpectAllUnset(e);
    EXPECT_EQ(e.CommentCharset, std::string("ASCII\0\0\0", 8));
    EXPECT_EQ(e.CommentLength, 19);
    EXPECT_TRUE(e.MotorolaOrder);
    EXPECT_EQ(e.ExifEntryCount, 15);
    EXPECT_EQ(e.ThumbEntryCount, 4);

    // A block without comment or Exif IFD keeps the earlier comment fields.
    TiffWriter small(false);
    small.Ifd0(small.Text(0x010F, "Nikon"));
    EXPECT_TRUE(e.ReadFromFile(dir_.Write("c.jpg", JpegWithExif(small.Build()))));
    EXPECT_EQ(e.Make, "Nikon");
    EXPECT_EQ(e.DateTimeOriginal, "?");
    EXPECT_FALSE(e.MotorolaOrder);
    EXPECT_EQ(e.CommentLength, 19);
    EXPECT_EQ(e.ExifIfdOffset, 0u);
}

// ---------------------------------------------------------------------------
// Finding the EXIF segment
// ---------------------------------------------------------------------------

TEST_P(ExifOrderTest, EveryFieldOfAFullBlock)
{
    TiffWriter w = FullBlock(GetParam());
    const Bytes tiff = w.Build();
    ReadResult r = Read(JpegWithExif(tiff));
    ASSERT_TRUE(r.found);
    const TExif& e = r.exif;
    EXPECT_TRUE(e.Valid);
    EXPECT_EQ(e.MotorolaOrder, GetParam());
    EXPECT_EQ(e.ImageDescription, "A lizard on a rock");
    EXPECT_EQ(e.Make, "Canon");
    EXPECT_EQ(e.Model, "EOS");
    EXPECT_EQ(e.OrientationValue, 6);
    EXPECT_EQ(e.Orientation, "Rotated 90 right");
    EXPECT_EQ(e.XResolution, "300.0");
    EXPECT_EQ(e.YResolution, "?");
    EXPECT_EQ(e.Software, "Fw 1.0");
    EXPECT_EQ(e.DateTime, "2008:07:31 10:38:11");
    EXPECT_EQ(e.RightsNotice, "(c) someone");
    EXPECT_EQ(e.ExposureTime, "1/60");
    EXPECT_EQ(e.FNumber, "2.8");
    EXPECT_EQ(e.ExposureProgram, "Priorité ouverture");
    EXPECT_EQ(e.ISOSpeed, "400");
    EXPECT_EQ(e.ExifVersion, "0221");
    EXPECT_EQ(e.DateTimeOriginal, "2006:05:12 14:30:00");
    EXPECT_EQ(e.DateTimeDigitized, "2006:05:12 14:30:01");
    EXPECT_EQ(e.SubjectDistance, "3.5");
    EXPECT_EQ(e.MeteringMode, "Multi-segment");
    EXPECT_EQ(e.LightSource, "Std A");
    EXPECT_EQ(e.Flash, "Flash (retour détecté)");
    EXPECT_EQ(e.FocalLength, "244");
    EXPECT_EQ(e.UserComment, "Hello");
    EXPECT_EQ(e.CommentCharset, std::string("ASCII\0\0\0", 8));
    EXPECT_EQ(e.CommentLength, 19);
    EXPECT_EQ(e.ExifImageWidth, "70000");
    EXPECT_EQ(e.ExifImageHeight, "65536");
    EXPECT_EQ(e.ThumbXResolution, "? (défaut=72)");
    EXPECT_EQ(e.ThumbYResolution, "180.0");
    EXPECT_EQ(e.ThumbOffset, "5120 ($1400)");
    EXPECT_EQ(e.ThumbLength, "123456");
    EXPECT_EQ(e.ExifIfdOffset, w.ExifIfdOffset());
    EXPECT_EQ(e.NextIfdOffset, w.Ifd1Offset());
    EXPECT_EQ(e.ExifEntryCount, 15);
    EXPECT_EQ(e.ThumbEntryCount, 4);
}

TEST_F(ExifTest, IntelAndMotorolaOrderGiveTheSameTexts)
{
    TiffWriter intel = FullBlock(false), motorola = FullBlock(true);
    ReadResult a = Read(JpegWithExif(intel.Build()), "intel.jpg");
    ReadResult b = Read(JpegWithExif(motorola.Build()), "motorola.jpg");
    ASSERT_TRUE(a.found);
    ASSERT_TRUE(b.found);
    ExpectSameFields(a.exif, b.exif);
    EXPECT_NE(a.exif.MotorolaOrder, b.exif.MotorolaOrder);
}

TEST_P(ExifOrderTest, SegmentIsFoundWhereverTheMarkerChainLeads)
{
    TiffWriter w = FullBlock(GetParam());
    const Bytes tiff = w.Build();
    const Bytes exif = ExifSegment(tiff);
    ReadResult first = Read(Soi() + exif + ScanAndEnd(), "first.jpg");
    ASSERT_TRUE(first.found);

    const Bytes icc = Segment(0xE2, B("ICC_PROFILE") + Bytes(300, 7));
    const Bytes xmp = Segment(0xE1, B("http://ns.adobe.com/xap/1.0/") + Bytes(40, ' '));
    const Bytes longApp0 = Segment(0xE0, B("JFXX") + Bytes(100, 1));
    const Bytes quant = Segment(0xDB, Bytes(65, 3));
    const std::vector<std::pair<const char*, Bytes>> layouts = {
        {"behind a JFIF header", Soi() + Jfif() + exif + ScanAndEnd()},
        {"behind a longer APP0", Soi() + longApp0 + exif + ScanAndEnd()},
        {"behind an ICC profile", Soi() + icc + exif + ScanAndEnd()},
        {"behind an XMP APP1", Soi() + xmp + exif + ScanAndEnd()},
        {"behind several segments", Soi() + Jfif() + longApp0 + icc + quant + exif + ScanAndEnd()},
        // The start of the file is read at once; a block far behind it is
        // read on demand.
        {"behind 200 KiB of segments", Soi() + Segment(0xE2, Bytes(65000, 1)) + Segment(0xE2, Bytes(65000, 2)) +
                                           Segment(0xE2, Bytes(65000, 3)) + Segment(0xED, Bytes(10000, 4)) + exif +
                                           ScanAndEnd()},
    };
    for (const auto& [what, bytes] : layouts) {
        SCOPED_TRACE(what);
        ReadResult r = Read(bytes, "layout.jpg");
        EXPECT_TRUE(r.found);
        ExpectSameFields(first.exif, r.exif, BaseOf(bytes) - 12);
    }
}

TEST_P(ExifOrderTest, BlocksStraddlingTheStartReadInOneGoAreReadWhole)
{
    // Shift the block across the usual read sizes (4, 16 and 64 KiB) so
    // that entries, texts and rationals in turn cross the boundary of what
    // is read first.
    TiffWriter w = FullBlock(GetParam());
    const Bytes exif = ExifSegment(w.Build());
    ReadResult first = Read(Soi() + exif + ScanAndEnd(), "first.jpg");
    std::vector<std::size_t> pads;
    for (std::size_t boundary : {4096, 16384, 65536})
        for (std::size_t pad = boundary - 700; pad < boundary - 4; pad += 37) pads.push_back(pad);
    for (std::size_t pad : pads) {
        SCOPED_TRACE(pad);
        const Bytes file = Soi() + Segment(0xE2, Bytes(pad - 8, 9)) + exif + ScanAndEnd();
        ReadResult r = Read(file, "shifted.jpg");
        ASSERT_TRUE(r.found);
        ExpectSameFields(first.exif, r.exif, BaseOf(file) - 12);
    }
}

TEST_F(ExifTest, FilesWithoutAnExifSegmentGiveFalseAndUnsetFields)
{
    TiffWriter w = FullBlock(false);
    const Bytes exif = ExifSegment(w.Build());
    const Bytes xmp = Segment(0xE1, B("http://ns.adobe.com/xap/1.0/") + Bytes(40, ' '));
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"not a JPEG", B("GIF89a") + Bytes(100, 0)},
        {"JPEG without metadata", Soi() + Jfif() + ScanAndEnd()},
        {"only an XMP APP1", Soi() + xmp + ScanAndEnd()},
        {"APP1 without the Exif identifier", Soi() + Segment(0xE1, B("Exif") + Bytes{0, 1} + w.Build()) + ScanAndEnd()},
        {"EXIF behind the start of scan", Soi() + ScanAndEnd() + exif},
        {"EXIF behind the end of image", Soi() + Bytes{0xFF, 0xD9} + exif},
        {"a byte other than FF where a marker starts", Soi() + Jfif() + Bytes{0x00} + exif},
        {"a segment length below 2", Soi() + Bytes{0xFF, 0xE0, 0x00, 0x01} + exif},
        {"a segment that runs off the end", Soi() + Bytes{0xFF, 0xE2, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"a chain that ends inside a marker", Soi() + Jfif() + Bytes{0xFF, 0xE1, 0x00}},
        {"an empty file", Bytes{}},
        {"the start marker alone", Soi()},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        TExif e;
        e.Make = "from an earlier file";
        bool found = true;
        ASSERT_NO_THROW(found = e.ReadFromFile(dir_.Write("none.jpg", bytes)));
        EXPECT_FALSE(found);
        ExpectAllUnset(e);
    }
}

// ---------------------------------------------------------------------------
// Files that cannot be read
// ---------------------------------------------------------------------------

TEST_F(ExifTest, FilesEndingInsideAHeaderRaiseNamingTheFile)
{
    TiffWriter w = FullBlock(false);
    const Bytes tiff = w.Build();
    const Bytes app1 = ExifSegment(tiff);
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"one byte", Bytes{0xFF}},
        {"start marker and part of the first segment header", Soi() + Bytes{0xFF, 0xE1, 0x00, 0x20, 'E'}},
        {"start marker and eleven bytes", Soi() + Bytes(9, 0xFF)},
        {"TIFF header cut after 4 bytes", Soi() + Bytes(app1.begin(), app1.begin() + 14)},
        {"TIFF header cut after 9 bytes", Soi() + Bytes(app1.begin(), app1.begin() + 19)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const std::string file = dir_.Write("cut.jpg", bytes);
        TExif e;
        try {
            e.ReadFromFile(file);
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& err) {
            EXPECT_NE(std::string(err.what()).find(file), std::string::npos) << err.what();
            EXPECT_NE(std::string(err.what()).find("end of file"), std::string::npos) << err.what();
            EXPECT_EQ(err.FileName(), file);
        }
    }
}

TEST_F(ExifTest, FileEndingRightAtTheTiffHeaderIsAnEmptyBlock)
{
    ReadResult r = Read(Soi() + Bytes{0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0});
    EXPECT_TRUE(r.found);
    EXPECT_TRUE(r.exif.Valid);
    EXPECT_EQ(r.exif.DateTimeOriginal, "?");
}

TEST_F(ExifTest, UnopenableFileRaisesWithTheSystemReason)
{
    // A folder opens but cannot be read as a file.
    try {
        TExif e;
        e.ReadFromFile(dir_.Path());
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& err) {
        const std::string msg = err.what();
        EXPECT_NE(msg.find(dir_.Path()), std::string::npos) << msg;
        EXPECT_NE(msg.find(platform::SysErrorMessage(EISDIR)), std::string::npos) << msg;
    }
}

// ---------------------------------------------------------------------------
// Value texts
// ---------------------------------------------------------------------------

TEST_P(ExifOrderTest, AsciiValues)
{
    struct Case {
        const char* what;
        std::string stored;
        std::uint32_t count;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"camera date with its NUL", std::string("2006:05:12 14:30:00\0", 20), 20, "2006:05:12 14:30:00"},
        {"date counted without its NUL", "2005:08:13 09:47:23", 19, "2005:08:13 09:47:23"},
        {"extra NULs in the count", std::string("2006:05:12\0\0\0\0\0\0\0\0\0\0", 20), 20, "2006:05:12"},
        {"count of 0", "", 0, ""},
        {"short text inside the entry", std::string("ab\0", 3), 3, "ab"},
        {"four bytes inside the entry", "abcd", 4, "abcd"},
        {"inside the entry, count shorter than the bytes", "abcd", 2, "ab"},
        {"NUL first", std::string("\0abcdef", 7), 7, ""},
        {"count larger than the file, NUL found", std::string("Canon\0", 6), 0xFFFFFFFFu, "Canon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffWriter w = W();
        w.Exif(w.Ascii(0x9003, c.stored, c.count));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.DateTimeOriginal, c.expected);
    }
}

TEST_P(ExifOrderTest, AsciiValuesThatCannotBeReadAreEmpty)
{
    {
        SCOPED_TRACE("offset beyond the end of the file");
        TiffWriter w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 20, 0x7FFFFFF0));
        EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.DateTimeOriginal, "");
    }
    {
        SCOPED_TRACE("offset at the top of the 32-bit range");
        TiffWriter w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 20, 0xFFFFFFFF));
        EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.DateTimeOriginal, "");
    }
    {
        SCOPED_TRACE("text runs into the end of the file");
        TiffWriter w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 4000, 0));
        Bytes tiff = w.Build();
        const std::uint32_t at = std::uint32_t(tiff.size());
        w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 4000, at));
        tiff = w.Build() + B("2006:05:12 14:30:00");
        EXPECT_EQ(Read(Soi() + ExifSegment(tiff)).exif.DateTimeOriginal, "");
    }
    {
        SCOPED_TRACE("text runs past the end of its segment");
        TiffWriter w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 20, 0));
        const std::uint32_t at = std::uint32_t(w.Build().size());
        w = W();
        w.Exif(w.Raw(0x9003, kTiffAscii, 20, at));
        const Bytes tiff = w.Build() + B("2006:05:12");
        EXPECT_EQ(Read(Soi() + ExifSegment(tiff) + Segment(0xE2, B(" 14:30:00"))).exif.DateTimeOriginal, "");
    }
}

// A value cannot be longer than the segment that holds it (64 KiB at most):
// a comment declaring 0xF0000000 bytes in a 4 GiB file is read as empty,
// without reading or allocating gigabytes, and the other values still read.
TEST_P(ExifOrderTest, HugeDeclaredValuesEndWithTheirSegment)
{
    TiffWriter w = W();
    w.Exif(w.Text(0x9003, "2006:05:12 14:30:00")).Exif(w.Raw(0x9286, kTiffUndefined, 0xF0000000, 0));
    const std::uint32_t at = std::uint32_t(w.Build().size());
    w = W();
    w.Exif(w.Text(0x9003, "2006:05:12 14:30:00")).Exif(w.Raw(0x9286, kTiffUndefined, 0xF0000000, at));
    const std::string file = dir_.Write("sparse.jpg", Soi() + ExifSegment(w.Build() + B("ASCII\0\0\0Hi")));
    ASSERT_EQ(::truncate(file.c_str(), 0x100001000LL), 0);
    TExif exif;
    EXPECT_TRUE(exif.ReadFromFile(file));
    EXPECT_EQ(exif.UserComment + "|" + exif.DateTimeOriginal, "|2006:05:12 14:30:00");
}

TEST_P(ExifOrderTest, RationalValues)
{
    struct Case {
        std::uint32_t num, den;
        const char* expected;
    };
    const Case cases[] = {
        {10, 600, "1/60"}, {1, 3, "1/3"}, {28, 10, "2.8"}, {10, 1, "10.0"}, {0, 5, "0"}, {5, 0, "0"},
        {0, 0, "0"}, {2, 3, "1/2"}, {2, 5, "1/2"}, {2, 7, "1/4"}, {1, 4294967295u, "1/4294967295"},
        {300, 1, "300.0"}, {9999, 10, "999.9"}, {12344, 10, "1234.0"}, {12346, 10, "1235.0"},
        {4294967295u, 1, "4294967295.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.num) + "/" + std::to_string(c.den));
        TiffWriter w = W();
        w.Exif(w.Rational(0x829A, c.num, c.den)).Exif(w.Rational(0x829D, c.num, c.den, kTiffSRational));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.ExposureTime, c.expected);
        EXPECT_EQ(r.exif.FNumber, c.expected);
    }
}

TEST_P(ExifOrderTest, SignedRationalsAreReadAsUnsigned)
{
    TiffWriter w = W();
    w.Exif(w.Rational(0x9206, 0xFFFFFFFF, 0xFFFFFFFE, kTiffSRational));  // -1 / -2
    EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.SubjectDistance, "1.0");
}

TEST_P(ExifOrderTest, RationalBeyondTheFileIsEmpty)
{
    TiffWriter w = W();
    w.Exif(w.Raw(0x829A, kTiffRational, 1, 0x00100000));
    EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.ExposureTime, "");
}

TEST_P(ExifOrderTest, NumbersAndUndefinedBytes)
{
    TiffWriter w = W();
    w.Exif(w.Short(0x8827, 65535))
        .Exif({0x9206, kTiffByte, 1, Bytes{200}, {}})
        .Exif(w.Long(0xA002, 4294967295u))
        .Exif({0xA003, kTiffSLong, 1, w.U32(0xFFFFFFFE), {}})
        .Exif(w.Undefined(0x9000, std::string("02\0", 3)))
        .Exif(w.Undefined(0x9004, std::string("behind\0the entry", 16)));
    ReadResult r = Read(JpegWithExif(w.Build()));
    EXPECT_EQ(r.exif.ISOSpeed, "65535");
    EXPECT_EQ(r.exif.SubjectDistance, "200");
    EXPECT_EQ(r.exif.ExifImageWidth, "4294967295");
    EXPECT_EQ(r.exif.ExifImageHeight, "4294967294");
    EXPECT_EQ(r.exif.ExifVersion, std::string("02\0", 3));
    EXPECT_EQ(r.exif.DateTimeDigitized, std::string("behind\0the entry", 16));
}

TEST_P(ExifOrderTest, TypesWithoutTextKeepTheFieldsContent)
{
    TiffWriter w = W();
    w.Exif({0x8827, kTiffFloat, 1, w.U32(0x42C80000), {}})
        .Exif({0xA002, kTiffShort, 3, w.U16(1) + w.U16(2) + w.U16(3), {}})  // an array behind the entry
        .Exif({0xA003, kTiffSShort, 1, w.U16(5), {}})
        .Exif({0x9004, kTiffRational, 0, {}, 0u});  // a rational with no value
    ReadResult r = Read(JpegWithExif(w.Build()));
    EXPECT_EQ(r.exif.ISOSpeed, "?");
    EXPECT_EQ(r.exif.ExifImageWidth, "?");
    EXPECT_EQ(r.exif.ExifImageHeight, "?");
    EXPECT_EQ(r.exif.DateTimeDigitized, "?");
}

TEST_F(ExifTest, IntelShortCarriesTheFollowingBytesAsItsHighHalf)
{
    // Two garbage bytes behind a SHORT value: Intel order reads all four as
    // one number, Motorola order takes the first two.
    for (bool motorola : {false, true}) {
        TiffWriter w(motorola);
        Bytes field = w.U16(100);
        field.push_back(1);
        field.push_back(0);
        w.Exif({0x8827, kTiffShort, 1, field, {}});
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.ISOSpeed, motorola ? "100" : "65636");
    }
}

TEST_P(ExifOrderTest, HugeCountsAreNotWrappedIntoInlineValues)
{
    // 0x20000000 rationals are 4 GiB: in 32 bits that size wraps to 0.
    TiffWriter w = W();
    w.Exif(w.Raw(0x829D, kTiffRational, 0x20000000, 0));
    Bytes tiff = w.Build();
    const std::uint32_t at = std::uint32_t(tiff.size());
    w = W();
    w.Exif(w.Raw(0x829D, kTiffRational, 0x20000000, at));
    tiff = w.Build() + w.U32(28) + w.U32(10);
    EXPECT_EQ(Read(Soi() + ExifSegment(tiff) + ScanAndEnd()).exif.FNumber, "2.8");
}

// ---------------------------------------------------------------------------
// Value tables and post-processing rules
// ---------------------------------------------------------------------------

TEST_P(ExifOrderTest, ValueTables)
{
    struct Case {
        std::uint16_t tag;
        std::string TExif::*field;
        std::uint32_t value;
        const char* expected;
    };
    const Case cases[] = {
        {0x0112, &TExif::Orientation, 1, "Normal"},
        {0x0112, &TExif::Orientation, 2, "Mirrored"},
        {0x0112, &TExif::Orientation, 3, "Rotated 180"},
        {0x0112, &TExif::Orientation, 4, "Rotated 180, mirrored"},
        {0x0112, &TExif::Orientation, 5, "Rotated 90 left, mirrored"},
        {0x0112, &TExif::Orientation, 6, "Rotated 90 right"},
        {0x0112, &TExif::Orientation, 7, "Rotated 90 right, mirrored"},
        {0x0112, &TExif::Orientation, 8, "Rotated 90 left"},
        {0x0112, &TExif::Orientation, 0, "Unknown"},
        {0x0112, &TExif::Orientation, 9, "Unknown"},
        {0x9207, &TExif::MeteringMode, 0, "Inconnu"},
        {0x9207, &TExif::MeteringMode, 1, "Moyen"},
        {0x9207, &TExif::MeteringMode, 2, "Central pondéré"},
        {0x9207, &TExif::MeteringMode, 3, "Spot"},
        {0x9207, &TExif::MeteringMode, 4, "MultiSpot"},
        {0x9207, &TExif::MeteringMode, 5, "Multi-segment"},
        {0x9207, &TExif::MeteringMode, 6, "Partiel"},
        {0x9207, &TExif::MeteringMode, 7, "Inconnu"},
        {0x9207, &TExif::MeteringMode, 255, "Inconnu"},
        {0x9208, &TExif::LightSource, 0, "Inconnu"},
        {0x9208, &TExif::LightSource, 1, "Naturel"},
        {0x9208, &TExif::LightSource, 2, "Fluo"},
        {0x9208, &TExif::LightSource, 3, "Tungsten"},
        {0x9208, &TExif::LightSource, 4, "Inconnu"},
        {0x9208, &TExif::LightSource, 16, "Inconnu"},
        {0x9208, &TExif::LightSource, 17, "Std A"},
        {0x9208, &TExif::LightSource, 18, "Std B"},
        {0x9208, &TExif::LightSource, 19, "Std C"},
        {0x9208, &TExif::LightSource, 20, "D55"},
        {0x9208, &TExif::LightSource, 21, "D65"},
        {0x9208, &TExif::LightSource, 22, "D75"},
        {0x9208, &TExif::LightSource, 23, "Inconnu"},
        {0x8822, &TExif::ExposureProgram, 0, "Inconnu"},
        {0x8822, &TExif::ExposureProgram, 1, "Manuel"},
        {0x8822, &TExif::ExposureProgram, 2, "Normal"},
        {0x8822, &TExif::ExposureProgram, 3, "Priorité ouverture"},
        {0x8822, &TExif::ExposureProgram, 4, "Priorité vitesse"},
        {0x8822, &TExif::ExposureProgram, 5, "Créatif"},
        {0x8822, &TExif::ExposureProgram, 6, "Action"},
        {0x8822, &TExif::ExposureProgram, 7, "Portrait"},
        {0x8822, &TExif::ExposureProgram, 8, "Paysage"},
        {0x8822, &TExif::ExposureProgram, 9, "Inconnu"},
        {0x9209, &TExif::Flash, 0, "Pas de flash"},
        {0x9209, &TExif::Flash, 1, "Flash"},
        {0x9209, &TExif::Flash, 5, "Flash (retour non détecté)"},
        {0x9209, &TExif::Flash, 7, "Flash (retour détecté)"},
        {0x9209, &TExif::Flash, 16, "?"},
        {0x9209, &TExif::Flash, 24, "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tag) + " = " + std::to_string(c.value));
        TiffWriter w = W();
        if (c.tag == 0x0112)
            w.Ifd0(w.Short(c.tag, std::uint16_t(c.value)));
        else
            w.Exif(w.Short(c.tag, std::uint16_t(c.value)));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.*c.field, c.expected);
        if (c.tag == 0x0112) {
            EXPECT_EQ(r.exif.OrientationValue, c.value);
        }
    }
}

TEST_P(ExifOrderTest, OrientationValueIsTheLowByte)
{
    TiffWriter w = W();
    w.Ifd0(w.Long(0x0112, 0x0106));
    ReadResult r = Read(JpegWithExif(w.Build()));
    EXPECT_EQ(r.exif.OrientationValue, 6);
    EXPECT_EQ(r.exif.Orientation, "Unknown");
}

TEST_P(ExifOrderTest, ResolutionRule)
{
    struct Case {
        Tag (*make)(const TiffWriter&, std::uint16_t);
        const char* main;
        const char* thumb;
    };
    const Case cases[] = {
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 72, 1); }, "?", "? (défaut=72)"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 144, 2); }, "?", "? (défaut=72)"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 716, 10); }, "?", "? (défaut=72)"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 724, 10); }, "?", "? (défaut=72)"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 726, 10); }, "72.6", "72.6"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 300, 1); }, "300.0", "300.0"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 1, 2); }, "?", "?"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Rational(t, 0, 1); }, "0", "0"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Short(t, 72); }, "?", "? (défaut=72)"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Long(t, 96); }, "96", "96"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Text(t, "dpi"); }, "?", "?"},
        {[](const TiffWriter& w, std::uint16_t t) { return w.Text(t, " 72.0 "); }, "?", "? (défaut=72)"},
    };
    for (const Case& c : cases) {
        TiffWriter w = W();
        w.Ifd0(c.make(w, 0x011A)).Ifd0(c.make(w, 0x011B)).Ifd1(c.make(w, 0x011A)).Ifd1(c.make(w, 0x011B));
        ReadResult r = Read(JpegWithExif(w.Build()));
        SCOPED_TRACE(c.main);
        EXPECT_EQ(r.exif.XResolution, c.main);
        EXPECT_EQ(r.exif.YResolution, c.main);
        EXPECT_EQ(r.exif.ThumbXResolution, c.thumb);
        EXPECT_EQ(r.exif.ThumbYResolution, c.thumb);
    }
}

TEST_P(ExifOrderTest, FocalLengthRule)
{
    const std::vector<std::pair<Tag, const char*>> cases = {
        {W().Rational(0x920A, 50, 1), "244"},
        {W().Rational(0x920A, 58, 10), "28"},
        {W().Rational(0x920A, 200, 1), "975"},
        {W().Rational(0x920A, 1, 2), "1/2"},
        {W().Rational(0x920A, 0, 1), "0"},
        {W().Short(0x920A, 8), "39"},
        {W().Text(0x920A, "wide"), "wide"},
    };
    for (const auto& [tag, expected] : cases) {
        SCOPED_TRACE(expected);
        TiffWriter w = W();
        w.Exif(tag);
        EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.FocalLength, expected);
    }
}

TEST_P(ExifOrderTest, ThumbnailOffsetRule)
{
    const std::vector<std::pair<Tag, const char*>> cases = {
        {W().Long(0x0201, 5120), "5120 ($1400)"},
        {W().Long(0x0201, 10), "10 ($000A)"},
        {W().Long(0x0201, 0), "0 ($0000)"},
        {W().Long(0x0201, 70000), "70000 ($11170)"},
        {W().Long(0x0201, 4294967295u), "4294967295 ($FFFFFFFF)"},
        {W().Text(0x0201, "none"), "none"},
    };
    for (const auto& [tag, expected] : cases) {
        SCOPED_TRACE(expected);
        TiffWriter w = W();
        w.Ifd1(tag);
        EXPECT_EQ(Read(JpegWithExif(w.Build())).exif.ThumbOffset, expected);
    }
}

TEST_P(ExifOrderTest, CommentRule)
{
    {
        SCOPED_TRACE("character code, then text cut at its NUL");
        TiffWriter w = W();
        w.Exif(w.Undefined(0x9286, std::string("UNICODE\0Hi\0there", 16)));
        const Bytes tiff = w.Build();
        ReadResult r = Read(JpegWithExif(tiff));
        EXPECT_EQ(r.exif.CommentCharset, std::string("UNICODE\0", 8));
        EXPECT_EQ(r.exif.UserComment, "Hi");
        EXPECT_EQ(r.exif.CommentLength, 16);
        // The comment is the first value in the data area; the base is 12.
        EXPECT_EQ(r.exif.CommentPosition, w.DataOffset() + 12);

        ReadResult behindJfif = Read(Soi() + Jfif() + ExifSegment(tiff) + ScanAndEnd());
        EXPECT_EQ(behindJfif.exif.CommentPosition, w.DataOffset() + 30);
    }
    {
        SCOPED_TRACE("eight bytes or fewer are no split");
        TiffWriter w = W();
        w.Exif(w.Undefined(0x9286, "abc"));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.UserComment, "abc");
        EXPECT_EQ(r.exif.CommentCharset, "");
        EXPECT_EQ(r.exif.CommentLength, 3);
    }
    {
        SCOPED_TRACE("a character code alone leaves an empty text");
        TiffWriter w = W();
        w.Exif(w.Undefined(0x9286, std::string("ASCII\0\0\0\0", 9)));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.UserComment, "");
        EXPECT_EQ(r.exif.CommentCharset, std::string("ASCII\0\0\0", 8));
    }
    {
        SCOPED_TRACE("a comment that cannot be read");
        TiffWriter w = W();
        w.Exif(w.Raw(0x9286, kTiffUndefined, 0x00012345, 0x00FFFF00));
        ReadResult r = Read(JpegWithExif(w.Build()));
        EXPECT_EQ(r.exif.UserComment, "");
        EXPECT_EQ(r.exif.CommentCharset, "");
        EXPECT_EQ(r.exif.CommentLength, 0x2345);
        EXPECT_EQ(r.exif.CommentPosition, (0x00FFFF00 + 12) % 65536);
    }
}

// ---------------------------------------------------------------------------
// Walking the directories
// ---------------------------------------------------------------------------

TEST_P(ExifOrderTest, DirectoryCountOfZeroReadsNoEntry)
{
    TiffWriter w = W();
    w.Exif(w.Text(0x9003, "2006:05:12 14:30:00"));
    Bytes tiff = w.Build();
    // Zero the Exif IFD's count: its entries are still in the file.
    const Bytes zero = w.U16(0);
    std::copy(zero.begin(), zero.end(), tiff.begin() + w.ExifIfdOffset());
    ReadResult r = Read(JpegWithExif(tiff));
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.exif.ExifEntryCount, 0);
    EXPECT_EQ(r.exif.DateTimeOriginal, "?");
}

TEST_P(ExifOrderTest, UnknownTagsAreSkipped)
{
    TiffWriter w = W();
    w.Exif(w.Text(0x0131, "not here")).Exif(w.Long(0x1234, 7)).Exif(w.Text(0x9003, "2006:05:12 14:30:00"));
    w.Ifd1(w.Text(0x010F, "nor here"));
    ReadResult r = Read(JpegWithExif(w.Build()));
    EXPECT_EQ(r.exif.Software, "?");
    EXPECT_EQ(r.exif.Make, "?");
    EXPECT_EQ(r.exif.DateTimeOriginal, "2006:05:12 14:30:00");
}

TEST_P(ExifOrderTest, TruncatedBlocksAreReadUpToTheirEnd)
{
    TiffWriter w = FullBlock(GetParam());
    const Bytes full = Soi() + ExifSegment(w.Build());
    ReadResult whole = Read(full);
    // Cut the file anywhere behind the TIFF header: nothing raises, the
    // result stays true and every field is either what the whole file gives
    // or still unset.
    for (std::size_t len = 22; len < full.size(); ++len) {
        SCOPED_TRACE(len);
        ReadResult r;
        ASSERT_NO_THROW(r = Read(Bytes(full.begin(), full.begin() + std::ptrdiff_t(len))));
        EXPECT_TRUE(r.found);
        EXPECT_TRUE(r.exif.Make == "?" || r.exif.Make == "" || r.exif.Make == whole.exif.Make) << r.exif.Make;
        EXPECT_TRUE(r.exif.DateTimeOriginal == "?" || r.exif.DateTimeOriginal == "" ||
                    r.exif.DateTimeOriginal == whole.exif.DateTimeOriginal)
            << r.exif.DateTimeOriginal;
    }
}

TEST_P(ExifOrderTest, EntryEndingAtTheEndOfTheFileIsNotRead)
{
    TiffWriter w = W();
    w.Ifd0(w.Short(0x0112, 3));
    Bytes tiff = w.Build();
    // Header (8), count (2), one entry (12): cut right behind the entry.
    tiff.resize(22);
    EXPECT_EQ(Read(Soi() + ExifSegment(tiff)).exif.Orientation, "Normal");
    tiff.push_back(0);
    EXPECT_EQ(Read(Soi() + ExifSegment(Bytes(tiff))).exif.Orientation, "Rotated 180");
}

TEST_P(ExifOrderTest, DirectoryOffsetsBeyondTheFileAreIgnored)
{
    TiffWriter w = W();
    w.Ifd0(w.Long(0x8769, 0xFFFFFFF0));
    Bytes tiff = w.Build();
    const std::uint32_t linkAt = 8 + 2 + 12;
    const Bytes link = w.U32(0x7FFFFFFF);
    std::copy(link.begin(), link.end(), tiff.begin() + linkAt);
    TExif e;
    e.ThumbEntryCount = 9;
    const std::string file = dir_.Write("far.jpg", JpegWithExif(tiff));
    EXPECT_TRUE(e.ReadFromFile(file));
    EXPECT_EQ(e.ExifIfdOffset, 0xFFFFFFF0u);
    EXPECT_EQ(e.NextIfdOffset, 0x7FFFFFFFu);
    EXPECT_EQ(e.ThumbEntryCount, 9);
    EXPECT_EQ(e.DateTimeOriginal, "?");
}

TEST_P(ExifOrderTest, DecimalSeparatorFollowsTheLocale)
{
    const std::string comma = CommaLocale();
    if (comma.empty()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, comma.c_str());
    TiffWriter w = W();
    w.Ifd0(w.Rational(0x011A, 300, 1)).Ifd0(w.Rational(0x011B, 72, 1));
    w.Exif(w.Rational(0x829D, 28, 10)).Exif(w.Rational(0x920A, 50, 1));
    ReadResult r = Read(JpegWithExif(w.Build()));
    std::setlocale(LC_NUMERIC, old.c_str());
    EXPECT_EQ(r.exif.FNumber, "2,8");
    EXPECT_EQ(r.exif.XResolution, "300,0");
    EXPECT_EQ(r.exif.YResolution, "?");
    EXPECT_EQ(r.exif.FocalLength, "244");
}
