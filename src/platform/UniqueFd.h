#pragma once
// Classes: UniqueFd.
//
// UniqueFd: the one owner of a file descriptor.

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

} // namespace platform
