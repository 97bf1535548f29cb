// Writes seed inputs for the thumbnail fuzzer: small JPEG photos in the
// layouts cameras and editors produce (baseline and progressive, grey, CMYK,
// restart intervals, arithmetic coding), with and without an embedded EXIF
// thumbnail under several orientations, and BMP images as the cache holds
// them.

#include "gfx/Bmp.h"
#include "gfx/GfxTestSupport.h"
#include "thumbnails/ThumbBitmap.h"
#include "support/ExifWriter.h"
#include "support/JpegSamples.h"

#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;

using Options = support::JpegOptions;

// A gradient in every channel.
Bytes Encode(const Options& o)
{
    return support::EncodeJpeg(o, [&](int y, int components, uint8_t* row) {
        for (int x = 0; x < o.width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<size_t>(x) * components + c] =
                    static_cast<uint8_t>((x * 255 / o.width + y * 255 / o.height * (c + 1)) & 0xFF);
    });
}


} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_thumb_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1] + std::string("/thumb-");
    bool ok = true;

    Options plain;
    Options progressive;
    progressive.progressive = true;
    Options grey;
    grey.space = JCS_GRAYSCALE;
    Options cmyk;
    cmyk.space = JCS_CMYK;
    Options restarts;
    restarts.restartRows = 1;
    Options arithmetic;
    arithmetic.arithmetic = true;
    Options arithmeticProgressive = arithmetic;
    arithmeticProgressive.progressive = true;
    Options tall;
    tall.width = 24;
    tall.height = 90;
    tall.fullChroma = true;
    Options wide;
    wide.width = 300;
    wide.height = 9;
    Options tiny;
    tiny.width = tiny.height = 1;

    ok &= fuzz::Save(dir + "plain.jpg", Encode(plain));
    ok &= fuzz::Save(dir + "progressive.jpg", Encode(progressive));
    ok &= fuzz::Save(dir + "grey.jpg", Encode(grey));
    ok &= fuzz::Save(dir + "cmyk.jpg", Encode(cmyk));
    ok &= fuzz::Save(dir + "restarts.jpg", Encode(restarts));
    ok &= fuzz::Save(dir + "arithmetic.jpg", Encode(arithmetic));
    ok &= fuzz::Save(dir + "arithmetic-progressive.jpg", Encode(arithmeticProgressive));
    ok &= fuzz::Save(dir + "tall.jpg", Encode(tall));
    ok &= fuzz::Save(dir + "wide.jpg", Encode(wide));
    ok &= fuzz::Save(dir + "tiny.jpg", Encode(tiny));

    // Photos with an EXIF block: orientation only, and with an embedded
    // thumbnail (big enough for the box, and too small so the photo is
    // decoded after it), in both byte orders.
    Options photo;
    photo.width = 200;
    photo.height = 150;
    photo.quality = 30;
    const Bytes body = Encode(photo);
    Options thumbOptions;
    thumbOptions.width = 160;
    thumbOptions.height = 120;
    thumbOptions.quality = 30;
    const Bytes thumb = Encode(thumbOptions);
    Options smallThumbOptions;
    smallThumbOptions.width = 40;
    smallThumbOptions.height = 30;
    const Bytes smallThumb = Encode(smallThumbOptions);
    Options progressiveThumbOptions = thumbOptions;
    progressiveThumbOptions.progressive = true;
    const Bytes progressiveThumb = Encode(progressiveThumbOptions);
    for (int orientation : {1, 3, 6, 8}) {
        const std::string o = std::to_string(orientation);
        ok &= fuzz::Save(dir + "exif-" + o + ".jpg", support::JpegWithExif(support::ExifTiff(orientation, {}), body));
        ok &= fuzz::Save(dir + "exif-thumb-" + o + "-ii.jpg",
                   support::JpegWithExif(support::ExifTiff(orientation, thumb), body, true));
        ok &= fuzz::Save(dir + "exif-thumb-" + o + "-mm.jpg",
                   support::JpegWithExif(support::ExifTiff(orientation, thumb, true), body));
    }
    ok &= fuzz::Save(dir + "exif-small-thumb-5.jpg", support::JpegWithExif(support::ExifTiff(5, smallThumb), body));
    ok &= fuzz::Save(dir + "exif-progressive-thumb-7.jpg",
               support::JpegWithExif(support::ExifTiff(7, progressiveThumb, true), body));
    ok &= fuzz::Save(dir + "exif-thumb-outside-2.jpg",
               support::JpegWithExif(support::ExifTiff(2, thumb, false, 100000), body));

    // Cache images in every depth the cache reader takes.
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf16bit}) {
        gfx::Bitmap bitmap = NewThumbBitmap(7, 5, format);
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                gfxtest::Set(bitmap, x, y, static_cast<uint32_t>(x * 0x253A1F + y * 0x11F0A3) & 0xFFFFFF);
        ok &= fuzz::Save(dir + "cache-" + std::to_string(gfx::BitsPerPixel(bitmap.Format())) + ".bmp",
                         gfx::EncodeBmp(bitmap));
    }
    gfx::Bitmap square = NewThumbBitmap(100, 75, TPixelFormat::pf24bit);
    ok &= fuzz::Save(dir + "cache-100x75.bmp", gfx::EncodeBmp(square));
    return ok ? 0 : 1;
}
