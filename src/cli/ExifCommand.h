#pragma once
// quistelor-cli exif FILE...: shows, for each file, every field of TExif.

#include "cli/Output.h"
#include "metadata/Exif.h"

#include <ostream>
#include <string>
#include <vector>

namespace cli {

int ExifCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One "Name: value" line per field of exif, in declaration order.
void PrintExifFields(const TExif& exif, std::ostream& out);

} // namespace cli
