#include "FindFiles.h"

#include "OSError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>
#include <sys/stat.h>

namespace platform {

bool MatchesMask(const std::string& name, const std::string& pattern)
{
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

bool NameOrderLess(const std::string& a, const std::string& b)
{
    auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = upper(static_cast<unsigned char>(a[i]));
        const int cb = upper(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

namespace {

// Whether the entry may be a plain file: one, a link to one, or a link that
// leads nowhere. Most file systems say what an entry is in the entry; the
// others, and links, cost one stat.
bool MayBePlainFile(DIR* dir, const dirent& e)
{
    if (e.d_type != DT_UNKNOWN && e.d_type != DT_LNK)
        return e.d_type == DT_REG;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e.d_name, &st, 0) != 0)
        return true;
    return S_ISREG(st.st_mode);
}

} // namespace

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
        if (MatchesMask(e->d_name, pattern) && MayBePlainFile(dir.get(), *e))
            names.emplace_back(e->d_name);
    }
    std::sort(names.begin(), names.end(), NameOrderLess);
    return names;
}

} // namespace platform
