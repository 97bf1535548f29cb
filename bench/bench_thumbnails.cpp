// Thumbnail cache build on full-size photos, against a bare libjpeg-turbo
// decode and two peer tools measured in the same run.
//
//   bench_thumbnails [count] [--no-peers]
//                                 (default 200 photos, half with an
//                                  embedded 160 x 120 EXIF thumbnail;
//                                  --no-peers: ours and the bare decode only,
//                                  for repeated runs)
//
// The photos (4000 x 3000, quality 90) are generated into a temporary folder
// that is deleted at the end. Every figure is wall time on this machine. Our
// build runs with one thread and with every thread count up to one per core,
// and the cache bytes of every count are compared with those of one thread;
// the peers are timed as black-box commands with their default threading and
// again limited to one thread.

#include "thumbnails/JpegThumbnail.h"
#include "thumbnails/OrderedWorkers.h"
#include "thumbnails/ThumbnailCache.h"
#include "platform/FileStream.h"

#include "support/ChildProcess.h"
#include "support/ExifWriter.h"
#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csetjmp>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// A textured picture: gradients plus pseudo-random detail, so that the JPEG
// has the size and decoding cost of a real 12-megapixel photo.
std::vector<uint8_t> MakePhoto(int variant)
{
    const int w = 4000, h = 3000;
    return support::EncodeJpeg(w, h, [variant](int y, uint8_t* rgb) {
        uint32_t seed = static_cast<uint32_t>(y * 2654435761u + variant * 97u);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int noise = static_cast<int>((seed >> 24) % 64) - 32;
            int r = (x * 255 / w + noise + variant * 40) & 0xFF;
            int g = (y * 255 / h + noise / 2) & 0xFF;
            int b = ((x + y) * 255 / (w + h) - noise) & 0xFF;
            rgb[x * 3] = static_cast<uint8_t>(r);
            rgb[x * 3 + 1] = static_cast<uint8_t>(g);
            rgb[x * 3 + 2] = static_cast<uint8_t>(b);
        }
    }, 90);
}

// The reference: read the file, decode it at 1/8 with libjpeg-turbo's
// defaults, shrink to 100 x 75. Nothing else.
struct BareError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

[[noreturn]] void BareExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<BareError*>(cinfo->err)->jump, 1);
}

bool BareDecodeAndShrink(const std::string& path, std::vector<uint8_t>& file, gfx::Bitmap& decoded)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    file.resize(static_cast<size_t>(size));
    size_t got = std::fread(file.data(), 1, file.size(), f);
    std::fclose(f);
    if (got != file.size())
        return false;

    jpeg_decompress_struct cinfo;
    BareError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = BareExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    decoded = gfx::Bitmap(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height),
                          gfx::PixelFormat::Bgr24);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = decoded.Row(static_cast<int32_t>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    gfx::Bitmap small = ResizeBgr(decoded, 100, 75);
    return small.Width() == 100;
}

struct Figure {
    std::string what;
    double seconds = -1;  // < 0: not measured
    int files = 0;
};

double PerSecond(const Figure& f)
{
    return f.seconds > 0 ? f.files / f.seconds : 0;
}

double Command(const std::string& command)
{
    auto t0 = Clock::now();
    const int rc = support::RunProcess({"sh", "-c", command}, support::ProcessOptions::Quiet()).status;
    auto t1 = Clock::now();
    return rc == 0 ? Seconds(t0, t1) : -1;
}

bool Have(const char* tool)
{
    return support::RunProcess({"sh", "-c", std::string("command -v ") + tool}, support::ProcessOptions::Quiet()).status == 0;
}

