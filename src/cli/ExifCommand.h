#pragma once
// quistelor-cli exif FILE...: shows, for each file, every field of TExif.

#include "metadata/Exif.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

int ExifCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A value as one printable line: bytes below 0x20, 0x7F and the backslash are
// written as \n, \r, \t, \\ or \xHH; other bytes as they are.
std::string EscapeValue(std::string_view value);

// One "Name: value" line per field of exif, in declaration order.
void PrintExifFields(const TExif& exif, std::ostream& out);

} // namespace cli
