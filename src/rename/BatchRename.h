#pragma once
// Classes: RenameOutcome, CollisionMark.
//
// The batch rename shared by the rename dialog and the command line: every
// selected photo is renamed in list order, one at a time, straight to its new
// name, never replacing a file. Also the preview's prediction of which photos
// the batch will refuse, made by walking the very same order.

#include "platform/MoveFile.h"
#include "rename/Companions.h"
#include "rename/NamePattern.h"

#include <optional>
#include <string>
#include <vector>

enum RenameResult {
    rrRenamed,  // the photo has its new name (or already had it)
    rrFailed,   // the file system refused; the photo keeps its old name
    rrNoName,   // the pattern gives this photo no name; nothing was tried
    rrSkipped,  // finishing or undoing a batch: left alone, for Skip
};

// Why finishing or undoing a batch leaves a photo alone.
enum SkipReason {
    srNone,
    srNotRenamed,  // undo: the batch did not rename it; it has its old name
    srGone,        // under neither name any more: renamed, deleted or replaced since
    srNotThePhoto, // its name holds another file, not the one the batch renamed
};

// Why a new name is refused before the file system is asked. A '/' would move
// the photo into another folder instead of renaming it; a leading '.' hides
// it from the list; control bytes make names that terminals and scripts
// mishandle; a name longer than the file system allows cannot be made.
enum NameFault { nfNone, nfSlash, nfLeadingDot, nfControlByte, nfTooLong };

// The longest name, in bytes, that the folder's file system takes (its
// NAME_MAX; 255 when it does not say).
constexpr std::size_t kNameMax = 255;
std::size_t NameMaxOf(const std::string& folder);

NameFault NameFaultOf(const std::string& name, std::size_t nameMax = kNameMax);

struct RenameOutcome {
    std::size_t Index = 0;  // list position
    std::string OldName;
    std::string NewName;    // empty for rrNoName
    RenameResult Result = rrNoName;
    int ErrorCode = 0;      // errno of the refusal
    NameFault Fault = nfNone;  // set (with EINVAL) when the name itself was refused
    platform::MoveLeftover Leftover = platform::mlNothing;
    SkipReason Skip = srNone;
    // The new name that kept the photo and its companions from moving when
    // it is not the photo's own: a companion's (or, on a companion's
    // outcome, the photo's). Empty when the photo's own name was refused.
    std::string InTheWay;
    // A photo's companions, in the order they were tried, with the photo's
    // Index: rrRenamed with it, rrFailed when the group stayed (InTheWay and
    // ErrorCode say why), rrSkipped (srGone) when one vanished before its turn.
    std::vector<RenameOutcome> Companions;
    // Finishing or undoing a batch: rrFailed because the file could not be
    // examined (ErrorCode says why); nothing was tried.
    bool Unexamined = false;

    // The fault's or the skip's English text, or the system's text for
    // ErrorCode, followed by what a refused rename could not take back;
    // after "\"InTheWay\": " when that is set.
    std::string Reason() const;
    // The same without InTheWay.
    std::string OwnReason() const;
};

// Told of each photo as soon as it is done; returning false stops the batch
// before the next photo.
using RenameDone = std::function<bool(const RenameOutcome& outcome)>;

// Renames every selected photo that has a new name: folder/OldName to
// folder/NewName. A name with a NameFault (for the folder's NameMaxOf) is
// refused with EINVAL, untried.
// Reports one unit of rsRenameFiles per selected photo, renamed or not.
// Returns one outcome per selected photo done, in list order.
//
// With companions (FindCompanions's lists, by list item), a photo and its
// companions move together or not at all: a refused name in the group keeps
// all of them, and when a companion's rename fails after the photo's, the
// group's renames already done are taken back.
std::vector<RenameOutcome> RenamePhotos(const std::string& folder, const photarrtyp& photos,
                                        const std::vector<bool>& selected,
                                        const std::vector<std::optional<std::string>>& newNames,
                                        const RenameProgress& progress = {}, const RenameDone& done = {},
                                        const CompanionLists& companions = {});

// The outcomes whose rename was refused.
std::vector<RenameOutcome> FailedRenames(const std::vector<RenameOutcome>& outcomes);

// Why a new name cannot be had, as the batch will find it.
enum CollisionKind {
    ckNone,
    ckTaken,   // held by a file that the batch does not free before this photo's turn
    ckSameAs,  // an earlier photo of the batch gets this very name
    ckNotAName,  // refused for Fault
};

struct CollisionMark {
    CollisionKind Kind = ckNone;
    std::size_t OtherIndex = 0;  // the earlier photo, for ckSameAs
    NameFault Fault = nfNone;    // for ckNotAName
    std::string InTheWay;        // as RenameOutcome::InTheWay

    // The English text of the failure the batch will report for this photo
    // (RenameOutcome::Reason of that failure); empty for ckNone.
    std::string Reason() const;
};

// One mark per list item: walks the selected photos in list order as
// RenamePhotos does, with the folder's current files, freeing the old name of
// every photo that gets its new one. With companions, a photo is marked when
// any name of its group cannot be had. Looks at the file system, changes
// nothing.
std::vector<CollisionMark> PredictCollisions(const std::string& folder, const std::vector<std::string>& fileNames,
                                             const std::vector<bool>& selected,
                                             const std::vector<std::optional<std::string>>& newNames,
                                             const CompanionLists& companions = {});

// The mark of a companion to be named companionNewName, of a photo marked
// `photo` to be named photoNewName: the group's failure, naming the name in
// the way unless it is the companion's own, as the batch reports it.
CollisionMark CompanionMark(const CollisionMark& photo, const std::string& photoNewName,
                            const std::string& companionNewName);
