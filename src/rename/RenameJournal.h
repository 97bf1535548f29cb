#pragma once
// Classes: JournalEntry, TRenameJournal, JournalRun, EJournalError.
// The rename journal, shared by the window and the command line. Before a
// batch renames anything its plan is written to a file and flushed to disk:
// the batch's number, the folder, the time, the pattern, and one entry per
// file to rename (its old name, its new name and its FileIdentity). A mark
// is appended when the batch is complete, when an undo starts (flushed
// before it renames anything) and when it has ended. Nothing is written per rename: which renames were
// done is read back from the folder, by looking for each file's identity
// under its new name and under its old one. So a batch, an undo or a
// recovery that was cut short (a crash, a power cut, kill -9) can be
// finished or undone, and a finished batch can be undone.
//
// The journal is kept with the photos, as the hidden file kJournalName of
// their folder, so that it follows them whatever device number or mount
// point the folder comes back under, and another folder (another card) never
// has it. It holds the folder's last batch only: that is the one that undo
// and recovery act on. Its batches are numbered by a counter kept in the
// folder (one more than the journal it replaces), never ordered by the clock.
//
// While a batch, an undo or a recovery runs, it holds an open-file-description
// lock on the hidden file kLockName of the folder (released by the system
// when the process ends, kill -9 included); readers of the journal share that
// lock for the moment they read. So no two of them run at once in a folder,
// and nobody takes a running batch for an interrupted one.
//
// Format, one line each, fields separated by tabs, names and texts escaped
// (platform::EscapeBytes):
//
//   Quistelor rename journal 2
//   batch   NUMBER                     the header: one row of kHeader each,
//   folder  PATH                       in this order
//   time    SECONDS
//   pattern PATTERN
//   rename  OLD NEW SIZE MTIME BIRTH HEAD    one per file, in renaming order;
//                                      MTIME and BIRTH in ns (BIRTH 0:
//                                      unknown), HEAD 16 hex digits or "-"
//   plan    COUNT CHECKSUM             entries, and HashBytes of all above
//   done | undoing | undone            marks; the last whole one tells the
//                                      state (part of one is a mark a power
//                                      cut kept from being written)

#include "rename/BatchRename.h"
#include "rename/FileIdentity.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The journal and lock files in a photo folder. Hidden: the photo list
// leaves them out, and a new name cannot start with a dot.
constexpr const char* kJournalName = ".quistelor-rename-journal";
constexpr const char* kLockName = ".quistelor-rename-lock";

// One file renamed by a batch, and what identifies it.
struct JournalEntry {
    std::string OldName;
    std::string NewName;
    FileIdentity Identity;
};

enum JournalState {
    jsNone,         // the folder has no journal
    jsComplete,     // the batch ran to its end and can be undone
    jsUndone,       // the batch was undone
    jsInterrupted,  // cut short (the batch or its undo): to be finished or undone
    jsDamaged,      // unreadable or altered: reported, never acted on
    jsBusy,         // a batch, an undo or a recovery is running in the folder
};

struct TRenameJournal {
    std::string Path;  // the journal file
    JournalState State = jsNone;
    std::string Damage;  // what is wrong, for jsDamaged
    std::uint64_t Batch = 0;  // the folder's counter: 1 for its first batch
    std::string Folder;       // the folder's path when the batch ran, for the reader
    std::int64_t Time = 0;    // when it ran (seconds since the epoch), for the reader
    std::string Pattern;
    std::vector<JournalEntry> Entries;  // in the batch's order
    std::uint64_t Checksum = 0;  // of the plan; with Batch, tells this batch from any other
};

// The folder's journal, read while no batch, undo or recovery runs there
// (jsBusy otherwise, without entries). Throws EOSError when the folder or its
// journal cannot be examined (a folder that is not searchable, EIO).
TRenameJournal LatestJournal(const std::string& folder);

// Where a file of the batch is now.
enum EntryState {
    esDone,     // under its new name
    esPending,  // under its old name
    esGone,     // under neither; no other file holds the name it would move from
    esOther,    // under neither; another file holds the name it would move from
    esUnknown,  // a name could not be examined
};

// Where entry's file is. forward: the walk renames old to new (for esOther).
EntryState StateOf(const std::string& folder, const JournalEntry& entry, bool forward = true,
                   int* error = nullptr);

// How many renames of the batch are done.
std::size_t DoneCount(const std::string& folder, const TRenameJournal& journal);

// A batch, its finishing or its undo, as run.
struct JournalRun {
    std::vector<RenameOutcome> Outcomes;
    // Why the journal could not be brought up to date after the renames (its
    // completion or undone mark); empty when it was, or when there was
    // nothing to mark. The batch then still reads as it did before.
    std::string MarkError;
};

// Why a batch, an undo or a recovery was not started. Nothing has been renamed.
class EJournalError : public std::runtime_error {
public:
    enum Kind {
        jeUnwritable,   // the journal (or its lock) could not be written, or read
        jeInterrupted,  // the folder has an interrupted batch
        jeDamaged,      // the folder's journal is damaged
        jeBusy,         // a batch, an undo or a recovery is running in the folder
        jeChanged,      // the journal is no longer the one read: settled or replaced meanwhile
    };
    EJournalError(Kind kind, std::string path, const std::string& what)
        : std::runtime_error(what), kind_(kind), path_(std::move(path))
    {
    }
    Kind kind() const { return kind_; }
    // The journal file concerned.
    const std::string& path() const { return path_; }

private:
    Kind kind_;
    std::string path_;
};

// RenamePhotos, journaled, holding the folder's lock: refuses (EJournalError)
// while another holds it, while the folder's journal is interrupted or
// damaged, and when the journal cannot be written; marks the batch complete
// after the last photo (or when done stops it). Companions are recorded as
// files of the batch, each after its photo, so that undo and recovery treat
// them as they treat photos.
JournalRun JournaledRename(const std::string& folder, const std::string& pattern, const photarrtyp& photos,
                           const std::vector<bool>& selected,
                           const std::vector<std::optional<std::string>>& newNames,
                           const RenameProgress& progress = {}, const RenameDone& done = {},
                           const CompanionLists& companions = {});

// Renames the files of an interrupted batch that are still pending, in the
// batch's order, with the batch's no-replace safety, then marks it complete.
// One outcome per entry: rrRenamed (now or before), rrFailed (refused, or the
// file could not be examined: Unexamined), or rrSkipped (srGone,
// srNotThePhoto). The batch is marked complete only when every entry was
// walked and examined. journal is the one read; another found under the
// lock is refused with jeChanged. done as for RenamePhotos.
JournalRun FinishBatch(const std::string& folder, const TRenameJournal& journal, const RenameDone& done = {});

// Renames every file of the batch (complete or interrupted) that still holds
// its new name back to its old one, in the reverse of the batch's order,
// never replacing a file. The outcomes name the way back: OldName is the
// batch's new name, NewName its old one; rrSkipped for files the batch did
// not rename (srNotRenamed), files gone since (srGone) and other files under
// the new name (srNotThePhoto), which are left alone. A complete batch is
// first marked "undoing" (flushed), so that an undo cut short reads as
// interrupted; the batch is marked undone when every entry was walked and
// examined and no rename back failed, so that the rest can be undone once
// the cause is removed.
JournalRun UndoBatch(const std::string& folder, const TRenameJournal& journal, const RenameDone& done = {});
