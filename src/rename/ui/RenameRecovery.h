#pragma once
// The window's side of the rename journal: the Undo Rename command, and the
// question about a batch that was cut short (finish it, undo what it did,
// or decide later). Both reach the window only through TRenameHost.

#include "rename/RenameJournal.h"
#include "rename/ui/MainWindowRename.h"

#include <string>

// Whether the folder's last batch ran to its end and can be undone; false
// when the folder cannot be examined.
bool CanUndoRename(const std::string& folder);

// Undoes the last batch of the host's folder, reloads the folder and tells
// the photos left as they were.
void UndoLastRename(TRenameHost& host);

// True when the host's folder has no interrupted batch, no damaged journal
// and no rename in progress, so a new batch may start. Otherwise says so: a
// rename in progress (in this or another program) is told, a damaged
// journal is reported and left alone; for an interrupted batch the user chooses to
// finish it or undo what it did (then the folder is reloaded and the photos
// left as they were are told) or to decide later; the result is false in
// every such case.
bool AskAboutInterruptedRename(TRenameHost& host);

// Tells a journal that could not be brought up to date after a run (its
// mark), with the reason; nothing when it was.
void ReportJournalRun(TRenameHost& host, const JournalRun& run);

// Tells why a batch was refused when a rename is in progress in the host's
// folder, in the interface language: true when it did, false for the other
// refusals (the caller shows those).
bool TellRenameRefused(TRenameHost& host, const EJournalError& e);
