#pragma once
// A small writer of TIFF/EXIF blocks and JPEG segment chains, so that tests
// can aim at every reading rule with files built on the spot.

#include "metadata/TiffWalker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace support {

using Bytes = std::vector<std::uint8_t>;

using metadata::kTiffAscii, metadata::kTiffByte, metadata::kTiffFloat, metadata::kTiffLong, metadata::kTiffRational,
    metadata::kTiffShort, metadata::kTiffSLong, metadata::kTiffSRational, metadata::kTiffSShort, metadata::kTiffUndefined;

inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One directory entry. data holds the value bytes in file order; values of
// more than 4 bytes go to the data area behind the directories and the entry
// gets their offset. field, when set, is written as the value field instead.
struct Tag {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    Bytes data;
    std::optional<std::uint32_t> field;
};

class TiffWriter {
public:
    explicit TiffWriter(bool motorola) : motorola_(motorola) {}

    bool Motorola() const { return motorola_; }

    Bytes U16(std::uint16_t v) const
    {
        return motorola_ ? Bytes{std::uint8_t(v >> 8), std::uint8_t(v)}
                         : Bytes{std::uint8_t(v), std::uint8_t(v >> 8)};
    }
    Bytes U32(std::uint32_t v) const
    {
        Bytes b{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        if (motorola_) std::swap(b[0], b[3]), std::swap(b[1], b[2]);
        return b;
    }

    // Entry makers in this writer's byte order.
    Tag Ascii(std::uint16_t tag, const std::string& stored, std::optional<std::uint32_t> count = {}) const
    {
        return {tag, kTiffAscii, count ? *count : std::uint32_t(stored.size()), B(stored), {}};
    }
    // A text with its terminating NUL, as cameras write it.
    Tag Text(std::uint16_t tag, const std::string& text) const
    {
        return Ascii(tag, text + std::string(1, '\0'));
    }
    Tag Short(std::uint16_t tag, std::uint16_t v) const { return {tag, kTiffShort, 1, U16(v), {}}; }
    Tag Long(std::uint16_t tag, std::uint32_t v) const { return {tag, kTiffLong, 1, U32(v), {}}; }
    Tag Rational(std::uint16_t tag, std::uint32_t num, std::uint32_t den, std::uint16_t type = kTiffRational) const
    {
        return {tag, type, 1, U32(num) + U32(den), {}};
    }
    Tag Undefined(std::uint16_t tag, const std::string& bytes) const
    {
        return {tag, kTiffUndefined, std::uint32_t(bytes.size()), B(bytes), {}};
    }
    // An entry with a value field given as a 32-bit number in this byte order.
    Tag Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field) const
    {
        return {tag, type, count, {}, field};
    }

    TiffWriter& Ifd0(Tag t) { ifd0_.push_back(std::move(t)); return *this; }
    TiffWriter& Exif(Tag t) { exif_.push_back(std::move(t)); return *this; }
    TiffWriter& Ifd1(Tag t) { ifd1_.push_back(std::move(t)); return *this; }
    // Bytes appended behind everything, for values placed by hand.
    TiffWriter& Tail(const Bytes& b) { tail_ = tail_ + b; return *this; }

    // Offsets of the parts, valid after Build().
    std::uint32_t ExifIfdOffset() const { return exifPos_; }
    std::uint32_t Ifd1Offset() const { return ifd1Pos_; }
    std::uint32_t DataOffset() const { return dataPos_; }
    std::uint32_t TailOffset() const { return tailPos_; }

