#pragma once
// quistelor-cli preview|rename [--no-exif] PATTERN FOLDER [NAME...]: the
// batch rename of the rename dialog, for scripts. The photos are the folder's
// *.jpg list in the window's order; the selected ones are those named, or
// all. Names and reasons are written escaped as EscapeValue does.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// One "OLD<TAB>NEW" line per selected photo. 0, or 2 on bad arguments, a
// pattern that gives no names, an unreadable folder or photo, or a standard
// output that cannot be written.
int PreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Renames and prints "OLD<TAB>NEW<TAB>ok", "OLD<TAB>NEW<TAB>failed: REASON" or
// "OLD<TAB><TAB>skipped" per selected photo, each as soon as it is done. 0
// when no rename failed; 1 when any did, or when a line could not be written
// (the batch stops there); 2 as for preview, except a lost output (then
// nothing has been renamed).
int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
