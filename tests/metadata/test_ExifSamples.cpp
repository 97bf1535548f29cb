// Every real sample photo is read without an exception, and the shooting
// dates equal what a widely used independent EXIF tool reports for them.

#include "metadata/Exif.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = fs::path(QUISTELOR_FIXTURES_DIR) / "exif-samples";

struct Sample {
    const char* file;
    const char* dateTimeOriginal;  // "?" where the file has no EXIF shooting date
};

// The expected dates are the tool's EXIF DateTimeOriginal. Three files have a
// shooting date elsewhere, which the reader does not look at, so "?" here:
// Reconyx_HC500_Hyperfire.jpg keeps it in its maker note only, and
// exif-org/olympus-d320l.jpg and exif-org/sony-powershota5.jpg in maker
// blocks of their own (JFXX, CIFF) instead of an EXIF segment. One file goes
// the other way: tests/30-type_error.jpg writes its Exif pointer as a string,
// which the tool rejects and the reader follows as an offset all the same
// (its XMP packet carries the same date).
const Sample kSamplesTable[] = {
    {"Canon_40D.jpg", "2008:05:30 15:56:01"},
    {"Canon_40D_photoshop_import.jpg", "?"},
    {"Canon_DIGITAL_IXUS_400.jpg", "2004:08:27 13:52:55"},
    {"Canon_PowerShot_S40.jpg", "2003:12:14 12:01:44"},
    {"Fujifilm_FinePix6900ZOOM.jpg", "2001:02:19 06:40:05"},
    {"Fujifilm_FinePix_E500.jpg", "2006:08:17 09:24:48"},
    {"Kodak_CX7530.jpg", "2005:08:13 09:47:23"},
    {"Konica_Minolta_DiMAGE_Z3.jpg", "2005:03:10 15:10:48"},
    {"Nikon_COOLPIX_P1.jpg", "2008:03:07 09:55:46"},
    {"Nikon_D70.jpg", "2008:03:15 09:52:01"},
    {"Olympus_C8080WZ.jpg", "2006:10:22 15:44:29"},
    {"PaintTool_sample.jpg", "?"},
    {"Panasonic_DMC-FZ30.jpg", "2008:07:16 11:33:20"},
    {"Pentax_K10D.jpg", "2008:05:04 16:47:24"},
    {"Reconyx_HC500_Hyperfire.jpg", "?"},
    {"Ricoh_Caplio_RR330.jpg", "2004:08:31 19:52:58"},
    {"Samsung_Digimax_i50_MP3.jpg", "2006:08:15 17:50:57"},
    {"Sony_HDR-HC3.jpg", "2007:06:15 04:42:32"},
    {"WWL_(Polaroid)_ION230.jpg", "2026:11:24 14:41:16"},
    {"corrupted.jpg", "2015:09:08 11:02:17"},
    {"exif-org/canon-ixus.jpg", "2001:06:09 15:17:32"},
    {"exif-org/fujifilm-dx10.jpg", "2001:04:12 20:33:14"},
    {"exif-org/fujifilm-finepix40i.jpg", "2000:08:04 18:22:57"},
    {"exif-org/fujifilm-mx1700.jpg", "2000:09:02 14:30:10"},
    {"exif-org/kodak-dc210.jpg", "2000:10:26 16:46:51"},
    {"exif-org/kodak-dc240.jpg", "1999:05:25 21:00:09"},
    {"exif-org/nikon-e950.jpg", "2001:04:06 11:51:40"},
    {"exif-org/olympus-c960.jpg", "2000:11:07 10:41:43"},
    {"exif-org/olympus-d320l.jpg", "?"},
    {"exif-org/ricoh-rdc5300.jpg", "2000:05:31 21:50:40"},
    {"exif-org/sanyo-vpcg250.jpg", "1998:01:01 00:00:00"},
    {"exif-org/sanyo-vpcsx550.jpg", "2000:11:18 21:14:19"},
    {"exif-org/sony-cybershot.jpg", "2000:09:30 10:59:45"},
    {"exif-org/sony-d700.jpg", "1998:12:01 14:22:36"},
    {"exif-org/sony-powershota5.jpg", "?"},
    {"gps/DSCN0010.jpg", "2008:10:22 16:28:39"},
    {"gps/DSCN0012.jpg", "2008:10:22 16:29:49"},
    {"gps/DSCN0021.jpg", "2008:10:22 16:38:20"},
    {"gps/DSCN0025.jpg", "2008:10:22 16:43:21"},
    {"gps/DSCN0027.jpg", "2008:10:22 16:44:01"},
    {"gps/DSCN0029.jpg", "2008:10:22 16:46:53"},
    {"gps/DSCN0038.jpg", "2008:10:22 16:52:15"},
    {"gps/DSCN0040.jpg", "2008:10:22 16:55:37"},
    {"gps/DSCN0042.jpg", "2008:10:22 17:00:07"},
    {"hdr/canon_hdr_NO.jpg", "2015:02:09 22:47:44"},
    {"hdr/canon_hdr_YES.jpg", "2015:02:09 22:48:10"},
    {"hdr/iphone_hdr_NO.jpg", "2015:04:10 20:12:23"},
    {"hdr/iphone_hdr_YES.jpg", "2015:04:10 20:12:23"},
    {"invalid/image00971.jpg", "?"},
    {"invalid/image01088.jpg", "?"},
    {"invalid/image01137.jpg", "?"},
    {"invalid/image01551.jpg", "?"},
    {"invalid/image01713.jpg", "?"},
    {"invalid/image01980.jpg", "?"},
    {"invalid/image02206.jpg", "?"},
    {"long_description.jpg", "?"},
    {"mobile/HMD_Nokia_8.3_5G.jpg", "2022:08:14 14:12:31"},
    {"mobile/jolla.jpg", "2014:09:21 16:00:56"},
    {"orientation/landscape_1.jpg", "?"},
    {"orientation/landscape_2.jpg", "?"},
    {"orientation/landscape_3.jpg", "?"},
    {"orientation/landscape_4.jpg", "?"},
    {"orientation/landscape_5.jpg", "?"},
    {"orientation/landscape_6.jpg", "?"},
    {"orientation/landscape_7.jpg", "?"},
    {"orientation/landscape_8.jpg", "?"},
    {"orientation/portrait_1.jpg", "?"},
    {"orientation/portrait_2.jpg", "?"},
    {"orientation/portrait_3.jpg", "?"},
    {"orientation/portrait_4.jpg", "?"},
    {"orientation/portrait_5.jpg", "?"},
    {"orientation/portrait_6.jpg", "?"},
    {"orientation/portrait_7.jpg", "?"},
    {"orientation/portrait_8.jpg", "?"},
    {"tests/11-tests.jpg", "2007:09:03 16:03:45"},
    {"tests/22-canon_tags.jpg", "2007:11:29 16:16:21"},
    {"tests/28-hex_value.jpg", "2008:08:21 14:53:03"},
    {"tests/30-type_error.jpg", "2013:07:05 03:18:27"},
    {"tests/32-lens_data.jpeg", "2012:07:14 16:30:12"},
    {"tests/33-type_error.jpg", "2008:05:25 19:31:26"},
    {"tests/35-empty.jpg", "2005:07:19 18:25:29"},
    {"tests/36-memory_error.jpg", "2002:04:21 00:30:33"},
    {"tests/42_IndexError.jpg", "2014:08:23 13:05:43"},
    {"tests/45-gps_ifd.jpg", "2012:06:23 06:55:49"},
    {"tests/67-0_length_string.jpg", "?"},
    {"tests/87_OSError.jpg", "2005:12:14 14:39:47"},
    {"xmp/BlueSquare.jpg", "?"},
    {"xmp/no_exif.jpg", "?"},
};

