#include "TempFolder.h"

#include <cstdlib>

namespace platform {

std::string TempFolder()
{
    std::string dir;
    for (const char* var : {"TEMP", "TMPDIR"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            dir = v;
            break;
        }
    }
    if (dir.empty())
        dir = "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string TempFile(const std::string& name)
{
    std::string dir = TempFolder();
    return dir == "/" ? "/" + name : dir + "/" + name;
}

} // namespace platform