void Print(const Figure& f, const Figure* reference)
{
    if (f.seconds < 0) {
        std::printf("  %-60s  not measured (tool missing or failed)\n", f.what.c_str());
        return;
    }
    std::printf("  %-60s %8.1f files/s %8.3f ms/file", f.what.c_str(), PerSecond(f), 1000.0 * f.seconds / f.files);
    if (reference && reference->seconds > 0)
        std::printf("   x%.2f of ours", f.seconds / reference->seconds);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    // [count] [--no-peers], in either order.
    int count = 200;
    bool measurePeers = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-peers") == 0)
            measurePeers = false;
        else
            count = std::atoi(argv[i]);
    }
    if (count < 2)
        count = 2;
    const int half = count / 2;

    support::ScratchFolder dir;
    const std::string exifDir = dir / "exif", plainDir = dir / "plain", outDir = dir / "out";
    fs::create_directories(exifDir);
    fs::create_directories(plainDir);
    fs::create_directories(outDir);

    // Four different photos, written as count files: the first half with an
    // embedded thumbnail, the second without.
    std::printf("Generating %d photos of 4000 x 3000 ...\n", count);
    std::fflush(stdout);
    std::vector<std::vector<uint8_t>> photos, withThumb;
    for (int v = 0; v < 4; ++v) {
        photos.push_back(MakePhoto(v));
        std::vector<uint8_t> thumb = support::EncodeJpeg(160, 120, [v](int y, uint8_t* rgb) {
            for (int x = 0; x < 160; ++x) {
                rgb[x * 3] = static_cast<uint8_t>(x + v * 40);
                rgb[x * 3 + 1] = static_cast<uint8_t>(y * 2);
                rgb[x * 3 + 2] = static_cast<uint8_t>(x + y);
            }
        });
        withThumb.push_back(support::JpegWithExif(support::ExifTiff(1, thumb), photos.back(), true));
    }
    std::vector<std::string> exifNames, plainNames;
    uintmax_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i);
        bool exif = i < half;
        const auto& data = exif ? withThumb[i % 4] : photos[i % 4];
        support::WriteFile((exif ? exifDir : plainDir) + "/" + name, data);
        (exif ? exifNames : plainNames).push_back(name);
        bytes += data.size();
    }
    std::printf("  %d files, %.1f MB each on average\n\n", count, bytes / 1e6 / count);

    platform::TFileStream cache = platform::TFileStream::CreateExclusive(dir / "cache.dat");
    std::vector<std::string> offsets;
    auto best = [](Figure& f, Clock::time_point t0) {
        double s = Seconds(t0, Clock::now());
        if (f.seconds < 0 || s < f.seconds)
            f.seconds = s;
    };

    // One build per thread count from 1 to one per core, each half apart.
    const int cores = ThreadsPerCore();
    struct Ours {
        int threads;
        Figure exif, plain;
    };
    std::vector<Ours> ours;
    for (int t = 1; t <= cores; ++t) {
        std::string threads = t == 1 ? "1 thread" : std::to_string(t) + " threads";
        if (t == cores && t > 1)
            threads += " (all)";
        ours.push_back({t, {"BuildThumbnails, embedded thumbnail, " + threads, -1, half},
                        {"BuildThumbnails, no embedded thumbnail, " + threads, -1, count - half}});
    }
    // What one thread writes, against which every other count is compared.
    std::vector<uint8_t> referenceBytes[2];
    std::vector<std::string> referenceOffsets[2];
    bool identical = true;
    auto build = [&](int which, const std::string& folder, const std::vector<std::string>& names, int threads,
                     Figure& figure) {
        auto t0 = Clock::now();
        BuildThumbnailCache(folder, names, cache, offsets, 100, 100, {}, threads);
        best(figure, t0);
        for (const auto& o : offsets)
            if (o == "-1")
                std::printf("  warning: a photo gave no thumbnail\n");
        std::vector<uint8_t> bytes = support::ReadFile<std::vector<uint8_t>>(dir / "cache.dat");
        if (threads == 1) {
            referenceBytes[which] = std::move(bytes);
            referenceOffsets[which] = offsets;
        } else if (bytes != referenceBytes[which] || offsets != referenceOffsets[which]) {
            identical = false;
        }
    };

    // Runs alternate between the thread counts and the reference so that
    // all see the same load on this shared machine; the best of five runs
    // counts.
    Figure bare{"bare libjpeg-turbo 1/8 decode + downscale, no EXIF", -1, count - half};
    std::vector<uint8_t> file;
    gfx::Bitmap decoded;
    for (int run = 0; run < 5; ++run) {
        for (Ours& o : ours) {
            build(0, exifDir, exifNames, o.threads, o.exif);
            build(1, plainDir, plainNames, o.threads, o.plain);
        }
        auto t0 = Clock::now();
        for (const auto& n : plainNames)
            BareDecodeAndShrink(plainDir + "/" + n, file, decoded);
        best(bare, t0);
    }
    const Figure& oursExif = ours.back().exif;
    const Figure& onePlain = ours.front().plain;
    const Figure& oursPlain = ours.back().plain;

    std::vector<Figure> peers;
    struct Half {
        const char* label;
        std::string folder;
        int files;
    };
    std::vector<Half> halves;
    if (measurePeers)
        halves = {{"embedded thumbnail", exifDir, half}, {"no embedded thumbnail", plainDir, count - half}};
    for (const auto& h : halves) {
        for (bool oneThread : {false, true}) {
            std::string env = oneThread ? "MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 VIPS_CONCURRENCY=1 " : "";
            std::string suffix = std::string(", ") + h.label + (oneThread ? ", 1 thread" : "");
            Figure mogrify{"mogrify -define jpeg:size=200x200 -thumbnail" + suffix, -1, h.files};
            if (Have("mogrify"))
                mogrify.seconds = Command(env + "mogrify -path " + outDir +
                                          " -define jpeg:size=200x200 -thumbnail 100x100 " + h.folder + "/*.jpg");
            peers.push_back(mogrify);
            Figure vips{"vipsthumbnail --size 100x100" + suffix, -1, h.files};
            if (Have("vipsthumbnail"))
                vips.seconds = Command(env + "vipsthumbnail --size 100x100 -o " + outDir + "/%s.jpg " + h.folder + "/*.jpg");
            peers.push_back(vips);
        }
    }

    std::printf("Thumbnails of %d photos (100 x 100 box), %d cores:\n", count, cores);
    for (const Ours& o : ours)
        Print(o.exif, nullptr);
    for (const Ours& o : ours) {
        Print(o.plain, nullptr);
        if (o.threads > 1)
            std::printf("  %-60s %8.2f x as fast as 1 thread\n", "", onePlain.seconds / o.plain.seconds);
    }
    Print(bare, &onePlain);
    for (const auto& p : peers)
        Print(p, p.what.find("no embedded") != std::string::npos ? &oursPlain : &oursExif);

    std::printf("\nGoals:\n");
    double exifMs = 1000.0 * oursExif.seconds / oursExif.files;
    std::printf("  embedded thumbnail: %.3f ms per photo (goal: under 1 ms) %s\n", exifMs, exifMs < 1 ? "met" : "MISSED");
    double ratio = onePlain.seconds / bare.seconds;
    std::printf("  no embedded thumbnail, 1 thread: %.2f x the bare decode (goal: at most 1.10) %s\n", ratio,
                ratio <= 1.10 ? "met" : "MISSED");
    double speedUp = onePlain.seconds / oursPlain.seconds;
    std::printf("  no embedded thumbnail, all %d threads: %.2f x as fast as 1 thread (goal: at least 1.8 on 2 cores) %s\n",
                cores, speedUp, cores < 2 ? "(one core)" : speedUp >= 1.8 ? "met" : "MISSED");
    std::printf("  cache bytes and offsets of every thread count identical to 1 thread: %s\n",
                identical ? "yes" : "NO");
    for (const auto& p : peers)
        if (p.what.rfind("mogrify", 0) == 0 && p.what.find("no embedded") != std::string::npos && p.seconds > 0)
            std::printf("  against %s: ours (all threads) is %.2f x as fast\n", p.what.c_str(),
                        p.seconds / oursPlain.seconds);
    return identical ? 0 : 1;
}
