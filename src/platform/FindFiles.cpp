#include "FindFiles.h"

#include "OSError.h"

#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>

namespace platform {

bool MatchesMask(const std::string& name, const std::string& pattern)
{
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
    if (!dir)
        RaiseLastOSError();
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* e = readdir(dir.get());
        if (!e) {
            if (errno != 0)
                RaiseLastOSError();
            break;
        }
        if (e->d_name[0] == '.')
            continue;
        if (MatchesMask(e->d_name, pattern))
            names.emplace_back(e->d_name);
    }
    return names;
}

} // namespace platform
