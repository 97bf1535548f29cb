#pragma once
// Folder listings: the names that match a wildcard, in one stable order.

#include <string>
#include <vector>

namespace platform {

// Names of the plain files in `folder` that match the wildcard `pattern`
// ("*.jpg") without regard to case, sorted by NameOrderLess: the same order
// on every machine and after every rename, where the file system's own order
// is a hash. A folder, pipe or device named like a photo is left out (a
// folder "Holiday.jpg" must not be numbered and renamed as a photo), and so
// is a link to one; a link that leads nowhere stays, for its reader to
// report. Hidden entries (names starting with a dot) are left out. Throws
// EOSError when the folder cannot be read.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);

// Names compared after upper-casing ASCII letters, ties broken by the exact
// bytes ("A.jpg" before "a.jpg" before "b.jpg").
bool NameOrderLess(const std::string& a, const std::string& b);

// Wildcard match of `name` against `pattern` ('*' any run, '?' one byte),
// ASCII letters compared without regard to case.
bool MatchesMask(const std::string& name, const std::string& pattern);

} // namespace platform
