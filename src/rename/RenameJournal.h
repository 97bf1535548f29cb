#pragma once
// Classes: JournalEntry, TRenameJournal, EJournalError.
// The rename journal, shared by the window and the command line. Before a
// batch renames anything its plan is written to a file and flushed to disk
// (one fsync of the file, one of its folder): the folder, the time, the
// pattern, and per photo its inode, old name and new name. A completion mark
// is appended after the last rename. Nothing is written per rename: which
// renames were done is read back from the folder, by looking for each
// photo's inode under its new name and under its old one. So a batch that
// was cut short (a crash, a power cut, kill -9) can be finished or undone,
// and a finished batch can be undone.
//
// Journals live in $XDG_STATE_HOME/quistelor/rename-journals ($XDG_STATE_HOME
// defaults to ~/.local/state), named after the folder's device and inode, so
// a folder that is moved keeps its journals. The last kJournalsKept of each
// folder are kept.

#include "rename/BatchRename.h"

#include <ctime>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

constexpr int kJournalsKept = 10;

// Where the journals are; nothing is created.
std::string JournalFolder();

struct JournalEntry {
    ino_t Inode = 0;
    // When the file was created, in nanoseconds; 0 where the file system does
    // not tell. Tells the photo from a file that got its inode after it was
    // deleted.
    long long Birth = 0;
    std::string OldName;
    std::string NewName;
};

enum JournalState {
    jsNone,         // the folder has no journal
    jsComplete,     // the batch ran to its end and can be undone
    jsUndone,       // the batch was undone
    jsInterrupted,  // no completion mark: the batch is to be finished or undone
    jsDamaged,      // unreadable or altered: reported, never acted on
};

struct TRenameJournal {
    std::string Path;  // the journal file; empty for jsNone
    JournalState State = jsNone;
    std::string Damage;  // what is wrong, for jsDamaged
    std::string Folder;  // the folder's path when the batch ran
    dev_t Device = 0;
    ino_t FolderInode = 0;
    std::time_t Time = 0;
    std::string Pattern;
    std::vector<JournalEntry> Entries;  // in the batch's order
};

// The folder's newest journal. Throws EOSError when the folder cannot be
// examined.
TRenameJournal LatestJournal(const std::string& folder);

// Where a planned photo is now.
enum EntryState {
    esDone,     // its inode (and birth time) is under the new name
    esPending,  // its inode (and birth time) is still under the old name
    esGone,     // under neither
};

EntryState StateOf(const std::string& folder, const TRenameJournal& journal, const JournalEntry& entry);

// How many planned renames are done.
std::size_t DoneCount(const std::string& folder, const TRenameJournal& journal);

// Why a batch was not started. Nothing has been renamed.
class EJournalError : public std::runtime_error {
public:
    enum Kind {
        jeUnwritable,   // the journal could not be written
        jeInterrupted,  // the folder has an interrupted batch
        jeDamaged,      // the folder's newest journal is damaged
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

// RenamePhotos, journaled: refuses (EJournalError) while the folder's newest
// journal is interrupted or damaged, and when the journal cannot be written;
// marks the batch complete after the last photo (or when done stops it) and
// prunes the folder's old journals. Companions are recorded as files of
// the batch, each after its photo, so that undo and recovery treat them as
// they treat photos.
std::vector<RenameOutcome> JournaledRename(const std::string& folder, const std::string& pattern,
                                           const photarrtyp& photos, const std::vector<bool>& selected,
                                           const std::vector<std::optional<std::string>>& newNames,
                                           const RenameProgress& progress = {}, const RenameDone& done = {},
                                           const CompanionLists& companions = {});

// Renames the photos of an interrupted batch that are still pending, in the
// batch's order, with the batch's no-replace safety, then marks it complete.
// One outcome per entry: rrRenamed (now or before), rrFailed, or rrSkipped
// with srGone. done as for RenamePhotos.
std::vector<RenameOutcome> FinishBatch(const std::string& folder, const TRenameJournal& journal,
                                       const RenameDone& done = {});

// Renames every photo of the batch that still holds its new name back to its
// old one, in the reverse of the batch's order, never replacing a file. The
// outcomes name the way back: OldName is the batch's new name, NewName its
// old one; rrSkipped for photos the batch did not rename (srNotRenamed) and
// for photos renamed, deleted or replaced since (srGone). The journal is
// marked undone unless a rename back failed, so that the rest can be undone
// once its cause is removed.
std::vector<RenameOutcome> UndoBatch(const std::string& folder, const TRenameJournal& journal,
                                     const RenameDone& done = {});
