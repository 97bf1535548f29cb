#include "UniqueFd.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

int UniqueFd::Close() noexcept
{
    const int fd = Release();
    return fd >= 0 ? ::close(fd) : 0;
}

namespace {

// One loop for the four transfers: step(done) moves the bytes from done on
// and answers as read() or write() would.
template <typename Step>
ssize_t Transfer(std::size_t n, Step step)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = step(done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool Written(ssize_t done, std::size_t n)
{
    if (done >= 0 && static_cast<std::size_t>(done) < n)
        errno = EIO;
    return done >= 0 && static_cast<std::size_t>(done) == n;
}

} // namespace

ssize_t ReadFull(int fd, void* buf, std::size_t n)
{
    auto* p = static_cast<char*>(buf);
    return Transfer(n, [&](std::size_t done) { return ::read(fd, p + done, n - done); });
}

ssize_t ReadFull(int fd, void* buf, std::size_t n, std::int64_t offset)
{
    auto* p = static_cast<char*>(buf);
    return Transfer(n, [&](std::size_t done) {
        return ::pread(fd, p + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    });
}

bool WriteFull(int fd, const void* buf, std::size_t n)
{
    const auto* p = static_cast<const char*>(buf);
    return Written(Transfer(n, [&](std::size_t done) { return ::write(fd, p + done, n - done); }), n);
}

bool WriteFull(int fd, const void* buf, std::size_t n, std::int64_t offset)
{
    const auto* p = static_cast<const char*>(buf);
    return Written(Transfer(n, [&](std::size_t done) {
        return ::pwrite(fd, p + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    }), n);
}

} // namespace platform