class ExifSamples : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::is_directory(kSamples))
            GTEST_SKIP() << "sample photos not found in " << kSamples << "; the shared fixtures are not here";
    }
};

} // namespace

TEST_F(ExifSamples, ShootingDatesMatchTheIndependentTool)
{
    for (const Sample& s : kSamplesTable) {
        SCOPED_TRACE(s.file);
        const fs::path file = kSamples / s.file;
        ASSERT_TRUE(fs::exists(file));
        TExif e;
        EXPECT_NO_THROW(e.ReadFromFile(file.string()));
        EXPECT_EQ(e.DateTimeOriginal, s.dateTimeOriginal);
    }
}

TEST_F(ExifSamples, NoSampleRaises)
{
    // Also catches photos added to the folder after this table was written.
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kSamples)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().string());
        TExif e;
        EXPECT_NO_THROW(e.ReadFromFile(entry.path().string()));
        ++count;
    }
    EXPECT_GE(count, std::size(kSamplesTable));
}

TEST_F(ExifSamples, ExifBehindAnIccProfileIsFound)
{
    // These photos carry an ICC profile (APP2) between their JFIF header and
    // their EXIF segment.
    for (int n = 1; n <= 8; ++n) {
        for (const char* kind : {"landscape", "portrait"}) {
            const fs::path file = kSamples / "orientation" / (std::string(kind) + "_" + std::to_string(n) + ".jpg");
            SCOPED_TRACE(file.string());
            TExif e;
            EXPECT_TRUE(e.ReadFromFile(file.string()));
            EXPECT_EQ(e.OrientationValue, n);
        }
    }
}

TEST_F(ExifSamples, KnownCameraFields)
{
    TExif e;
    ASSERT_TRUE(e.ReadFromFile((kSamples / "Canon_40D.jpg").string()));
    EXPECT_EQ(e.Make, "Canon");
    EXPECT_EQ(e.Model, "Canon EOS 40D");
    EXPECT_EQ(e.ExposureTime, "1/160");
    EXPECT_EQ(e.ISOSpeed, "100");
    EXPECT_EQ(e.ExifVersion, "0221");
    EXPECT_EQ(e.ThumbOffset, "1090 ($0442)");
    EXPECT_FALSE(e.MotorolaOrder);

    // Its texts are written without their terminating NUL.
    ASSERT_TRUE(e.ReadFromFile((kSamples / "Kodak_CX7530.jpg").string()));
    EXPECT_EQ(e.DateTimeOriginal, "2005:08:13 09:47:23");
}
