#pragma once
#include <string>
#include <vector>

namespace platform {

// Names in `folder` that match the wildcard `pattern` ("*.jpg") without regard to
// case, in the order the file system returns them (no sorting). Directories
// that match are included; hidden entries (names starting with a dot) are not.
// Throws EOSError when the folder cannot be read.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);

// Wildcard match of `name` against `pattern` ('*' any run, '?' one byte),
// ASCII letters compared without regard to case.
bool MatchesMask(const std::string& name, const std::string& pattern);

} // namespace platform
