#include "MoveFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace platform {
namespace {

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the two paths differ at most in the case of the name's letters.
bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    const std::size_t slash = a.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (a.compare(0, nameStart, b, 0, nameStart) != 0)
        return false;
    return ::strcasecmp(a.c_str() + nameStart, b.c_str() + nameStart) == 0;
}

// True when both paths name one and the same directory entry: the same name,
// or a case variant on a case-insensitive file system. Another hard link of
// the file is a different entry, so its name counts as taken.
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return SameNameIgnoringCase(a, b) && ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 &&
           SameInode(sa, sb);
}

// errno values that mean "this file system cannot do it this way", as opposed
// to "this rename is refused". A permission error is a refusal: a folder
// that forbids removing a name (sticky, append-only) would let the fallback
// add the new name and then fail to drop the old one.
bool Unsupported(int code)
{
    return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP;
}

// 0 on success, else an errno value. A refused taken name that turns out to be
// the file itself is a success.
int RefuseUnlessSame(int code, const std::string& from, const std::string& to)
{
    if (code == EEXIST && SameFile(from, to))
        return 0;
    return code;
}

MoveReport ByNoReplace(const MoveSystemCalls& calls, const std::string& from, const std::string& to)
{
    if (calls.RenameNoReplace(from.c_str(), to.c_str()) == 0)
        return {};
    return {RefuseUnlessSame(errno, from, to)};
}

// The second half of the link method: the file has both names; drop the old.
MoveReport DropOldName(const std::string& from, const std::string& to)
{
    if (::unlink(from.c_str()) != 0) {
        // Keep the file under its old name only: drop the link just made.
        const int code = errno;
        if (::unlink(to.c_str()) != 0)
            return {code, mlBothNames};
        return {code};
    }
    return {};
}

MoveReport ByLinkUnlink(const MoveSystemCalls& calls, const std::string& from, const std::string& to)
{
    if (calls.Link(from.c_str(), to.c_str()) != 0)
        return {RefuseUnlessSame(errno, from, to)};
    return DropOldName(from, to);
}

MoveReport ByReservation(const std::string& from, const std::string& to)
{
    // Everything that can be known beforehand is asked before the new name
    // is reserved, so that the check of the reservation and the rename onto
    // it follow each other directly.
    struct stat source {};
    if (::lstat(from.c_str(), &source) != 0)
        return {errno};
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return {RefuseUnlessSame(errno, from, to)};
    struct stat reserved {};
    const bool known = ::fstat(fd, &reserved) == 0;
    ::close(fd);

    auto stillOurs = [&] {
        struct stat now {};
        return known && ::lstat(to.c_str(), &now) == 0 && SameInode(now, reserved) && now.st_size == 0;
    };
    // Another program may have swapped the reservation for a file of its own
    // meanwhile; renaming onto that would destroy it.
    if (!stillOurs())
        return {EEXIST};
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int code = errno;
        if (stillOurs() && ::unlink(to.c_str()) != 0)
            return {code, mlReservation};
        return {code};
    }
    return {};
}

MoveReport Move(const MoveSystemCalls& calls, MoveMethod method, const std::string& from, const std::string& to)
{
    switch (method) {
    case mmNoReplace:
        return ByNoReplace(calls, from, to);
    case mmLinkUnlink:
        return ByLinkUnlink(calls, from, to);
    case mmReservation:
        return ByReservation(from, to);
    case mmAuto:
        break;
    }
    const MoveReport report = ByNoReplace(calls, from, to);
    if (!Unsupported(report.Error))
        return report;
    // Only the link itself is asked here: an EPERM from dropping the old
    // name after a link that worked is the folder's refusal, not a missing
    // feature.
    if (calls.Link(from.c_str(), to.c_str()) == 0)
        return DropOldName(from, to);
    const int code = RefuseUnlessSame(errno, from, to);
    if (!Unsupported(code) && code != EPERM)
        return {code};
    return ByReservation(from, to);
}

} // namespace

const MoveSystemCalls& MoveSystemCalls::Real()
{
    static const MoveSystemCalls real{
        [](const char* from, const char* to) { return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE); },
        [](const char* from, const char* to) { return ::link(from, to); },
    };
    return real;
}

MoveReport MoveFileReporting(MoveMethod method, const std::string& ExistingFileName, const std::string& NewFileName,
                             const MoveSystemCalls& calls)
{
    return Move(calls, method, ExistingFileName, NewFileName);
}

bool MoveFileUsing(MoveMethod method, const std::string& ExistingFileName, const std::string& NewFileName)
{
    const MoveReport report = Move(MoveSystemCalls::Real(), method, ExistingFileName, NewFileName);
    if (report.Error != 0) {
        errno = report.Error;
        return false;
    }
    return true;
}

bool MoveFileA(const std::string& ExistingFileName, const std::string& NewFileName)
{
    return MoveFileUsing(mmAuto, ExistingFileName, NewFileName);
}

} // namespace platform
