#include "metadata/Exif.h"

#include "metadata/JpegSegments.h"
#include "metadata/TiffWalker.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

EInOutError::EInOutError(int code, const std::string& fileName, const std::string& reason)
    : platform::EOSError(code, "Cannot read \"" + fileName + "\": " + reason), fileName_(fileName)
{
}

namespace {

// ---------------------------------------------------------------------------
// File access
// ---------------------------------------------------------------------------

// The directories of an EXIF block lie in the first few KiB of a photo, so the
// start of the file is read in one call and parsed from memory; anything
// further on is served from a window read on demand.
constexpr std::size_t kHeadSize = 16 * 1024;
constexpr std::size_t kWindowSize = 16 * 1024;

const char* const kEndOfFile = "Read beyond end of file";

class PhotoFile {
public:
    PhotoFile(platform::UniqueFd fd, const std::string& name) : fd_(std::move(fd)), name_(name) {}

    // Reads the start of the file in one call; an I/O error raises. A short
    // read is the whole file for regular files; Size() asks the system only
    // when a position beyond what was read comes up.
    void LoadHead()
    {
        // One buffer per thread: no allocation, no clearing per photo.
        thread_local std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kHeadSize]);
        head_ = buffer.get();
        for (;;) {
            const ssize_t n = ::read(fd_.Get(), buffer.get(), kHeadSize);
            if (n >= 0) {
                headLen_ = static_cast<std::size_t>(n);
                return;
            }
            if (errno != EINTR) {
                const int err = errno;
                throw EInOutError(err, name_, platform::SysErrorMessage(err));
            }
        }
    }

    // The bytes read by LoadHead from pos on (none when pos lies beyond).
    std::span<const std::uint8_t> HeadFrom(std::uint64_t pos) const
    {
        if (pos >= headLen_) return {};
        return {head_ + pos, headLen_ - static_cast<std::size_t>(pos)};
    }

    std::uint64_t Size()
    {
        if (!sizeKnown_) {
            sizeKnown_ = true;
            size_ = headLen_;
            struct stat st;
            // Pipes and devices have no size: what the first read returned is
            // all that is read from them.
            if (::fstat(fd_.Get(), &st) == 0 && S_ISREG(st.st_mode))
                size_ = std::max<std::uint64_t>(size_, static_cast<std::uint64_t>(st.st_size));
        }
        return size_;
    }

    // Whether the file holds n bytes at pos.
    bool Has(std::uint64_t pos, std::uint64_t n)
    {
        if (pos <= headLen_ && n <= headLen_ - pos)
            return true;
        std::uint64_t size = Size();
        return pos <= size && n <= size - pos;
    }

    // min(n, bytes left behind pos); asks for the file size only when pos + n
    // lies beyond the start already read.
    std::uint64_t Available(std::uint64_t pos, std::uint64_t n)
    {
        if (Has(pos, n)) return n;
        std::uint64_t size = Size();
        return pos < size ? size - pos : 0;
    }

    // Copies n bytes at pos into out; false when the file does not hold them
    // or the system fails to read them.
    bool Read(std::uint64_t pos, void* out, std::size_t n)
    {
        if (pos <= headLen_ && n <= headLen_ - pos) {
            std::memcpy(out, head_ + pos, n);
            return true;
        }
        if (!Has(pos, n))
            return false;
        if (pos >= windowPos_ && pos - windowPos_ <= window_.size() &&
            n <= window_.size() - (pos - windowPos_)) {
            std::memcpy(out, window_.data() + (pos - windowPos_), n);
            return true;
        }
        if (n > kWindowSize)
            return ReadAt(pos, static_cast<std::uint8_t*>(out), n) == n;
        window_.resize(kWindowSize);
        std::size_t got = ReadAt(pos, window_.data(), kWindowSize);
        window_.resize(got);
        windowPos_ = pos;
        if (got < n)
            return false;
        std::memcpy(out, window_.data(), n);
        return true;
    }

    // A read that must succeed when the file is not at its end: a file that
    // ends inside it, or fails, raises.
    void ReadFixed(std::uint64_t pos, void* out, std::size_t n)
    {
        if (!Has(pos, n))
            throw EInOutError(0, name_, kEndOfFile);
        errno = 0;
        if (!Read(pos, out, n)) {
            int err = errno ? errno : EIO;
            throw EInOutError(err, name_, platform::SysErrorMessage(err));
        }
    }

