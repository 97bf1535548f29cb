#pragma once
// What the fuzz targets and seed writers share: an in-memory file that the
// code under test opens by path, as it would a photo, and writing seeds.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

// One in-memory file per process, created on first use.
inline int MemoryFile()
{
    static const int fd = [] {
        const int f = memfd_create("quistelor-fuzz", MFD_CLOEXEC);
        if (f < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return f;
    }();
    return fd;
}

// Replaces the in-memory file's content by data and returns a path to it.
inline std::string FillMemoryFile(const std::uint8_t* data, std::size_t size)
{
    const int fd = MemoryFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

inline bool Save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace fuzz
