#include "TempFolder.h"

#include "FileStream.h"
#include "JoinPath.h"
#include "OSError.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string WithoutTrailingSlashes(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string Variable(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? WithoutTrailingSlashes(v) : std::string();
}

bool PrivateFolderOfOurs(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// The folder that holds ours, and our folder's name in it.
std::string OwnFolderPath()
{
    struct stat st {};
    const std::string runtime = Variable("XDG_RUNTIME_DIR");
    // Set by the session for this user alone; a shell that changed user may
    // have kept another user's, which is not private to us.
    if (!runtime.empty() && runtime[0] == '/' && ::stat(runtime.c_str(), &st) == 0 && PrivateFolderOfOurs(st))
        return (runtime == "/" ? "" : runtime) + "/quistelor";
    std::string shared = Variable("TMPDIR");
    if (shared.empty() || shared[0] != '/' || ::stat(shared.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        shared = "/tmp";
    return (shared == "/" ? "" : shared) + "/quistelor-" + std::to_string(::geteuid());
}

// Why an existing entry cannot be our folder, or "" when it can.
std::string Refusal(const std::string& dir)
{
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return SysErrorMessage(errno);
    if (S_ISLNK(st.st_mode))
        return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != ::geteuid())
        return "it belongs to another user";
    if (!PrivateFolderOfOurs(st))
        return "other users can reach it (it must have mode 0700)";
    return {};
}

} // namespace

std::string TempFolder()
{
    if (std::string chosen = Variable("TEMP"); !chosen.empty())
        return chosen;
    const std::string dir = OwnFolderPath();
    // mkdir never follows a link and fails on any existing name, so what
    // exists is looked at as it is, never through a link.
    std::string refusal;
    if (::mkdir(dir.c_str(), 0700) != 0)
        refusal = errno == EEXIST ? Refusal(dir) : SysErrorMessage(errno);
    if (!refusal.empty())
        throw ECreateFileError("Cannot use the working folder \"" + dir + "\": " + refusal + ".");
    return dir;
}

std::string TempFile(const std::string& name)
{
    return JoinPath(TempFolder(), name);
}

} // namespace platform
