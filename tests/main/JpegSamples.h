#pragma once
// Makes JPEG files for the thumbnail tests and benchmark: pictures from a
// row generator, EXIF blocks with an orientation and an embedded thumbnail.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace samples {

struct Rgb {
    uint8_t r, g, b;
};

// Fills one row (width * 3 bytes, R G B) of row y.
using RowFiller = std::function<void(int y, uint8_t* rgb)>;

std::vector<uint8_t> EncodeJpeg(int width, int height, const RowFiller& fill, int quality = 90);

// A picture of four solid quadrants: top-left, top-right, bottom-left, bottom-right.
std::vector<uint8_t> QuadrantJpeg(int width, int height, Rgb tl, Rgb tr, Rgb bl, Rgb br);
std::vector<uint8_t> SolidJpeg(int width, int height, Rgb colour);

// The TIFF structure of an EXIF block: IFD0 with the orientation (0: none),
// IFD1 pointing at the embedded thumbnail (none when thumb is empty).
// thumbOffsetShift moves the recorded thumbnail offset (to point it outside).
std::vector<uint8_t> ExifTiff(int orientation, const std::vector<uint8_t>& thumb, bool motorola = false,
                              int64_t thumbOffsetShift = 0);

// The JPEG with an APP1 "Exif" segment holding tiff inserted behind the
// start marker (and behind a JFIF APP0 segment when withApp0).
std::vector<uint8_t> WithExif(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& tiff,
                              bool withApp0 = false);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace samples