private:
    std::size_t ReadAt(std::uint64_t pos, std::uint8_t* out, std::size_t n)
    {
        const ssize_t got = platform::ReadFull(fd_.Get(), out, n, static_cast<std::int64_t>(pos));
        return got < 0 ? 0 : static_cast<std::size_t>(got);
    }

    platform::UniqueFd fd_;
    const std::string& name_;
    const std::uint8_t* head_ = nullptr;
    std::size_t headLen_ = 0;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowPos_ = 0;
    bool sizeKnown_ = false;
    std::uint64_t size_ = 0;
};

// The EXIF block for the walker: what LoadHead read behind the base, then
// the rest of the file.
class FileTail : public metadata::TiffWalker::Tail {
public:
    FileTail(PhotoFile& file, std::uint64_t base) : file_(file), base_(base) {}

    std::uint64_t Size() override
    {
        const std::uint64_t size = file_.Size();
        return size > base_ ? size - base_ : 0;
    }
    // The walker asks only for bytes that Size() covers, so base + pos does
    // not overflow.
    bool Read(std::uint64_t pos, void* out, std::size_t n) override { return file_.Read(base_ + pos, out, n); }

private:
    PhotoFile& file_;
    std::uint64_t base_;
};

// ---------------------------------------------------------------------------
// Value tables
// ---------------------------------------------------------------------------

struct ValueText {
    std::uint32_t value;
    const char* text;
};

constexpr ValueText kOrientationTable[] = {
    {1, "Normal"},
    {2, "Mirrored"},
    {3, "Rotated 180"},
    {4, "Rotated 180, mirrored"},
    {5, "Rotated 90 left, mirrored"},
    {6, "Rotated 90 right"},
    {7, "Rotated 90 right, mirrored"},
    {8, "Rotated 90 left"},
};

constexpr ValueText kMeteringTable[] = {
    {0, "Inconnu"},
    {1, "Moyen"},
    {2, "Central pondéré"},
    {3, "Spot"},
    {4, "MultiSpot"},
    {5, "Multi-segment"},
    {6, "Partiel"},
};

constexpr ValueText kLightSourceTable[] = {
    {0, "Inconnu"},
    {1, "Naturel"},
    {2, "Fluo"},
    {3, "Tungsten"},
    {17, "Std A"},
    {18, "Std B"},
    {19, "Std C"},
    {20, "D55"},
    {21, "D65"},
    {22, "D75"},
};

constexpr ValueText kProgramTable[] = {
    {0, "Inconnu"},
    {1, "Manuel"},
    {2, "Normal"},
    {3, "Priorité ouverture"},
    {4, "Priorité vitesse"},
    {5, "Créatif"},
    {6, "Action"},
    {7, "Portrait"},
    {8, "Paysage"},
};

// Flash values outside this list leave the field as it was.
constexpr ValueText kFlashTable[] = {
    {0, "Pas de flash"},
    {1, "Flash"},
    {5, "Flash (retour non détecté)"},
    {7, "Flash (retour détecté)"},
};

struct ValueTable {
    const ValueText* rows;
    std::size_t count;
    const char* fallback;  // nullptr: an unlisted value leaves the field alone

    const char* Lookup(std::uint32_t value) const
    {
        for (std::size_t i = 0; i < count; ++i)
            if (rows[i].value == value) return rows[i].text;
        return fallback;
    }
};

template <std::size_t N>
constexpr ValueTable MakeTable(const ValueText (&rows)[N], const char* fallback)
{
    return ValueTable{rows, N, fallback};
}

