#include "metadata/Exif.h"

EInOutError::EInOutError(int code, const std::string& fileName, const std::string& reason)
    : platform::EOSError(code, fileName + ": " + reason), fileName_(fileName)
{
}

TExif::TExif() { Reset(); }

void TExif::Reset()
{
    ImageDescription = Make = Model = "?";
    OrientationValue = 1;
    XResolution = YResolution = "?";
    Orientation = "Normal";
    RightsNotice = "?";
    Valid = false;
    DateTime = Software = DateTimeOriginal = DateTimeDigitized = UserComment = "?";
    ExposureTime = FNumber = ExifVersion = SubjectDistance = MeteringMode = "?";
    LightSource = Flash = FocalLength = ExposureProgram = ISOSpeed = "?";
    ExifImageWidth = ExifImageHeight = "?";
    ThumbXResolution = ThumbYResolution = ThumbOffset = ThumbLength = "?";
    ExifIfdOffset = 0;
}

bool TExif::ReadFromFile(const std::string&)
{
    Reset();
    return false;
}
