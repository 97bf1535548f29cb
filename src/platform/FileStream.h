#pragma once
// The file stream of the thumbnail cache and the working files, and its errors.
// Classes: ECreateFileError, EStreamError, TFileStream.

#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// The file could not be created or taken: "Cannot create file "<path>". <reason>".
class ECreateFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read or write that could not be completed.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Opens (creating it when missing) one of the program's working files for
// reading and writing, without truncating it. A working file lives in a
// shared temporary folder, so a name planted there by someone else - a
// symbolic link, another hard link of a user's file, a file of another user,
// something that is not a regular file - is refused rather than written
// through: truncating it could destroy a photo. Throws ECreateFileError.
UniqueFd OpenWorkingFile(const std::string& path);

// A read/write file stream with one position, as the thumbnail cache uses it.
//
// CreateExclusive opens or creates the file, takes an exclusive advisory lock
// and only then truncates it: a second running copy fails on the lock and
// leaves the first copy's file untouched.
class TFileStream {
public:
    static TFileStream CreateExclusive(const std::string& path);

    const std::string& FileName() const { return path_; }
    int Handle() const { return fd_.Get(); }

    int64_t Size() const;
    void SetSize(int64_t size);           // also moves the position inside the new size
    int64_t Position() const { return pos_; }
    int64_t Seek(int64_t offset, int whence);  // SEEK_SET, SEEK_CUR, SEEK_END

    // Reads up to count bytes at the position; returns how many were read
    // (fewer only at the end of the file).
    size_t Read(void* buffer, size_t count);
    // Reads exactly count bytes or throws EStreamError.
    void ReadBuffer(void* buffer, size_t count);
    // Writes all count bytes at the position or throws EStreamError.
    void WriteBuffer(const void* buffer, size_t count);

private:
    TFileStream(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}
    UniqueFd fd_;  // closing it also releases the lock
    int64_t pos_ = 0;
    std::string path_;
};

} // namespace platform
