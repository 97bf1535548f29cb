#pragma once
// A file's path from its folder and its name.

#include <string>

namespace platform {

// folder + "/" + name, without a doubled separator after a folder that ends
// in '/' (the root). An empty folder gives "/" + name.
inline std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace platform
