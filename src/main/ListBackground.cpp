#include "main/ListBackground.h"

#include "gfx/Bmp.h"
#include "gfx/Jpeg.h"
#include "gfx/Raster.h"
#include "platform/FileStream.h"
#include "platform/OSError.h"
#include "platform/TempFolder.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>
#include <vector>

gfx::Bitmap DecodePicture(const uint8_t* data, size_t size)
{
    if (!data || size == 0)
        throw EJpegError("Empty JPEG data");
    std::string why;
    std::optional<gfx::Bitmap> picture = gfx::DecodeJpeg(data, size, {}, &why);
    if (!picture)
        throw EJpegError("JPEG error: " + why);
    return std::move(*picture);
}

void SaveBmpFile(const std::string& path, const gfx::Bitmap& image)
{
    // 2835 pixels per metre: 72 dots per inch.
    const std::vector<uint8_t> bytes = gfx::EncodeBmp(image, 2835);
    platform::UniqueFd fd = platform::OpenWorkingFile(path);
    if (::ftruncate(fd.Get(), 0) != 0)
        throw platform::ECreateFileError("Cannot create file \"" + path + "\". " + platform::SysErrorMessage(errno));
    if (!platform::WriteFull(fd.Get(), bytes.data(), bytes.size()))
        platform::RaiseLastOSError(errno);
    if (fd.Close() != 0)
        platform::RaiseLastOSError();
}

namespace {

constexpr int BackgroundWidth = 466;
constexpr int BackgroundHeight = 416;

QByteArray ResourceBytes(const QString& name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw platform::EOSError(ENOENT, "Resource " + name.toStdString() + " not found");
    return f.readAll();
}

} // namespace

gfx::Bitmap BackgroundPicture()
{
    const QByteArray jpeg = ResourceBytes(QStringLiteral(":/IMAGE001"));
    return DecodePicture(reinterpret_cast<const uint8_t*>(jpeg.constData()), static_cast<size_t>(jpeg.size()));
}

std::string ExportListBackground()
{
    gfx::Bitmap bitmap(BackgroundWidth, BackgroundHeight, gfx::PixelFormat::Bgr24);
    const gfx::Bitmap picture = BackgroundPicture();
    gfx::Stretch(bitmap, bitmap.Bounds(), picture, picture.Bounds(), gfx::Filter::Nearest);
    const std::string file = platform::TempFile("fondexport.bitmap");
    SaveBmpFile(file, bitmap);
    return file;
}
