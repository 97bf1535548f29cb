#pragma once
// quistelor-cli undo FOLDER and quistelor-cli recover FOLDER --finish|--undo:
// the folder's last batch undone, or its interrupted batch finished or
// undone, from the batch's journal. Lines and exit statuses as for rename;
// 1 also when the journal could not be brought up to date afterwards; 2 also
// when there is nothing to undo or recover, the journal is damaged, or a
// rename is in progress in the folder (then nothing is touched).

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// One "NEW<TAB>OLD<TAB>ok|failed: REASON|skipped: REASON" line per photo of
// the batch, in the order they are renamed back (the batch's, reversed).
int UndoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// --finish: one "OLD<TAB>NEW<TAB>..." line per photo of the batch, in its
// order; --undo: as undo.
int RecoverCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
