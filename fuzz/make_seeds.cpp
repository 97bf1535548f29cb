// Writes synthetic seed photos for the fuzzer: EXIF blocks in both byte
// orders, behind the usual segment layouts, with values inside and behind
// their entries.

#include "support/ExifWriter.h"

#include "FuzzSupport.h"

#include <cstdio>
#include <string>

using namespace support;

namespace {

TiffWriter Block(bool motorola)
{
    TiffWriter w(motorola);
    w.Ifd0(w.Text(0x010E, "description"))
        .Ifd0(w.Text(0x010F, "Make"))
        .Ifd0(w.Ascii(0x0110, "Mod"))
        .Ifd0(w.Short(0x0112, 6))
        .Ifd0(w.Rational(0x011A, 72, 1))
        .Ifd0(w.Rational(0x011B, 300, 1))
        .Ifd0(w.Text(0x0131, "software"))
        .Ifd0(w.Text(0x0132, "2008:07:31 10:38:11"))
        .Ifd0(w.Text(0x8298, "rights"))
        .Exif(w.Rational(0x829A, 10, 600))
        .Exif(w.Rational(0x829D, 28, 10, kTiffSRational))
        .Exif(w.Short(0x8822, 3))
        .Exif(w.Short(0x8827, 100))
        .Exif(w.Undefined(0x9000, "0221"))
        .Exif(w.Text(0x9003, "2006:05:12 14:30:00"))
        .Exif(w.Ascii(0x9004, "2006:05:12 14:30:01"))
        .Exif(w.Rational(0x9206, 1, 3))
        .Exif(w.Short(0x9207, 5))
        .Exif(w.Short(0x9208, 17))
        .Exif(w.Short(0x9209, 7))
        .Exif(w.Rational(0x920A, 50, 1))
        .Exif(w.Undefined(0x9286, std::string("ASCII\0\0\0comment", 15)))
        .Exif(w.Long(0xA002, 70000))
        .Exif(w.Short(0xA003, 480))
        .Ifd1(w.Rational(0x011A, 72, 1))
        .Ifd1(w.Rational(0x011B, 180, 1))
        .Ifd1(w.Long(0x0201, 5120))
        .Ifd1(w.Long(0x0202, 4000));
    return w;
}


} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (bool motorola : {false, true}) {
        const std::string order = motorola ? "mm" : "ii";
        const Bytes exif = ExifSegment(Block(motorola).Build());
        const Bytes icc = Segment(0xE2, B("ICC_PROFILE") + Bytes(40, 7));
        ok &= fuzz::Save(dir + "/synthetic-" + order + "-first.jpg", Soi() + exif + ScanAndEnd());
        ok &= fuzz::Save(dir + "/synthetic-" + order + "-jfif.jpg", Soi() + Jfif() + exif + ScanAndEnd());
        ok &= fuzz::Save(dir + "/synthetic-" + order + "-icc.jpg", Soi() + Jfif() + icc + exif + ScanAndEnd());
        ok &= fuzz::Save(dir + "/synthetic-" + order + "-bare.jpg", Soi() + exif);
    }
    return ok ? 0 : 1;
}
