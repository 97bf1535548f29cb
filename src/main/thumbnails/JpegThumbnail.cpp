#include "main/thumbnails/JpegThumbnail.h"

#include "metadata/TiffWalker.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

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

// ---------------------------------------------------------------------------
// libjpeg glue. The decoding functions below keep every C++ object with a
// destructor outside the frame that calls setjmp, so the jump back from the
// error handler skips no destructor.

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

[[noreturn]] void FailDecode(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (level -1) mean damaged data: the picture is refused as well.
// Trace messages (level >= 0) are ignored.
void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        FailDecode(cinfo);
}

void SilentOutput(j_common_ptr) {}

void InstallErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err)
{
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = FailDecode;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = SilentOutput;
}

// Bounds on the work a single picture may ask for. A progressive or
// multi-scan picture is held whole as DCT coefficients (two bytes per
// sample) while its scans arrive, whatever the output scale: a few hundred
// bytes can declare 65500 x 65500 and ask for gigabytes, and arithmetic
// coding or long end-of-band runs fill such an area from almost no data,
// scan after scan. The memory bound admits progressive photos up to about
// 85 megapixels; the work bound, counted in 8 x 8 blocks visited while the
// scans are read, admits such a photo with some thirty scans and an ordinary
// one with hundreds. Single-scan (baseline) photos are read once, row by row
// during the output pass, at the reduced scale, and are not counted.
constexpr long MaxDecoderMemory = 256L * 1024 * 1024;
constexpr uint64_t MaxBlockVisits = 40'000'000;
constexpr int MaxScans = 500;

struct WorkLimit {
    jpeg_progress_mgr pub;
    uint64_t visits;
    bool readingScans;  // inside jpeg_start_decompress
};

// Called by the library once per row of blocks read from a scan of a
// multi-scan picture, and once per output call.
void CountWork(j_common_ptr common)
{
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* limit = reinterpret_cast<WorkLimit*>(cinfo->progress);
    if (cinfo->input_scan_number > MaxScans)
        FailDecode(common);
    if (!limit->readingScans || cinfo->comp_info == nullptr)
        return;
    uint64_t blocksPerRow = 0;
    for (int c = 0; c < cinfo->num_components; ++c)
        blocksPerRow += uint64_t(cinfo->comp_info[c].width_in_blocks) * unsigned(cinfo->comp_info[c].v_samp_factor);
    limit->visits += std::max<uint64_t>(blocksPerRow, 1);
    if (limit->visits > MaxBlockVisits)
        FailDecode(common);
}

void LimitWork(jpeg_decompress_struct& cinfo, WorkLimit& limit)
{
    // Without a backing store, a request above this bound is an error
    // (JERR_NO_BACKING_STORE) raised before anything is allocated.
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    limit.pub.progress_monitor = CountWork;
    limit.visits = 0;
    limit.readingScans = false;
    cinfo.progress = &limit.pub;
}

// How far into a file the picture's headers may reach. Every marker segment
// in front of the image data is at most 64 KiB; photos carry a few of them,
// some carry a few megabytes of them. libjpeg looks for the next marker byte
// by byte, so without a bound a huge file of other data (a sparse 5 GiB
// file named .jpg) would be read to its end.
constexpr uint64_t MaxHeaderBytes = 32u << 20;

// A source manager reading a file descriptor through a large buffer.
struct FdSource {
    jpeg_source_mgr pub;
    int fd;
    JOCTET* buffer;
    size_t capacity;
    bool started;
    uint64_t consumed;  // bytes read or skipped so far
    uint64_t limit;     // consumed may not pass this while the headers are read
};

void FdInit(j_decompress_ptr cinfo)
{
    reinterpret_cast<FdSource*>(cinfo->src)->started = false;
}

boolean FdFill(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<FdSource*>(cinfo->src);
    if (src->consumed >= src->limit)
        FailDecode(reinterpret_cast<j_common_ptr>(cinfo));
    ssize_t n;
    do {
        n = ::read(src->fd, src->buffer, src->capacity);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        // An empty or truncated file: refuse the picture.
        if (src->started)
            ERREXIT(cinfo, JERR_INPUT_EOF);
        ERREXIT(cinfo, JERR_INPUT_EMPTY);
    }
    src->started = true;
    src->consumed += static_cast<uint64_t>(n);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(n);
    return TRUE;
}

