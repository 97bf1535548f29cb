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

UniqueFd OpenWorkingFile(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid()) {
        const int code = errno;
        CannotCreate(path, code == ELOOP ? "It is a symbolic link." : SysErrorMessage(code));
    }
    struct stat st {};
    const bool ok = ::fstat(fd.Get(), &st) == 0;
    if (!ok || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        const int code = errno;
        CannotCreate(path, !ok ? SysErrorMessage(code)
                               : "It is not a plain file of this user's own.");
    }
    return fd;
}

TFileStream TFileStream::CreateExclusive(const std::string& path)
{
    UniqueFd fd = OpenWorkingFile(path);
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        CannotCreate(path, errno == EWOULDBLOCK ? "Another copy of the program is using it." : SysErrorMessage(errno));
    if (::ftruncate(fd.Get(), 0) != 0)
        CannotCreate(path, SysErrorMessage(errno));
    return TFileStream(std::move(fd), path);
}

int64_t TFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_.Get(), &st) != 0)
        RaiseLastOSError();
    return st.st_size;
}

void TFileStream::SetSize(int64_t size)
{
    if (size < 0 || ::ftruncate(fd_.Get(), size) != 0)
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
    const ssize_t done = ReadFull(fd_.Get(), buffer, count, pos_);
    if (done < 0)
        RaiseLastOSError();
    pos_ += done;
    return static_cast<size_t>(done);
}

void TFileStream::ReadBuffer(void* buffer, size_t count)
{
    if (Read(buffer, count) != count)
        throw EStreamError("Stream read error");
}

void TFileStream::WriteBuffer(const void* buffer, size_t count)
{
    if (!WriteFull(fd_.Get(), buffer, count, pos_))
        throw EStreamError("Stream write error: " + SysErrorMessage(errno));
    pos_ += static_cast<int64_t>(count);
}

} // namespace platform
