#include "FileStream.h"

#include "OSError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

[[noreturn]] void CannotCreate(const std::string& path, const std::string& reason)
{
    throw ECreateFileError("Cannot create file \"" + path + "\". " + reason);
}

} // namespace

int OpenWorkingFile(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int code = errno;
        CannotCreate(path, code == ELOOP ? "It is a symbolic link." : SysErrorMessage(code));
    }
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0;
    if (!ok || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        const int code = errno;
        ::close(fd);
        CannotCreate(path, !ok ? SysErrorMessage(code)
                               : "It is not a plain file of this user's own.");
    }
    return fd;
}

TFileStream TFileStream::CreateExclusive(const std::string& path)
{
    int fd = OpenWorkingFile(path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        int code = errno;
        ::close(fd);
        CannotCreate(path, SysErrorMessage(code));
    }
    return TFileStream(fd, path);
}

TFileStream::TFileStream(TFileStream&& other) noexcept
    : fd_(other.fd_), pos_(other.pos_), path_(std::move(other.path_))
{
    other.fd_ = -1;
}

TFileStream& TFileStream::operator=(TFileStream&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        pos_ = other.pos_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);  // also releases the lock
}

int64_t TFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        RaiseLastOSError();
    return st.st_size;
}

void TFileStream::SetSize(int64_t size)
{
    if (size < 0 || ::ftruncate(fd_, size) != 0)
        RaiseLastOSError(size < 0 ? EINVAL : errno);
    if (pos_ > size)
        pos_ = size;
}

int64_t TFileStream::Seek(int64_t offset, int whence)
{
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? pos_ : Size();
    int64_t target = base + offset;
    if (target < 0)
        RaiseLastOSError(EINVAL);
    pos_ = target;
    return pos_;
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(fd_, p + done, count - done, pos_);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseLastOSError();
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
        pos_ += n;
    }
    return done;
}

void TFileStream::ReadBuffer(void* buffer, size_t count)
{
    if (Read(buffer, count) != count)
        throw EStreamError("Stream read error");
}

void TFileStream::WriteBuffer(const void* buffer, size_t count)
{
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::pwrite(fd_, p + done, count - done, pos_);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EStreamError("Stream write error: " + SysErrorMessage(errno));
        }
        done += static_cast<size_t>(n);
        pos_ += n;
    }
}

} // namespace platform