void FdSkip(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<FdSource*>(cinfo->src);
    if (count <= 0)
        return;
    size_t left = static_cast<size_t>(count);
    if (left <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += left;
        src->pub.bytes_in_buffer -= left;
        return;
    }
    left -= src->pub.bytes_in_buffer;
    src->pub.bytes_in_buffer = 0;
    src->consumed += left;
    if (::lseek(src->fd, static_cast<off_t>(left), SEEK_CUR) < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
}

void FdTerm(j_decompress_ptr) {}

// Largest decoded output accepted, per side; bigger outputs can only come
// from absurd headers and would cost gigabytes.
constexpr unsigned MaxDecodedSide = 4096;

struct DecodeInput {
    const uint8_t* data = nullptr;  // memory source when set
    size_t size = 0;
    FdSource* fdSource = nullptr;   // otherwise this one
};

// Buffers owned by the caller so that nothing here needs a destructor.
struct DecodeBuffers {
    std::vector<uint8_t>* bgr;
    std::vector<uint8_t>* cmyk;
    int width;
    int height;
};

void ChooseScale(jpeg_decompress_struct& cinfo, int boxWidth, int boxHeight)
{
    // Smallest num/8 whose output still covers the picture fitted in the box.
    int fitW, fitH;
    FitInside(static_cast<int>(std::min(cinfo.image_width, 65535u)),
              static_cast<int>(std::min(cinfo.image_height, 65535u)), boxWidth, boxHeight, fitW, fitH);
    for (unsigned num = 1; num <= 8; ++num) {
        cinfo.scale_num = num;
        cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&cinfo);
        if (cinfo.output_width >= static_cast<unsigned>(fitW) && cinfo.output_height >= static_cast<unsigned>(fitH))
            return;
    }
}

bool RunDecode(const DecodeInput& in, int boxWidth, int boxHeight, DecodeBuffers& out)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    WorkLimit limit;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&limit, 0, sizeof limit);
    InstallErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    LimitWork(cinfo, limit);
    if (in.data) {
        jpeg_mem_src(&cinfo, in.data, static_cast<unsigned long>(in.size));
    } else {
        cinfo.src = &in.fdSource->pub;
        in.fdSource->limit = MaxHeaderBytes;
    }
    jpeg_read_header(&cinfo, TRUE);
    if (in.fdSource)
        in.fdSource->limit = UINT64_MAX;

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.dct_method = JDCT_ISLOW;
    ChooseScale(cinfo, boxWidth, boxHeight);
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || cinfo.output_width > MaxDecodedSide ||
        cinfo.output_height > MaxDecodedSide)
        FailDecode(reinterpret_cast<j_common_ptr>(&cinfo));

    limit.readingScans = true;
    jpeg_start_decompress(&cinfo);
    limit.readingScans = false;
    const size_t width = cinfo.output_width;
    const size_t height = cinfo.output_height;
    const size_t components = static_cast<size_t>(cinfo.output_components);
    if (components != (cmyk ? 4u : 3u))
        FailDecode(reinterpret_cast<j_common_ptr>(&cinfo));
    // The rows grow as they are decoded: a damaged file whose header
    // promises a large picture fails long before its buffer would be full.
    // Ordinary outputs get their whole buffer at once.
    constexpr size_t ReserveAtOnce = 16u << 20;
    if (width * height * 3 <= ReserveAtOnce)
        out.bgr->reserve(width * height * 3);
    if (cmyk)
        out.cmyk->resize(width * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        size_t row = cinfo.output_scanline;
        out.bgr->resize((row + 1) * width * 3);
        JSAMPROW target = cmyk ? out.cmyk->data() : out.bgr->data() + row * width * 3;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            FailDecode(reinterpret_cast<j_common_ptr>(&cinfo));
        if (cmyk) {
            // Adobe writes CMYK inverted; the usual case for photos.
            const bool inverted = cinfo.saw_Adobe_marker;
            const uint8_t* s = out.cmyk->data();
            uint8_t* d = out.bgr->data() + row * width * 3;
            for (size_t x = 0; x < width; ++x, s += 4, d += 3) {
                unsigned c = inverted ? s[0] : 255 - s[0], m = inverted ? s[1] : 255 - s[1];
                unsigned y = inverted ? s[2] : 255 - s[2], k = inverted ? s[3] : 255 - s[3];
                d[2] = static_cast<uint8_t>(c * k / 255);
                d[1] = static_cast<uint8_t>(m * k / 255);
                d[0] = static_cast<uint8_t>(y * k / 255);
            }
        }
    }
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    // The rest of the file (trailing markers) is not needed.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool Decode(const DecodeInput& in, int boxWidth, int boxHeight, TBgrImage& out)
{
    std::vector<uint8_t> bgr, cmyk;
    DecodeBuffers buffers{&bgr, &cmyk, 0, 0};
    if (!RunDecode(in, std::max(boxWidth, 1), std::max(boxHeight, 1), buffers))
        return false;
    out.Width = buffers.width;
    out.Height = buffers.height;
    out.Pixels = std::move(bgr);
    return true;
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
    // Segments: FF xx, then a 16-bit big-endian length that counts itself.
    // FF D8 opens the file; FF DA starts the image data.
    auto readAt = [fd](void* buf, size_t n, off_t at) {
        size_t done = 0;
        while (done < n) {
            ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, at + static_cast<off_t>(done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            done += static_cast<size_t>(r);
        }
        return true;
    };
    uint8_t head[4];
    if (!readAt(head, 2, 0) || head[0] != 0xFF || head[1] != 0xD8)
        return {};
    off_t pos = 2;
    for (int segment = 0; segment < 32; ++segment) {
        if (!readAt(head, 4, pos) || head[0] != 0xFF)
            return {};
        uint8_t marker = head[1];
        if (marker == 0xFF) {  // fill byte before a marker
            pos += 1;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return {};
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            pos += 2;
            continue;
        }
        size_t length = metadata::Be16(head + 2);
        if (length < 2)
            return {};
        if (marker == 0xE1 && length >= 2 + 6) {
            uint8_t ident[6];
            if (!readAt(ident, 6, pos + 4))
                return {};
            if (std::memcmp(ident, "Exif\0\0", 6) == 0) {
                std::vector<uint8_t> block(length - 2 - 6);
                if (!readAt(block.data(), block.size(), pos + 4 + 6))
                    return {};
                return block;
            }
        }
        pos += 2 + static_cast<off_t>(length);
    }
    return {};
}

void FitInside(int width, int height, int boxWidth, int boxHeight, int& fitWidth, int& fitHeight)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    boxWidth = std::max(boxWidth, 1);
    boxHeight = std::max(boxHeight, 1);
    // Compare W / H with boxW / boxH without rounding.
    if (int64_t(width) * boxHeight >= int64_t(height) * boxWidth) {
        fitWidth = boxWidth;
        fitHeight = static_cast<int>((int64_t(height) * boxWidth * 2 + width) / (int64_t(width) * 2));
    } else {
        fitHeight = boxHeight;
        fitWidth = static_cast<int>((int64_t(width) * boxHeight * 2 + height) / (int64_t(height) * 2));
    }
    fitWidth = std::clamp(fitWidth, 1, boxWidth);
    fitHeight = std::clamp(fitHeight, 1, boxHeight);
}