    //  "II" 2A 00 | 08 00 00 00 | IFD0 | Exif IFD | IFD1 | data | tail
    // (or "MM" 00 2A and big-endian numbers). The Exif pointer is added to
    // IFD0 when the Exif IFD has entries, the link to IFD1 when IFD1 has any.
    Bytes Build()
    {
        std::vector<Tag> ifd0 = ifd0_;
        if (!exif_.empty()) ifd0.push_back({0x8769, kTiffLong, 1, {}, 0u});
        auto dirSize = [](const std::vector<Tag>& d) { return std::uint32_t(2 + 12 * d.size() + 4); };
        const std::uint32_t ifd0Pos = 8;
        exifPos_ = exif_.empty() ? 0 : ifd0Pos + dirSize(ifd0);
        ifd1Pos_ = ifd1_.empty() ? 0 : ifd0Pos + dirSize(ifd0) + (exif_.empty() ? 0 : dirSize(exif_));
        dataPos_ = ifd0Pos + dirSize(ifd0) + (exif_.empty() ? 0 : dirSize(exif_)) +
                   (ifd1_.empty() ? 0 : dirSize(ifd1_));
        if (!exif_.empty()) ifd0.back().field = exifPos_;

        Bytes data;
        auto dir = [&](const std::vector<Tag>& d, std::uint32_t link) {
            Bytes out = U16(std::uint16_t(d.size()));
            for (const Tag& t : d) {
                out = out + U16(t.tag) + U16(t.type) + U32(t.count);
                if (t.field) {
                    out = out + U32(*t.field);
                } else if (t.data.size() <= 4) {
                    Bytes v = t.data;
                    v.resize(4, 0);
                    out = out + v;
                } else {
                    out = out + U32(dataPos_ + std::uint32_t(data.size()));
                    data = data + t.data;
                    if (data.size() % 2) data.push_back(0);
                }
            }
            return out + U32(link);
        };
        Bytes tiff = motorola_ ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
        tiff = tiff + U32(ifd0Pos) + dir(ifd0, ifd1Pos_);
        if (!exif_.empty()) tiff = tiff + dir(exif_, 0);
        if (!ifd1_.empty()) tiff = tiff + dir(ifd1_, 0);
        tiff = tiff + data;
        tailPos_ = std::uint32_t(tiff.size());
        return tiff + tail_;
    }

private:
    bool motorola_;
    std::vector<Tag> ifd0_, exif_, ifd1_;
    Bytes tail_;
    std::uint32_t exifPos_ = 0, ifd1Pos_ = 0, dataPos_ = 0, tailPos_ = 0;
};

// JPEG pieces.
inline Bytes Soi() { return {0xFF, 0xD8}; }
inline Bytes Segment(std::uint8_t marker, const Bytes& payload)
{
    const std::size_t len = payload.size() + 2;
    return Bytes{0xFF, marker, std::uint8_t(len >> 8), std::uint8_t(len)} + payload;
}
inline Bytes ExifSegment(const Bytes& tiff) { return Segment(0xE1, B(std::string("Exif\0\0", 6)) + tiff); }
// The common 16-byte JFIF header: FF E0 00 10 "JFIF" 00 ...
inline Bytes Jfif()
{
    return Segment(0xE0, B(std::string("JFIF\0", 5)) + Bytes{1, 1, 0, 0, 72, 0, 72, 0, 0});
}
inline Bytes ScanAndEnd() { return Segment(0xDA, Bytes(10, 0x11)) + Bytes(64, 0x22) + Bytes{0xFF, 0xD9}; }

// A JPEG with an EXIF segment holding tiff: jpeg with the segment inserted
// behind its start marker, and behind a JFIF APP0 segment when keepApp0 (a
// leading APP0 is dropped otherwise, as an EXIF file has none); by default a
// minimal JPEG of a dummy scan.
inline Bytes JpegWithExif(const Bytes& tiff, const Bytes& jpeg = Soi() + ScanAndEnd(), bool keepApp0 = false)
{
    if (jpeg.size() < 2)
        throw std::invalid_argument("JpegWithExif: no start marker");
    std::size_t rest = 2;
    if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0)
        rest = 2 + 2 + (std::size_t(jpeg[4]) << 8 | jpeg[5]);
    const Bytes app0(jpeg.begin() + 2, jpeg.begin() + static_cast<std::ptrdiff_t>(keepApp0 ? rest : 2));
    return Bytes(jpeg.begin(), jpeg.begin() + 2) + app0 + ExifSegment(tiff) +
           Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(rest), jpeg.end());
}

} // namespace support