constexpr ValueTable kOrientation = MakeTable(kOrientationTable, "Unknown");
constexpr ValueTable kMetering = MakeTable(kMeteringTable, "Inconnu");
constexpr ValueTable kLightSource = MakeTable(kLightSourceTable, "Inconnu");
constexpr ValueTable kProgram = MakeTable(kProgramTable, "Inconnu");
constexpr ValueTable kFlash = MakeTable(kFlashTable, nullptr);

// ---------------------------------------------------------------------------
// Tag lists
// ---------------------------------------------------------------------------

enum class Action {
    Text,              // field := value text
    MainResolution,    // value text, then "?" for 72 or for a non-number
    ThumbResolution,   // value text, then "? (défaut=72)" for 72, "?" for a non-number
    FocalLength,       // value text, then scaled to the 35 mm equivalent
    Comment,           // value text, then split into character code and text
    Offset,            // value text, then its hexadecimal form appended
    ExifPointer,       // ExifIfdOffset := value
    Orientation,       // OrientationValue and Orientation
    Table,             // field := table text for the value
};

struct TagRule {
    std::uint16_t tag;
    Action action;
    std::string TExif::*field;
    const ValueTable* table;
};

constexpr TagRule kIfd0Rules[] = {
    {0x010E, Action::Text, &TExif::ImageDescription, nullptr},
    {0x010F, Action::Text, &TExif::Make, nullptr},
    {0x0110, Action::Text, &TExif::Model, nullptr},
    {0x8769, Action::ExifPointer, nullptr, nullptr},
    {0x0112, Action::Orientation, &TExif::Orientation, &kOrientation},
    {0x011A, Action::MainResolution, &TExif::XResolution, nullptr},
    {0x011B, Action::MainResolution, &TExif::YResolution, nullptr},
    {0x0131, Action::Text, &TExif::Software, nullptr},
    {0x0132, Action::Text, &TExif::DateTime, nullptr},
    {0x8298, Action::Text, &TExif::RightsNotice, nullptr},
};

constexpr TagRule kExifRules[] = {
    {0x829A, Action::Text, &TExif::ExposureTime, nullptr},
    {0x829D, Action::Text, &TExif::FNumber, nullptr},
    {0x8822, Action::Table, &TExif::ExposureProgram, &kProgram},
    {0x8827, Action::Text, &TExif::ISOSpeed, nullptr},
    {0x9000, Action::Text, &TExif::ExifVersion, nullptr},
    {0x9003, Action::Text, &TExif::DateTimeOriginal, nullptr},
    {0x9004, Action::Text, &TExif::DateTimeDigitized, nullptr},
    {0x9206, Action::Text, &TExif::SubjectDistance, nullptr},
    {0x9207, Action::Table, &TExif::MeteringMode, &kMetering},
    {0x9208, Action::Table, &TExif::LightSource, &kLightSource},
    {0x9209, Action::Table, &TExif::Flash, &kFlash},
    {0x920A, Action::FocalLength, &TExif::FocalLength, nullptr},
    {0x9286, Action::Comment, &TExif::UserComment, nullptr},
    {0xA002, Action::Text, &TExif::ExifImageWidth, nullptr},
    {0xA003, Action::Text, &TExif::ExifImageHeight, nullptr},
};

constexpr TagRule kIfd1Rules[] = {
    {0x011A, Action::ThumbResolution, &TExif::ThumbXResolution, nullptr},
    {0x011B, Action::ThumbResolution, &TExif::ThumbYResolution, nullptr},
    {0x0201, Action::Offset, &TExif::ThumbOffset, nullptr},
    {0x0202, Action::Text, &TExif::ThumbLength, nullptr},
};

// ---------------------------------------------------------------------------
// Numbers and texts
// ---------------------------------------------------------------------------

// The decimal separator of the locale the program runs in (LC_NUMERIC).
std::string LocaleDecimalPoint()
{
    const std::lconv* lc = std::localeconv();
    return lc && lc->decimal_point && lc->decimal_point[0] ? std::string(lc->decimal_point) : std::string(".");
}

