// libFuzzer target: TExif::ReadFromFile on arbitrary bytes. The bytes are
// put in an in-memory file that the reader opens by path, as it would a photo.

#include "metadata/Exif.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

int MemoryFile()
{
    static const int fd = [] {
        const int f = memfd_create("exif-fuzz", MFD_CLOEXEC);
        if (f < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return f;
    }();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = MemoryFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    TExif exif;
    try {
        const bool found = exif.ReadFromFile(path);
        // The result and Valid tell the same thing.
        if (found != exif.Valid) std::abort();
    } catch (const EInOutError&) {
        // A file that ends inside a header: the reader's documented error.
    }
    return 0;
}
