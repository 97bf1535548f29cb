// Reading the shooting date of 10,000 camera photos, against the bare minimum
// of opening each file, reading its first 64 KiB and closing it, measured in
// the same run, and against the peer tools jhead, exiv2 and exiftool.
//
//   bench_exif [COUNT] [--no-peers]
//
// The photos are copies of the shared sample photos with varied dates,
// written to a temporary folder and removed at the end. The page cache is
// warm: every figure is the best of several rounds.

#include "metadata/Exif.h"
#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>


namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The sample photos that carry a shooting date, with that date.
struct Source {
    std::string bytes;
    std::string date;
};

std::vector<Source> LoadSources(const fs::path& samples)
{
    std::vector<Source> sources;
    for (const char* sub : {"", "exif-org", "gps"}) {
        const fs::path dir = samples / sub;
        if (!fs::is_directory(dir)) continue;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dir))
            // Photos of the sizes cameras wrote before the scaling down; the
            // few very large files would only fill the page cache.
            if (e.is_regular_file() && e.path().extension() == ".jpg" && e.file_size() <= 256 * 1024)
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            TExif exif;
            try {
                if (!exif.ReadFromFile(f.string()) || exif.DateTimeOriginal.size() != 19) continue;
            } catch (const std::exception&) {
                continue;
            }
            std::ifstream in(f, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            sources.push_back({std::move(bytes), exif.DateTimeOriginal});
        }
    }
    return sources;
}

// A date of the same length for copy number i.
std::string DateFor(std::size_t i)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04zu:%02zu:%02zu %02zu:%02zu:%02zu", 2000 + i % 25, 1 + i % 12,
                  1 + i % 28, i % 24, (i / 24) % 60, (i / 7) % 60);
    return buf;
}

std::vector<std::string> MakePhotos(const std::vector<Source>& sources, const std::string& dir, std::size_t count)
{
    std::vector<std::string> files;
    files.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Source& s = sources[i % sources.size()];
        std::string bytes = s.bytes;
        const std::string date = DateFor(i);
        for (std::size_t at = bytes.find(s.date); at != std::string::npos; at = bytes.find(s.date, at + 19))
            bytes.replace(at, 19, date);
        char name[64];
        std::snprintf(name, sizeof name, "/IMG_%05zu.jpg", i);
        files.push_back(dir + name);
        std::ofstream out(files.back(), std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }
    return files;
}

// The floor: open, read the first 64 KiB, close.
double BareMinimum(const std::vector<std::string>& files)
{
    static std::vector<char> buf(64 * 1024);
    std::size_t total = 0;
    const auto t0 = Clock::now();
    for (const std::string& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n > 0) total += std::size_t(n);
        ::close(fd);
    }
    const auto t1 = Clock::now();
    if (total == 0) std::fprintf(stderr, "nothing read\n");
    return Seconds(t0, t1);
}

double Reader(const std::vector<std::string>& files, std::size_t& dated)
{
    dated = 0;
    const auto t0 = Clock::now();
    for (const std::string& f : files) {
        TExif exif;
        exif.ReadFromFile(f);
        if (exif.DateTimeOriginal.size() == 19) ++dated;
    }
    return Seconds(t0, Clock::now());
}

bool HaveProgram(const char* name)
{
    return support::RunProcess({"sh", "-c", std::string("command -v ") + name}, support::ProcessOptions::Quiet()).status == 0;
}

// Runs a peer over the files in batches (one process per batch, so process
// start-up weighs little), output to /dev/null.
double Peer(const std::vector<std::string>& command, const std::vector<std::string>& files)
{
    constexpr std::size_t kBatch = 1000;
    const auto t0 = Clock::now();
    for (std::size_t start = 0; start < files.size(); start += kBatch) {
        std::vector<std::string> argv = command;
        argv.insert(argv.end(), files.begin() + std::ptrdiff_t(start),
                    files.begin() + std::ptrdiff_t(std::min(files.size(), start + kBatch)));
        support::RunProcess(argv, support::ProcessOptions::Quiet());
    }
    return Seconds(t0, Clock::now());
}

template <typename F>
double Best(int rounds, F f)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) best = std::min(best, f());
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t count = 10000;
    bool peersToo = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-peers") == 0)
            peersToo = false;
        else
            count = std::strtoul(argv[i], nullptr, 10);
    }
    const fs::path samples = fs::path(QUISTELOR_FIXTURES_DIR) / "exif-samples";
    const std::vector<Source> sources = LoadSources(samples);
    if (sources.empty()) {
        std::printf("bench_exif: no sample photos in %s; nothing measured\n", samples.c_str());
        return 0;
    }

    const support::ScratchFolder scratch;
    const std::string& dir = scratch.Path();
    const std::vector<std::string> files = MakePhotos(sources, dir, count);
    std::uintmax_t bytes = 0;
    for (const std::string& f : files) bytes += fs::file_size(f);
    std::printf("%zu photos from %zu dated samples, %.1f MiB, in %s\n", files.size(), sources.size(),
                double(bytes) / (1 << 20), dir.c_str());

    // Warm the page cache and the code paths.
    std::size_t dated = 0;
    BareMinimum(files);
    Reader(files, dated);

    constexpr int kRounds = 7;
    double floor = 1e300, reader = 1e300;
    for (int i = 0; i < kRounds; ++i) {  // interleaved, so both see the same machine load
        floor = std::min(floor, BareMinimum(files));
        reader = std::min(reader, Reader(files, dated));
    }
    const double n = double(files.size());
    std::printf("\n%-44s %10s %8s\n", "", "us/photo", "ratio");
    std::printf("%-44s %10.2f %8.2f\n", "open + read 64 KiB + close (floor)", floor / n * 1e6, 1.0);
    std::printf("%-44s %10.2f %8.2f   (%zu dates read)\n", "TExif::ReadFromFile", reader / n * 1e6, reader / floor,
                dated);

    struct PeerRun {
        const char* label;
        std::vector<std::string> command;
        std::size_t files;
        int rounds;
    };
    const std::vector<PeerRun> peers = {
        {"jhead (default summary)", {"jhead", "-se"}, files.size(), 3},
        {"exiv2 -g Exif.Photo.DateTimeOriginal", {"exiv2", "-q", "-g", "Exif.Photo.DateTimeOriginal", "-Pv"},
         files.size(), 3},
        {"exiftool -fast2 -DateTimeOriginal", {"exiftool", "-q", "-fast2", "-s3", "-DateTimeOriginal"},
         std::min<std::size_t>(files.size(), 2000), 1},
    };
    for (const PeerRun& p : peersToo ? peers : std::vector<PeerRun>{}) {
        if (!HaveProgram(p.command[0].c_str())) {
            std::printf("%-44s %10s\n", p.label, "not installed");
            continue;
        }
        const std::vector<std::string> subset(files.begin(), files.begin() + std::ptrdiff_t(p.files));
        const double t = Best(p.rounds, [&] { return Peer(p.command, subset); });
        const double perFile = t / double(p.files);
        std::printf("%-44s %10.2f %8.2f%s\n", p.label, perFile * 1e6, perFile / (floor / n),
                    p.files < files.size() ? "   (on a subset)" : "");
    }

    return 0;
}