// q + 1 when the remainder r of a division by d is more than half of d, or
// exactly half and q odd: rounding to the nearest, ties to even.
std::uint64_t RoundHalfEven(std::uint64_t q, std::uint64_t r, std::uint64_t d)
{
    return 2 * r > d || (2 * r == d && (q & 1)) ? q + 1 : q;
}

// A number rounded to an integer, in decimal.
std::string IntegerText(double value)
{
    const double r = std::nearbyint(value);
    if (std::fabs(r) < 1e18)
        return std::to_string(static_cast<long long>(r));
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", r);
    return buf;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// A decimal number, [+-]digits[.digits][e[+-]digits], with "." or the
// locale's decimal separator; surrounding blanks are allowed.
std::optional<double> ParseNumber(std::string_view text, std::string_view sep)
{
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                        1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const std::string_view s = Trim(text);
    std::string canon;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (negative) canon += '-';
    std::uint64_t mantissa = 0;
    std::size_t digits = 0, decimals = 0;
    auto digitRun = [&](bool fraction) {
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            mantissa = mantissa * 10 + std::uint64_t(s[i] - '0');
            canon += s[i++];
            ++digits;
            if (fraction) ++decimals;
            if (digits > 15) mantissa = 0;  // too long for the exact path below
        }
    };
    digitRun(false);
    if (i < s.size() && (s[i] == '.' || (!sep.empty() && s.substr(i).starts_with(sep)))) {
        i += s[i] == '.' ? 1 : sep.size();
        canon += '.';
        digitRun(true);
    }
    if (digits == 0) return std::nullopt;
    bool exponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        exponent = true;
        canon += s[i++];
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) canon += s[i++];
        std::size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            canon += s[i++];
            ++expDigits;
        }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    // Up to 15 digits and no exponent: both parts are exact doubles, so one
    // division rounds correctly.
    if (!exponent && digits <= 15) {
        const double v = double(mantissa) / kPow10[decimals];
        return negative ? -v : v;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(canon.data(), canon.data() + canon.size(), value);
    if (ec != std::errc() || end != canon.data() + canon.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A non-negative integer in decimal digits, surrounding blanks allowed.
std::optional<std::uint64_t> ParseInteger(std::string_view text)
{
    std::string_view s = Trim(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// Rationals read "0", "1/n" below one, and a one-decimal number otherwise
// (four significant digits: from 1000 on, the decimal is always 0). Exact
// integer arithmetic; halves go to the even neighbour.
std::string RationalText(std::uint32_t num, std::uint32_t den, std::string_view sep)
{
    if (num == 0 || den == 0)
        return "0";
    if (num < den)
        return "1/" + std::to_string(RoundHalfEven(den / num, den % num, num));
    std::uint64_t tenths;
    if (num / den >= 1000) {
        tenths = 10 * RoundHalfEven(num / den, num % den, den);
    } else {
        const std::uint64_t n10 = std::uint64_t(num) * 10;
        tenths = RoundHalfEven(n10 / den, n10 % den, den);
    }
    std::string text = std::to_string(tenths / 10);
    text += sep;
    text += char('0' + tenths % 10);
    return text;
}

// ---------------------------------------------------------------------------
// Directory entries
// ---------------------------------------------------------------------------

// An entry with its value field as the reader takes it: in Intel order the
// four bytes as one little-endian number (so a SHORT carries the following
// two bytes as its high half); in Motorola order as SwapEntry leaves it.
struct DirEntry : metadata::TiffEntry {
    std::uint32_t value = 0;
};

DirEntry IntelEntry(const metadata::TiffEntry& entry)
{
    DirEntry e{entry};
    e.value = metadata::Le32(e.raw);
    return e;
}

// The value field of an entry read in Motorola order, turned into host order
// by its type. ASCII and UNDEFINED values of up to four bytes are the bytes
// themselves and stay as they lie.
DirEntry SwapEntry(const metadata::TiffEntry& entry)
{
    DirEntry e{entry};
    const std::uint8_t* p = e.raw;
    switch (e.type) {
    case metadata::kTiffByte: e.value = p[0]; break;
    case metadata::kTiffShort: e.value = metadata::Be16(p); break;
    case metadata::kTiffLong: case metadata::kTiffRational: case metadata::kTiffSLong: case metadata::kTiffSRational:
        e.value = metadata::Be32(p);
        break;
    case metadata::kTiffAscii: case metadata::kTiffUndefined:
        e.value = metadata::TiffByteSize(e) > 4 ? metadata::Be32(p) : metadata::Le32(p);
        break;
    default: e.value = metadata::Le32(p); break;
    }
    return e;
}

// ---------------------------------------------------------------------------
// The reader
// ---------------------------------------------------------------------------

class ExifParser {
public:
    ExifParser(TExif& exif, PhotoFile& file) : x_(exif), f_(file), decimalPoint_(LocaleDecimalPoint()) {}

    bool Run();

private:
    void WalkBlock();
    std::uint64_t WalkDirectory(std::uint64_t pos, std::uint32_t count, std::span<const TagRule> rules);
    std::uint64_t InSegment(std::uint64_t pos) const;
    void Apply(const TagRule& rule, const DirEntry& e);
    std::optional<std::string> EntryValueText(const DirEntry& e);
    std::string ReadAscii(std::uint64_t pos, std::uint32_t count);
    std::string ReadBytes(std::uint64_t pos, std::uint32_t count);

    TExif& x_;
    PhotoFile& f_;
    std::uint64_t base_ = 0;        // file position of the TIFF header
    std::uint64_t segmentEnd_ = 0;  // no value reaches past the segment
    bool motorola_ = false;
    std::optional<metadata::TiffWalker> w_;  // positions from the base
    std::string decimalPoint_;
};

bool ExifParser::Run()
{
    //  Start of the file:
    //  FF D8 | first segment header (10 bytes) ...
    std::uint8_t start[2] = {0, 0};
    if (f_.Has(0, 1)) f_.ReadFixed(0, start, 2);
    if (start[0] != 0xFF || start[1] != 0xD8) return false;

    std::uint8_t first[10];
    if (f_.Has(2, 1)) f_.ReadFixed(2, first, sizeof first);

    // The dates (and every other field) stay those the reader has always
    // returned: it reads a length behind every marker, fill bytes and restart
    // markers included, where the thumbnail provider follows the standard.
    const std::optional<metadata::ExifSegment> segment = metadata::FindExifSegment(
        [this](std::uint64_t pos, void* out, std::size_t n) { return f_.Read(pos, out, n); },
        metadata::MarkerRule::LengthEverywhere);
    if (!segment) return false;
    base_ = segment->base;
    segmentEnd_ = segment->end;
    x_.Valid = true;

    //  TIFF header at the base, and the entry count of IFD0 right behind it:
    //  "II"/"MM" (2) | 42 (2) | IFD0 offset (4) | IFD0 count (2)
    std::uint8_t header[10] = {};
    if (f_.Has(base_, 1)) f_.ReadFixed(base_, header, sizeof header);
    motorola_ = header[0] == 'M' && header[1] == 'M';
    x_.MotorolaOrder = motorola_;
    FileTail tail(f_, base_);
    w_.emplace(f_.HeadFrom(base_), motorola_, &tail);
    WalkBlock();
    w_.reset();
    return true;
}

// IFD0 is taken to start right behind the 8-byte header, whatever offset the
// header gives; the Exif IFD and IFD1 are where IFD0 points.
void ExifParser::WalkBlock()
{
    metadata::TiffWalker& w = *w_;
    const std::uint16_t ifd0Count = w.U16(8).value_or(0);
    const std::uint64_t pos = WalkDirectory(10, ifd0Count, kIfd0Rules);

    if (w.Has(pos, 5))
        if (std::optional<std::uint32_t> link = w.U32(pos)) x_.NextIfdOffset = *link;

    if (x_.ExifIfdOffset != 0) {
        if (std::optional<std::uint16_t> count = w.U16(x_.ExifIfdOffset)) {
            x_.ExifEntryCount = *count;
            WalkDirectory(std::uint64_t(x_.ExifIfdOffset) + 2, x_.ExifEntryCount, kExifRules);
        }
    }

    if (x_.NextIfdOffset != 0) {
        if (std::optional<std::uint16_t> count = w.U16(x_.NextIfdOffset)) {
            x_.ThumbEntryCount = *count;
            WalkDirectory(std::uint64_t(x_.NextIfdOffset) + 2, x_.ThumbEntryCount, kIfd1Rules);
        }
    }
}

// Reads count entries from pos, each only while more than 12 bytes remain
// behind it. Returns the position behind the last entry read.
std::uint64_t ExifParser::WalkDirectory(std::uint64_t pos, std::uint32_t count, std::span<const TagRule> rules)
{
    return w_->Directory(pos, count, 13, [&](const metadata::TiffEntry& entry) {
        const DirEntry e = motorola_ ? SwapEntry(entry) : IntelEntry(entry);
        for (const TagRule& rule : rules) {
            if (rule.tag == e.tag) {
                Apply(rule, e);
                break;
            }
        }
    }).end;
}

void ExifParser::Apply(const TagRule& rule, const DirEntry& e)
{
    switch (rule.action) {
    case Action::ExifPointer:
        x_.ExifIfdOffset = e.value;
        return;
    case Action::Orientation:
        x_.OrientationValue = static_cast<std::uint8_t>(e.value & 0xFF);
        x_.Orientation = rule.table->Lookup(e.value);
        return;
    case Action::Table:
        if (const char* text = rule.table->Lookup(e.value))
            x_.*rule.field = text;
        return;
    default:
        break;
    }

    std::string& field = x_.*rule.field;
    if (std::optional<std::string> text = EntryValueText(e))
        field = std::move(*text);

    switch (rule.action) {
    case Action::MainResolution:
    case Action::ThumbResolution: {
        std::optional<double> v = ParseNumber(field, decimalPoint_);
        if (!v)
            field = "?";
        else if (std::nearbyint(*v) == 72.0)
            field = rule.action == Action::MainResolution ? "?" : "? (défaut=72)";
        break;
    }
    case Action::FocalLength:
        if (std::optional<double> v = ParseNumber(field, decimalPoint_))
            field = IntegerText(*v * 4.875);
        break;
    case Action::Offset:
        if (std::optional<std::uint64_t> v = ParseInteger(field)) {
            char hex[20];
            auto [end, ec] = std::to_chars(hex, hex + sizeof hex, *v, 16);
            std::string digits(hex, end);
            for (char& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            field += " ($";
            field.append(digits.size() < 4 ? 4 - digits.size() : 0, '0');
            field += digits;
            field += ")";
        }
        break;
    case Action::Comment:
        if (e.count > 8) {
            x_.CommentCharset = field.substr(0, std::min<std::size_t>(8, field.size()));
            std::string rest = field.size() > 8 ? field.substr(8, e.count - 8) : std::string();
            rest.resize(std::min(rest.size(), rest.find('\0')));
            field = std::move(rest);
        }
        x_.CommentPosition = static_cast<std::uint16_t>(e.value + base_);
        x_.CommentLength = static_cast<std::uint16_t>(e.count);
        break;
    default:
        break;
    }
}

// The entry's value as text; nullopt when the type has no text form, so the
// field keeps what it held.
std::optional<std::string> ExifParser::EntryValueText(const DirEntry& e)
{
    if (metadata::TiffByteSize(e) <= 4) {
        switch (e.type) {
        case 1: case 3: case 4: case 9:
            return std::to_string(e.value);
        case 2: {
            const std::size_t n = std::min<std::size_t>(e.count, 4);
            const void* nul = std::memchr(e.raw, 0, n);
            const std::size_t len = nul ? static_cast<const std::uint8_t*>(nul) - e.raw : n;
            return std::string(reinterpret_cast<const char*>(e.raw), len);
        }
        case 7:
            return std::string(reinterpret_cast<const char*>(e.raw), std::min<std::size_t>(e.count, 4));
        default:
            return std::nullopt;
        }
    }

    const std::uint64_t pos = e.value;
    switch (e.type) {
    case 2:
        return ReadAscii(pos, e.count);
    case 5:
    case 10: {
        std::uint8_t r[8];
        if (!w_->Read(pos, r, sizeof r)) return std::string();
        return RationalText(w_->Get32(r), w_->Get32(r + 4), decimalPoint_);
    }
    case 7:
        return ReadBytes(pos, e.count);
    default:
        return std::nullopt;
    }
}

// Bytes of the EXIF segment from pos (from the base) on.
std::uint64_t ExifParser::InSegment(std::uint64_t pos) const
{
    const std::uint64_t at = base_ + pos;
    return at < segmentEnd_ ? segmentEnd_ - at : 0;
}

// Up to count bytes, ending before the first NUL. A text that runs into the
// end of its segment or of the file before its NUL or its count is a read
// error: empty.
std::string ExifParser::ReadAscii(std::uint64_t pos, std::uint32_t count)
{
    std::string text;
    const std::uint64_t limit = w_->Available(pos, std::min<std::uint64_t>(count, InSegment(pos)));
    char chunk[256];
    while (text.size() < limit) {
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(sizeof chunk, limit - text.size()));
        if (!w_->Read(pos + text.size(), chunk, n)) return std::string();
        if (const void* nul = std::memchr(chunk, 0, n)) {
            text.append(chunk, static_cast<const char*>(nul) - chunk);
            return text;
        }
        text.append(chunk, n);
    }
    return text.size() == count ? text : std::string();
}

// Exactly count bytes, or empty when the segment or the file does not hold
// them.
std::string ExifParser::ReadBytes(std::uint64_t pos, std::uint32_t count)
{
    if (count > InSegment(pos) || !w_->Has(pos, count)) return std::string();
    std::string bytes(count, '\0');
    if (!w_->Read(pos, bytes.data(), count)) return std::string();
    return bytes;
}

template <typename T, typename V>
void ResetField(T& field, [[maybe_unused]] const V& value)
{
    if constexpr (std::is_same_v<V, TExif::KeepValue>)
        return;
    else if constexpr (std::is_arithmetic_v<T>)
        field = static_cast<T>(value);
    else
        field = value;
}

} // namespace

TExif::TExif() { Reset(); }

void TExif::Reset()
{
#define QUISTELOR_TEXIF_RESET(type, name, reset) ResetField(name, reset);
    QUISTELOR_TEXIF_FIELDS(QUISTELOR_TEXIF_RESET)
#undef QUISTELOR_TEXIF_RESET
}

std::span<const TExifField> TExifFields()
{
#define QUISTELOR_TEXIF_NAME(type, name, reset) {#name, &TExif::name},
    static const TExifField fields[] = {QUISTELOR_TEXIF_FIELDS(QUISTELOR_TEXIF_NAME)};
#undef QUISTELOR_TEXIF_NAME
    return fields;
}

bool TExif::ReadFromFile(const std::string& FileName, const std::function<void(std::string_view)>& head)
{
    platform::UniqueFd fd(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.Valid()) {
        const int err = errno;
        // A file that does not exist is no error: the fields stay as they were.
        struct stat st;
        if (::stat(FileName.c_str(), &st) != 0)
            return false;
        throw EInOutError(err, FileName, platform::SysErrorMessage(err));
    }
    PhotoFile file(std::move(fd), FileName);
    Reset();
    try {
        file.LoadHead();
        if (head) {
            const std::span<const std::uint8_t> start = file.HeadFrom(0);
            head({reinterpret_cast<const char*>(start.data()), start.size()});
        }
        ExifParser parser(*this, file);
        return parser.Run();
    } catch (const std::bad_alloc&) {
        throw EInOutError(ENOMEM, FileName, platform::SysErrorMessage(ENOMEM));
    }
}
