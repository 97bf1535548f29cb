#pragma once
// Folder listings: the names that match a wildcard, in one stable order.

#include <string>
#include <vector>

namespace platform {

// Names in `folder` that match the wildcard `pattern` ("*.jpg") without regard to
// case, sorted by NameOrderLess: the same order on every machine and after
// every rename, where the file system's own order is a hash. Directories
// that match are included; hidden entries (names starting with a dot) are not.
// Throws EOSError when the folder cannot be read.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);

// Names compared after upper-casing ASCII letters, ties broken by the exact
// bytes ("A.jpg" before "a.jpg" before "b.jpg").
bool NameOrderLess(const std::string& a, const std::string& b);

// Wildcard match of `name` against `pattern` ('*' any run, '?' one byte),
// ASCII letters compared without regard to case.
bool MatchesMask(const std::string& name, const std::string& pattern);

} // namespace platform
