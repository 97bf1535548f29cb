#pragma once
// TExif reads the EXIF block of one JPEG file and exposes its values as
// display texts. "?" marks a value that the file did not supply.

#include "platform/OSError.h"

#include <cstdint>
#include <string>

// Raised by TExif::ReadFromFile when the file cannot be opened or ends inside
// one of the fixed-size header reads. what() names the file and the reason.
class EInOutError : public platform::EOSError {
public:
    EInOutError(int code, const std::string& fileName, const std::string& reason);
    const std::string& FileName() const noexcept { return fileName_; }

private:
    std::string fileName_;
};

class TExif {
public:
    // Fields in their declaration order; the comment gives the value Reset
    // puts in. Fields marked "kept" are not reset and keep values from an
    // earlier file until they are overwritten.
    std::string ImageDescription;   // "?"
    std::string Make;               // "?"
    std::string Model;              // "?"
    std::uint8_t OrientationValue = 1;
    std::string XResolution;        // "?"
    std::string YResolution;        // "?"
    std::string Orientation;        // "Normal"
    std::string RightsNotice;       // "?"
    bool Valid = false;
    std::string DateTime;           // "?"
    std::string Software;           // "?"
    std::string DateTimeOriginal;   // "?"
    std::string DateTimeDigitized;  // "?"
    std::string UserComment;        // "?"
    std::string ExposureTime;       // "?"
    std::string FNumber;            // "?"
    std::string ExifVersion;        // "?"
    std::string SubjectDistance;    // "?"
    std::string MeteringMode;       // "?"
    std::string LightSource;        // "?"
    std::string Flash;              // "?"
    std::string FocalLength;        // "?"
    std::string ExposureProgram;    // "?"
    std::string ISOSpeed;           // "?"
    std::string ExifImageWidth;     // "?"
    std::string ExifImageHeight;    // "?"
    std::string ThumbXResolution;   // "?"
    std::string ThumbYResolution;   // "?"
    std::string ThumbOffset;        // "?"
    std::string ThumbLength;        // "?"
    std::uint16_t CommentPosition = 0;  // kept
    std::uint16_t CommentLength = 0;    // kept
    std::string CommentCharset;         // kept
    std::uint32_t ExifIfdOffset = 0;
    std::uint32_t NextIfdOffset = 0;    // kept
    std::uint16_t ExifEntryCount = 0;   // kept
    std::uint16_t ThumbEntryCount = 0;  // kept
    bool MotorolaOrder = false;         // kept

    TExif();

    // Puts every field that has a reset value back to it.
    void Reset();

    // Reads FileName. Returns true when the EXIF segment was found (Valid)
    // and its directories were walked. A missing file returns false and
    // leaves the fields untouched. Throws EInOutError when the file cannot be
    // opened or ends inside the start marker, the first segment header or the
    // TIFF header.
    bool ReadFromFile(const std::string& FileName);
};
