#pragma once
// quistelor-cli preview|rename [--no-exif] PATTERN FOLDER [NAME...]: the
// batch rename of the rename dialog, for scripts. The photos are the folder's
// *.jpg list in file-system order; the selected ones are those named, or all.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// One "OLD<TAB>NEW" line per selected photo (NEW empty when the pattern gives
// no name). 0, or 2 on bad arguments, an unreadable folder or photo.
int PreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Renames and prints "OLD<TAB>NEW<TAB>ok", "OLD<TAB>NEW<TAB>failed: REASON" or
// "OLD<TAB><TAB>skipped" per selected photo. 0 when no rename failed, 1 when
// any did, 2 as for preview (then nothing has been renamed).
int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
