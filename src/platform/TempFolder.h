#pragma once
// Where the program's working files go.

#include <string>

namespace platform {

// The folder for the program's working files: $TEMP when set and not empty,
// otherwise the system's temporary folder ($TMPDIR, then /tmp). No trailing
// separator.
std::string TempFolder();

// TempFolder() followed by "/" and name.
std::string TempFile(const std::string& name);

} // namespace platform
