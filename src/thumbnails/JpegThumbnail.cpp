#include "thumbnails/JpegThumbnail.h"

#include "metadata/JpegSegments.h"
#include "metadata/TiffWalker.h"
#include "platform/UniqueFd.h"

#include "gfx/Jpeg.h"
#include "gfx/Raster.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// EXIF block

// The directory at offset: calls visit(entry, number) for each entry, where
// number is a SHORT taken from the first two bytes of the value field and
// any other type's value field whole. Returns the link to the next directory
// (0 when there is none or the directory does not lie wholly in the block).
template <typename Visit>
uint32_t WalkIfd(metadata::TiffWalker& tiff, uint32_t offset, Visit visit)
{
    const std::optional<uint16_t> count = tiff.U16(offset);
    if (!count)
        return 0;
    const metadata::TiffWalker::Walk walk =
        tiff.Directory(uint64_t(offset) + 2, *count, 12, [&](const metadata::TiffEntry& e) {
            visit(e, e.type == metadata::kTiffShort ? tiff.Get16(e.raw) : tiff.Get32(e.raw));
        });
    return walk.complete ? tiff.U32(walk.end).value_or(0) : 0;
}

bool SingleNumber(const metadata::TiffEntry& e)
{
    return (e.type == metadata::kTiffShort || e.type == metadata::kTiffLong) && e.count == 1;
}

// A file descriptor opened on a regular file, or none for anything else. A
// FIFO or device named like a photo is not even opened: opening it could
// block or act on the device.
platform::UniqueFd OpenRegularFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return platform::UniqueFd();
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.Close();
    return fd;
}

bool SwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

} // namespace

bool ParseExifTiff(const uint8_t* data, size_t size, TExifThumbFacts& facts)
{
    // TIFF header: byte order "II" or "MM" (2) | 42 (2) | offset of IFD0 (4)
    if (data == nullptr || size < 8)
        return false;
    bool motorola;
    if (data[0] == 'I' && data[1] == 'I')
        motorola = false;
    else if (data[0] == 'M' && data[1] == 'M')
        motorola = true;
    else
        return false;
    metadata::TiffWalker tiff({data, size}, motorola);
    if (tiff.U16(2) != 42)
        return false;

    TExifThumbFacts found;
    uint32_t ifd1 = WalkIfd(tiff, tiff.U32(4).value_or(0), [&](const metadata::TiffEntry& e, uint32_t value) {
        if (e.tag == 0x0112 && SingleNumber(e) && value >= 1 && value <= 8)
            found.Orientation = static_cast<int>(value);
    });

    uint32_t offset = 0, length = 0, compression = 6;
    if (ifd1 != 0)
        WalkIfd(tiff, ifd1, [&](const metadata::TiffEntry& e, uint32_t value) {
            if (!SingleNumber(e))
                return;
            if (e.tag == 0x0201)
                offset = value;
            else if (e.tag == 0x0202)
                length = value;
            else if (e.tag == 0x0103)
                compression = value;
        });
    // Compression 6 is a JPEG thumbnail; 1 (raw strips) is not used.
    if (compression == 6 && length > 0 && offset > 0 && offset <= size && length <= size - offset) {
        found.ThumbOffset = offset;
        found.ThumbLength = length;
    }
    facts = found;
    return true;
}

std::vector<uint8_t> ReadExifBlock(int fd)
{
    auto readAt = [fd](uint64_t pos, void* out, size_t n) {
        return platform::ReadFull(fd, out, n, static_cast<int64_t>(pos)) == static_cast<ssize_t>(n);
    };
    const std::optional<metadata::ExifSegment> segment = metadata::FindExifSegment(readAt);
    if (!segment || segment->end <= segment->base)
        return {};
    std::vector<uint8_t> block(segment->end - segment->base);
    if (!readAt(segment->base, block.data(), block.size()))
        return {};
    return block;
}

