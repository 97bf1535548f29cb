#pragma once
// Classes: OutcomeReport.
//
// quistelor-cli preview|rename [OPTIONS] PATTERN FOLDER [NAME...]: the
// batch rename of the rename dialog, for scripts. The photos are the folder's
// *.jpg list in the window's order; the selected ones are those named, or
// all. Names and reasons are written escaped as EscapeValue does.

#include "rename/BatchRename.h"

#include <ostream>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char* kPreviewUsage = "[--no-exif] [--dates] [--companions] PATTERN FOLDER [NAME...]";
inline constexpr const char* kRenameUsage = "[--no-exif] [--companions] PATTERN FOLDER [NAME...]";

// One "OLD<TAB>NEW" line per selected photo; --dates adds "<TAB>DATE<TAB>exif"
// or "<TAB>DATE<TAB>file" (the date key and where it came from); a photo
// that rename would refuse ends with "<TAB>failed: REASON", the reason rename
// would give. With --companions each photo's companions follow its line,
// "OLD<TAB>NEW" each, with the photo's date and the group's mark. 0, or 2 on
// bad arguments, a
// pattern that gives no names, an unreadable folder or photo, or a standard
// output that cannot be written.
int PreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Renames and prints "OLD<TAB>NEW<TAB>ok", "OLD<TAB>NEW<TAB>failed: REASON" or
// "OLD<TAB><TAB>skipped" per selected photo, each as soon as it is done,
// followed (--companions) by a line for each of its companions. 0
// when no rename failed; 1 when any did, or when a line could not be written
// (the batch stops there); 2 as for preview, except a lost output (then
// nothing has been renamed), and when the folder's last batch was interrupted
// or its journal is damaged or cannot be written (nothing is renamed).
int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "FROM<TAB>TO<TAB>ok", "...<TAB>failed: REASON", "...<TAB>skipped" (no new
// name) or "...<TAB>skipped: REASON", escaped, with its newline.
std::string OutcomeLine(const RenameOutcome& o);

// word quoted for a shell, then escaped, for the hints of error messages.
std::string ShellWord(const std::string& word);

// The report of a run of renames (a batch, its finish or its undo): prints
// each outcome's line as it comes and gives the exit status.
class OutcomeReport {
public:
    OutcomeReport(const char* command, std::ostream& out, std::ostream& err)
        : command_(command), out_(out), err_(err)
    {
    }
    // Prints one line per outcome; stops the run when a line is lost.
    RenameDone Printer();
    // 0 when no rename failed; 1 when any did, a line was lost, or the
    // journal could not be brought up to date (markError, said on err).
    int Status(const std::vector<RenameOutcome>& outcomes, const std::string& markError = {}) const;

private:
    const char* command_;
    std::ostream& out_;
    std::ostream& err_;
    bool anyFailed_ = false;
    int lost_ = 0;
};

} // namespace cli