TBgrImage ResizeBgr(const TBgrImage& src, int width, int height)
{
    TBgrImage dst;
    dst.Width = std::max(width, 1);
    dst.Height = std::max(height, 1);
    dst.Pixels.assign(size_t(dst.Width) * dst.Height * 3, 0);
    if (src.Width <= 0 || src.Height <= 0)
        return dst;
    const size_t sstride = size_t(src.Width) * 3;

    if (src.Width >= dst.Width && src.Height >= dst.Height) {
        // Area averaging over whole source pixels: destination pixel x covers
        // source columns [x * W / w, (x + 1) * W / w), never empty when W >= w.
        std::vector<int> x0(dst.Width + 1), y0(dst.Height + 1);
        for (int x = 0; x <= dst.Width; ++x)
            x0[x] = static_cast<int>(int64_t(x) * src.Width / dst.Width);
        for (int y = 0; y <= dst.Height; ++y)
            y0[y] = static_cast<int>(int64_t(y) * src.Height / dst.Height);
        std::vector<uint32_t> sums(size_t(dst.Width) * 3);
        for (int y = 0; y < dst.Height; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int sy = y0[y]; sy < y0[y + 1]; ++sy) {
                const uint8_t* row = src.Pixels.data() + size_t(sy) * sstride;
                for (int x = 0; x < dst.Width; ++x) {
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
            uint8_t* out = dst.Pixels.data() + size_t(y) * dst.Width * 3;
            for (int x = 0; x < dst.Width; ++x) {
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
    for (int y = 0; y < dst.Height; ++y) {
        int ya, yb;
        float fy;
        coord(y, dst.Height, src.Height, ya, yb, fy);
        const uint8_t* ra = src.Pixels.data() + size_t(ya) * sstride;
        const uint8_t* rb = src.Pixels.data() + size_t(yb) * sstride;
        uint8_t* out = dst.Pixels.data() + size_t(y) * dst.Width * 3;
        for (int x = 0; x < dst.Width; ++x) {
            int xa, xb;
            float fx;
            coord(x, dst.Width, src.Width, xa, xb, fx);
            for (int c = 0; c < 3; ++c) {
                float top = ra[xa * 3 + c] + (ra[xb * 3 + c] - ra[xa * 3 + c]) * fx;
                float bottom = rb[xa * 3 + c] + (rb[xb * 3 + c] - rb[xa * 3 + c]) * fx;
                out[x * 3 + c] = static_cast<uint8_t>(std::clamp(top + (bottom - top) * fy + 0.5f, 0.0f, 255.0f));
            }
        }
    }
    return dst;
}

TBgrImage OrientBgr(const TBgrImage& src, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return src;
    const int W = src.Width, H = src.Height;
    TBgrImage dst;
    dst.Width = SwapsSides(orientation) ? H : W;
    dst.Height = SwapsSides(orientation) ? W : H;
    dst.Pixels.resize(src.Pixels.size());
    for (int y = 0; y < dst.Height; ++y) {
        for (int x = 0; x < dst.Width; ++x) {
            // Stored pixel (sx, sy) shown at (x, y).
            int sx, sy;
            switch (orientation) {
            case 2: sx = W - 1 - x; sy = y; break;
            case 3: sx = W - 1 - x; sy = H - 1 - y; break;
            case 4: sx = x; sy = H - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = H - 1 - x; break;
            case 7: sx = W - 1 - y; sy = H - 1 - x; break;
            default: sx = W - 1 - y; sy = x; break;  // 8
            }
            const uint8_t* s = src.Pixels.data() + (size_t(sy) * W + sx) * 3;
            uint8_t* d = dst.Pixels.data() + (size_t(y) * dst.Width + x) * 3;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return dst;
}

bool DecodeJpegMemory(const uint8_t* data, size_t size, int boxWidth, int boxHeight, TBgrImage& out)
{
    if (data == nullptr || size == 0)
        return false;
    DecodeInput in;
    in.data = data;
    in.size = size;
    return Decode(in, boxWidth, boxHeight, out);
}

bool DecodeJpegFile(int fd, int boxWidth, int boxHeight, TBgrImage& out)
{
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    std::vector<JOCTET> buffer(256 * 1024);
    FdSource source;
    std::memset(&source, 0, sizeof source);
    source.pub.init_source = FdInit;
    source.pub.fill_input_buffer = FdFill;
    source.pub.skip_input_data = FdSkip;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = FdTerm;
    source.fd = fd;
    source.buffer = buffer.data();
    source.capacity = buffer.size();
    DecodeInput in;
    in.fdSource = &source;
    return Decode(in, boxWidth, boxHeight, out);
}

bool ExtractJpegThumbnail(const std::string& path, int boxWidth, int boxHeight, TPixelFormat format,
                          TThumbBitmap& out)
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
    const int storedBoxW = swap ? boxHeight : boxWidth;
    const int storedBoxH = swap ? boxWidth : boxHeight;

    TBgrImage decoded;
    bool ok = false;
    int fitW = 0, fitH = 0;
    if (haveExif && facts.ThumbLength > 0 &&
        DecodeJpegMemory(exif.data() + facts.ThumbOffset, facts.ThumbLength, storedBoxW, storedBoxH, decoded)) {
        // A thumbnail smaller than the box would come out blurred: the photo
        // is decoded instead.
        FitInside(decoded.Width, decoded.Height, storedBoxW, storedBoxH, fitW, fitH);
        ok = decoded.Width >= fitW && decoded.Height >= fitH;
    }
    if (!ok)
        ok = DecodeJpegFile(file.Get(), storedBoxW, storedBoxH, decoded);
    if (!ok)
        return false;

    FitInside(decoded.Width, decoded.Height, storedBoxW, storedBoxH, fitW, fitH);
    TBgrImage fitted = (decoded.Width == fitW && decoded.Height == fitH) ? std::move(decoded)
                                                                         : ResizeBgr(decoded, fitW, fitH);
    TBgrImage upright = OrientBgr(fitted, orientation);
    out = TThumbBitmap::FromBGR24(upright.Pixels.data(), upright.Width, upright.Height,
                                  size_t(upright.Width) * 3, format);
    return true;
}
