#include "Jpeg.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace gfx {

namespace {

// The decoding functions below keep every C++ object with a destructor
// outside the frame that calls setjmp, so the jump back from the error
// handler skips no destructor.

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Refuse(j_common_ptr cinfo, const char* why)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", why);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void FailDecode(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
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

// Largest decoded output accepted, per side; bigger outputs can only come
// from absurd headers and would cost gigabytes.
constexpr unsigned MaxDecodedSide = 4096;

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
        Refuse(common, "too many scans");
    if (!limit->readingScans || cinfo->comp_info == nullptr)
        return;
    uint64_t blocksPerRow = 0;
    for (int c = 0; c < cinfo->num_components; ++c)
        blocksPerRow += uint64_t(cinfo->comp_info[c].width_in_blocks) * unsigned(cinfo->comp_info[c].v_samp_factor);
    limit->visits += std::max<uint64_t>(blocksPerRow, 1);
    if (limit->visits > MaxBlockVisits)
        Refuse(common, "too much scan work");
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
        Refuse(reinterpret_cast<j_common_ptr>(cinfo), "no picture within the first 32 MiB");
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

struct DecodeInput {
    const uint8_t* data = nullptr;  // memory source when set
    size_t size = 0;
    FdSource* fdSource = nullptr;   // otherwise this one
};

// Objects owned by the caller so that nothing in RunDecode needs a destructor.
struct DecodeOutput {
    Bitmap* bitmap;
    std::vector<uint8_t>* cmykRow;
    char* why;  // JMSG_LENGTH_MAX bytes
};

void ChooseScale(jpeg_decompress_struct& cinfo, const JpegRequest& request)
{
    if (request.BoxWidth <= 0 || request.BoxHeight <= 0) {
        jpeg_calc_output_dimensions(&cinfo);
        return;
    }
    // Smallest num/8 whose output still covers the picture fitted in the box.
    int fitW, fitH;
    FitInside(static_cast<int>(std::min(cinfo.image_width, 65535u)),
              static_cast<int>(std::min(cinfo.image_height, 65535u)), request.BoxWidth, request.BoxHeight, fitW,
              fitH);
    for (unsigned num = 1; num <= 8; ++num) {
        cinfo.scale_num = num;
        cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&cinfo);
        if (cinfo.output_width >= static_cast<unsigned>(fitW) && cinfo.output_height >= static_cast<unsigned>(fitH))
            return;
    }
}

bool Allocate(Bitmap& bitmap, size_t width, size_t height, std::vector<uint8_t>& cmykRow, bool cmyk) noexcept
{
    try {
        bitmap = Bitmap(static_cast<int32_t>(width), static_cast<int32_t>(height), PixelFormat::Bgr24);
        if (cmyk)
            cmykRow.resize(width * 4);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool RunDecode(const DecodeInput& in, const JpegRequest& request, const DecodeOutput& out)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    WorkLimit limit;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&limit, 0, sizeof limit);
    err.message[0] = '\0';
    InstallErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::memcpy(out.why, err.message, sizeof err.message);
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
    ChooseScale(cinfo, request);
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || cinfo.output_width > MaxDecodedSide ||
        cinfo.output_height > MaxDecodedSide)
        Refuse(reinterpret_cast<j_common_ptr>(&cinfo), "picture too large");

    limit.readingScans = true;
    jpeg_start_decompress(&cinfo);
    limit.readingScans = false;
    const size_t width = cinfo.output_width;
    const size_t height = cinfo.output_height;
    if (static_cast<size_t>(cinfo.output_components) != (cmyk ? 4u : 3u))
        Refuse(reinterpret_cast<j_common_ptr>(&cinfo), "unsupported colour components");
    // The pages of a large bitmap are only taken as rows are written, so a
    // damaged file whose header promises a large picture fails long before
    // its memory would be used.
    if (!Allocate(*out.bitmap, width, height, *out.cmykRow, cmyk))
        Refuse(reinterpret_cast<j_common_ptr>(&cinfo), "out of memory");
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* row = out.bitmap->Row(static_cast<int32_t>(cinfo.output_scanline));
        JSAMPROW target = cmyk ? out.cmykRow->data() : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            FailDecode(reinterpret_cast<j_common_ptr>(&cinfo));
        if (cmyk) {
            // Adobe writes CMYK inverted; the usual case for photos.
            const bool inverted = cinfo.saw_Adobe_marker;
            const uint8_t* s = out.cmykRow->data();
            uint8_t* d = row;
            for (size_t x = 0; x < width; ++x, s += 4, d += 3) {
                unsigned c = inverted ? s[0] : 255 - s[0], m = inverted ? s[1] : 255 - s[1];
                unsigned y = inverted ? s[2] : 255 - s[2], k = inverted ? s[3] : 255 - s[3];
                d[2] = static_cast<uint8_t>(c * k / 255);
                d[1] = static_cast<uint8_t>(m * k / 255);
                d[0] = static_cast<uint8_t>(y * k / 255);
            }
        }
    }
    // The rest of the file (trailing markers) is not needed.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::optional<Bitmap> Decode(const DecodeInput& in, const JpegRequest& request, std::string* why)
{
    Bitmap bitmap;
    std::vector<uint8_t> cmykRow;
    char message[JMSG_LENGTH_MAX] = {};
    if (!RunDecode(in, request, {&bitmap, &cmykRow, message})) {
        if (why)
            *why = message;
        return std::nullopt;
    }
    return bitmap;
}

} // namespace

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

std::optional<Bitmap> DecodeJpeg(const uint8_t* data, size_t size, JpegRequest request, std::string* why)
{
    if (data == nullptr || size == 0) {
        if (why)
            *why = "Empty JPEG data";
        return std::nullopt;
    }
    DecodeInput in;
    in.data = data;
    in.size = size;
    return Decode(in, request, why);
}

std::optional<Bitmap> DecodeJpegFile(int fd, JpegRequest request, std::string* why)
{
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        if (why)
            *why = "Cannot read the file";
        return std::nullopt;
    }
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
    return Decode(in, request, why);
}

} // namespace gfx