gfx::Bitmap ResizeBgr(const gfx::Bitmap& src, int width, int height)
{
    gfx::Bitmap dst(std::max(width, 1), std::max(height, 1), gfx::PixelFormat::Bgr24);
    if (src.IsEmpty())
        return dst;

    // Neither branch is pixman's: its box filter and bilinear weights round
    // differently, and the cache file must keep its bytes.
    if (src.Width() >= dst.Width() && src.Height() >= dst.Height()) {
        // Area averaging over whole source pixels: destination pixel x covers
        // source columns [x * W / w, (x + 1) * W / w), never empty when W >= w.
        std::vector<int> x0(dst.Width() + 1), y0(dst.Height() + 1);
        for (int x = 0; x <= dst.Width(); ++x)
            x0[x] = static_cast<int>(int64_t(x) * src.Width() / dst.Width());
        for (int y = 0; y <= dst.Height(); ++y)
            y0[y] = static_cast<int>(int64_t(y) * src.Height() / dst.Height());
        std::vector<uint32_t> sums(size_t(dst.Width()) * 3);
        for (int y = 0; y < dst.Height(); ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int sy = y0[y]; sy < y0[y + 1]; ++sy) {
                const uint8_t* row = src.Row(sy);
                for (int x = 0; x < dst.Width(); ++x) {
                    uint32_t b = 0, g = 0, r = 0;
                    for (int sx = x0[x]; sx < x0[x + 1]; ++sx) {
                        b += row[sx * 3];
                        g += row[sx * 3 + 1];
                        r += row[sx * 3 + 2];
                    }
                    sums[x * 3] += b;
                    sums[x * 3 + 1] += g;
                    sums[x * 3 + 2] += r;
                }
            }
            const uint32_t rows = uint32_t(y0[y + 1] - y0[y]);
            uint8_t* out = dst.Row(y);
            for (int x = 0; x < dst.Width(); ++x) {
                const uint32_t area = rows * uint32_t(x0[x + 1] - x0[x]);
                for (int c = 0; c < 3; ++c)
                    out[x * 3 + c] = static_cast<uint8_t>((sums[x * 3 + c] + area / 2) / area);
            }
        }
        return dst;
    }

    // Bilinear, sampling at pixel centres, edges clamped.
    auto coord = [](int d, int dstSize, int srcSize, int& i0, int& i1, float& f) {
        float s = (d + 0.5f) * float(srcSize) / float(dstSize) - 0.5f;
        s = std::clamp(s, 0.0f, float(srcSize - 1));
        i0 = static_cast<int>(s);
        i1 = std::min(i0 + 1, srcSize - 1);
        f = s - float(i0);
    };
    for (int y = 0; y < dst.Height(); ++y) {
        int ya, yb;
        float fy;
        coord(y, dst.Height(), src.Height(), ya, yb, fy);
        const uint8_t* ra = src.Row(ya);
        const uint8_t* rb = src.Row(yb);
        uint8_t* out = dst.Row(y);
        for (int x = 0; x < dst.Width(); ++x) {
            int xa, xb;
            float fx;
            coord(x, dst.Width(), src.Width(), xa, xb, fx);
            for (int c = 0; c < 3; ++c) {
                float top = ra[xa * 3 + c] + (ra[xb * 3 + c] - ra[xa * 3 + c]) * fx;
                float bottom = rb[xa * 3 + c] + (rb[xb * 3 + c] - rb[xa * 3 + c]) * fx;
                out[x * 3 + c] = static_cast<uint8_t>(std::clamp(top + (bottom - top) * fy + 0.5f, 0.0f, 255.0f));
            }
        }
    }
    return dst;
}

gfx::Bitmap Orient(const gfx::Bitmap& src, int orientation, gfx::PixelFormat format)
{
    const bool swap = SwapsSides(orientation);
    const int32_t W = src.Width(), H = src.Height();
    gfx::Bitmap dst(swap ? H : W, swap ? W : H, format);
    if (orientation < 2 || orientation > 8) {
        gfx::Copy(dst, {0, 0}, src, src.Bounds());
        return dst;
    }
    // Where the stored picture's top-left, top-right and bottom-left corners
    // are shown.
    static constexpr int8_t corners[9][3][2] = {
        {}, {},
        {{1, 0}, {0, 0}, {1, 1}},  // 2: mirrored left to right
        {{1, 1}, {0, 1}, {1, 0}},  // 3: turned half round
        {{0, 1}, {1, 1}, {0, 0}},  // 4: mirrored top to bottom
        {{0, 0}, {0, 1}, {1, 0}},  // 5: mirrored along the main diagonal
        {{1, 0}, {1, 1}, {0, 0}},  // 6: turned a quarter clockwise
        {{1, 1}, {1, 0}, {0, 1}},  // 7: mirrored along the other diagonal
        {{0, 1}, {0, 0}, {1, 1}},  // 8: turned a quarter anticlockwise
    };
    gfx::Point at[3];
    for (int k = 0; k < 3; ++k)
        at[k] = {corners[orientation][k][0] * dst.Width(), corners[orientation][k][1] * dst.Height()};
    gfx::TransformBlit(dst, at, src, src.Bounds(), gfx::Filter::Nearest);
    return dst;
}

bool ExtractJpegThumbnail(const std::string& path, int boxWidth, int boxHeight, TPixelFormat format,
                          gfx::Bitmap& out)
{
    if (boxWidth <= 0 || boxHeight <= 0)
        return false;
    const platform::UniqueFd file = OpenRegularFile(path);
    if (!file.Valid())
        return false;

    TExifThumbFacts facts;
    std::vector<uint8_t> exif = ReadExifBlock(file.Get());
    const bool haveExif = ParseExifTiff(exif.data(), exif.size(), facts);
    const int orientation = haveExif ? facts.Orientation : 1;
    // The box in the stored (not yet turned) orientation.
    const bool swap = SwapsSides(orientation);
    const gfx::JpegRequest box{swap ? boxHeight : boxWidth, swap ? boxWidth : boxHeight};

    std::optional<gfx::Bitmap> decoded;
    int fitW = 0, fitH = 0;
    if (haveExif && facts.ThumbLength > 0) {
        decoded = gfx::DecodeJpeg(exif.data() + facts.ThumbOffset, facts.ThumbLength, box);
        // A thumbnail smaller than the box would come out blurred: the photo
        // is decoded instead.
        if (decoded) {
            gfx::FitInside(decoded->Width(), decoded->Height(), box.BoxWidth, box.BoxHeight, fitW, fitH);
            if (decoded->Width() < fitW || decoded->Height() < fitH)
                decoded.reset();
        }
    }
    if (!decoded)
        decoded = gfx::DecodeJpegFile(file.Get(), box);
    if (!decoded)
        return false;

    gfx::FitInside(decoded->Width(), decoded->Height(), box.BoxWidth, box.BoxHeight, fitW, fitH);
    if (decoded->Width() != fitW || decoded->Height() != fitH)
        decoded = ResizeBgr(*decoded, fitW, fitH);
    out = Orient(*decoded, orientation, HeldFormat(format));
    return true;
}
