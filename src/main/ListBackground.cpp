#include "main/ListBackground.h"

#include "platform/FileStream.h"
#include "platform/OSError.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <jpeglib.h>

TRgbImage::TRgbImage(int width, int height)
    : Width(width > 0 ? width : 0), Height(height > 0 ? height : 0),
      Pixels(static_cast<size_t>(Width) * Height * 3, 0)
{
}

namespace {

struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->escape, 1);
}

void OnJpegMessage(j_common_ptr, int) {}  // warnings are not printed

// Pictures larger than this are refused before any memory is taken.
constexpr long MaxPixels = 100L * 1000 * 1000;

} // namespace

TRgbImage DecodeJpeg(const uint8_t* data, size_t size)
{
    if (!data || size == 0)
        throw EJpegError("Empty JPEG data");
    jpeg_decompress_struct cinfo {};
    JpegErrorManager jerr {};
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = OnJpegError;
    jerr.pub.emit_message = OnJpegMessage;

    TRgbImage image;
    // Everything that must survive a longjmp lives above this line.
    if (setjmp(jerr.escape)) {
        jpeg_destroy_decompress(&cinfo);
        throw EJpegError(std::string("JPEG error: ") + jerr.message);
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3
        || static_cast<long>(cinfo.output_width) * static_cast<long>(cinfo.output_height) > MaxPixels) {
        std::snprintf(jerr.message, sizeof jerr.message, "unsupported picture (%ux%u, %d components)",
                      cinfo.output_width, cinfo.output_height, cinfo.output_components);
        longjmp(jerr.escape, 1);
    }
    image.Width = static_cast<int>(cinfo.output_width);
    image.Height = static_cast<int>(cinfo.output_height);
    image.Pixels.assign(static_cast<size_t>(image.Width) * image.Height * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.Row(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

void StretchDraw(TRgbImage& dst, const TRgbImage& src)
{
    if (dst.Empty() || src.Empty())
        return;
    for (int y = 0; y < dst.Height; ++y) {
        const int sy = static_cast<int>(static_cast<long>(y) * src.Height / dst.Height);
        const uint8_t* s = src.Row(sy);
        uint8_t* d = dst.Row(y);
        for (int x = 0; x < dst.Width; ++x) {
            const int sx = static_cast<int>(static_cast<long>(x) * src.Width / dst.Width);
            std::memcpy(d + x * 3, s + sx * 3, 3);
        }
    }
}

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

// File layout:
//   0  "BM", file size (4), reserved (4), offset of the pixels = 54 (4)
//  14  BITMAPINFOHEADER: size 40, width, height (positive: bottom-up),
//      planes 1, 24 bits, no compression, image size, 2835 x 2835 pixels
//      per metre, no colour table
//  54  rows, last picture row first, blue-green-red, padded to 4 bytes
std::vector<uint8_t> EncodeBmp(const TRgbImage& image)
{
    const uint32_t stride = (static_cast<uint32_t>(image.Width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * static_cast<uint32_t>(image.Height);
    std::vector<uint8_t> b(54 + static_cast<size_t>(pixelBytes), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<uint32_t>(image.Width));
    Put32(b, 22, static_cast<uint32_t>(image.Height));
    Put16(b, 26, 1);
    Put16(b, 28, 24);
    Put32(b, 34, pixelBytes);
    Put32(b, 38, 2835);
    Put32(b, 42, 2835);
    for (int y = 0; y < image.Height; ++y) {
        const uint8_t* s = image.Row(image.Height - 1 - y);
        uint8_t* d = b.data() + 54 + static_cast<size_t>(y) * stride;
        for (int x = 0; x < image.Width; ++x) {
            d[x * 3] = s[x * 3 + 2];
            d[x * 3 + 1] = s[x * 3 + 1];
            d[x * 3 + 2] = s[x * 3];
        }
    }
    return b;
}

void SaveBmpFile(const std::string& path, const TRgbImage& image)
{
    const std::vector<uint8_t> bytes = EncodeBmp(image);
    platform::UniqueFd fd = platform::OpenWorkingFile(path);
    if (::ftruncate(fd.Get(), 0) != 0)
        throw platform::ECreateFileError("Cannot create file \"" + path + "\". " + platform::SysErrorMessage(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            platform::RaiseLastOSError(errno);
        }
        done += static_cast<size_t>(n);
    }
    if (fd.Close() != 0)
        platform::RaiseLastOSError();
}
