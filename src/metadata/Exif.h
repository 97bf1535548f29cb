#pragma once
// Classes: EInOutError, TExif, TExifField.
//
// TExif reads the EXIF block of one JPEG file and exposes its values as
// display texts. "?" marks a value that the file did not supply. Also here:
// EInOutError, its reading error, and TExifField, its fields by name.

#include "platform/OSError.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// Raised by TExif::ReadFromFile when the file cannot be opened or ends inside
// one of the fixed-size header reads. what() names the file and the reason.
class EInOutError : public platform::EOSError {
public:
    EInOutError(int code, const std::string& fileName, const std::string& reason);
    const std::string& FileName() const noexcept { return fileName_; }

private:
    std::string fileName_;
};

// Every field of TExif in declaration order, as FIELD(type, name, reset
// value); Keep marks a field that Reset leaves alone, so it keeps a value from
// an earlier file until that is overwritten. This one list declares the
// fields, drives Reset and names them for listings (TExifFields).
#define QUISTELOR_TEXIF_FIELDS(FIELD)                 \
    FIELD(std::string, ImageDescription, "?")         \
    FIELD(std::string, Make, "?")                     \
    FIELD(std::string, Model, "?")                    \
    FIELD(std::uint8_t, OrientationValue, 1)          \
    FIELD(std::string, XResolution, "?")              \
    FIELD(std::string, YResolution, "?")              \
    FIELD(std::string, Orientation, "Normal")         \
    FIELD(std::string, RightsNotice, "?")             \
    FIELD(bool, Valid, false)                         \
    FIELD(std::string, DateTime, "?")                 \
    FIELD(std::string, Software, "?")                 \
    FIELD(std::string, DateTimeOriginal, "?")         \
    FIELD(std::string, DateTimeDigitized, "?")        \
    FIELD(std::string, UserComment, "?")              \
    FIELD(std::string, ExposureTime, "?")             \
    FIELD(std::string, FNumber, "?")                  \
    FIELD(std::string, ExifVersion, "?")              \
    FIELD(std::string, SubjectDistance, "?")          \
    FIELD(std::string, MeteringMode, "?")             \
    FIELD(std::string, LightSource, "?")              \
    FIELD(std::string, Flash, "?")                    \
    FIELD(std::string, FocalLength, "?")              \
    FIELD(std::string, ExposureProgram, "?")          \
    FIELD(std::string, ISOSpeed, "?")                 \
    FIELD(std::string, ExifImageWidth, "?")           \
    FIELD(std::string, ExifImageHeight, "?")          \
    FIELD(std::string, ThumbXResolution, "?")         \
    FIELD(std::string, ThumbYResolution, "?")         \
    FIELD(std::string, ThumbOffset, "?")              \
    FIELD(std::string, ThumbLength, "?")              \
    FIELD(std::uint16_t, CommentPosition, Keep)       \
    FIELD(std::uint16_t, CommentLength, Keep)         \
    FIELD(std::string, CommentCharset, Keep)          \
    FIELD(std::uint32_t, ExifIfdOffset, 0)            \
    FIELD(std::uint32_t, NextIfdOffset, Keep)         \
    FIELD(std::uint16_t, ExifEntryCount, Keep)        \
    FIELD(std::uint16_t, ThumbEntryCount, Keep)       \
    FIELD(bool, MotorolaOrder, Keep)

class TExif {
public:
    struct KeepValue {};
    static constexpr KeepValue Keep{};

#define QUISTELOR_TEXIF_DECLARE(type, name, reset) type name{};
    QUISTELOR_TEXIF_FIELDS(QUISTELOR_TEXIF_DECLARE)
#undef QUISTELOR_TEXIF_DECLARE

    TExif();

    // Puts every field that has a reset value back to it.
    void Reset();

    // Reads FileName. Returns true when the EXIF segment was found (Valid)
    // and its directories were walked. A missing file returns false and
    // leaves the fields untouched. Throws EInOutError when the file cannot be
    // opened or ends inside the start marker, the first segment header or the
    // TIFF header. When head is given it is called, before the parsing, with
    // the file's first bytes as read (at least 4 KiB, fewer when the first
    // read got fewer), so that a caller who needs them too reads the file
    // once; the bytes are valid during the call only.
    bool ReadFromFile(const std::string& FileName, const std::function<void(std::string_view)>& head = {});
};

// A field of TExif by name, for listings of them all.
struct TExifField {
    using Member = std::variant<std::string TExif::*, std::uint8_t TExif::*, std::uint16_t TExif::*,
                                std::uint32_t TExif::*, bool TExif::*>;
    const char* Name;
    Member Field;
};

// Every field of TExif, in declaration order.
std::span<const TExifField> TExifFields();
