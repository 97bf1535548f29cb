#pragma once
// Classes: UniqueFd.
//
// UniqueFd: the one owner of a file descriptor. Beside it, ReadFull and
// WriteFull move a whole buffer through one, retrying on EINTR.

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <utility>

namespace platform {

// Owns one open file descriptor and closes it when destroyed; -1 owns
// nothing. Where a failing close() means lost data (after writes), call
// Close() and look at its result instead of leaving it to the destructor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = other.Release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Close(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    int Release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor now: 0, or -1 with errno set when close() fails
    // (the descriptor is released either way).
    int Close() noexcept;

private:
    int fd_ = -1;
};

// Reads until n bytes are in buf, the file ends or the system fails; a read
// interrupted by a signal is retried. Returns the bytes read: fewer than n
// only when the file ends first (0 at its end). A failure returns -1 with
// errno set; what was read before it is in buf but not counted. The first
// form reads from the file position and moves it, the second reads at offset
// and leaves the position alone.
ssize_t ReadFull(int fd, void* buf, std::size_t n);
ssize_t ReadFull(int fd, void* buf, std::size_t n, std::int64_t offset);

// Writes all n bytes of buf, retrying on EINTR. True when all were written;
// false with errno set when the system fails (a write that takes nothing,
// which a full device may answer, fails with EIO). The forms are those of
// ReadFull.
bool WriteFull(int fd, const void* buf, std::size_t n);
bool WriteFull(int fd, const void* buf, std::size_t n, std::int64_t offset);

} // namespace platform
