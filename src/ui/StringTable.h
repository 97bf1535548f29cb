#pragma once
// Classes: TStringTableEntry.
//
// The program's interface texts: English at ids 1 to 49, French at the same
// id plus 50. The table is plain data so that new texts are one more row
// (English after the last English id, French after the last French one).
// Texts are UTF-8.

#include <cstddef>

struct TStringTableEntry {
    int Id;
    const char* Text;
};

extern const TStringTableEntry StringTable[];
extern const size_t StringTableCount;

// Where French texts start relative to English ones.
constexpr int FrenchOffset = 50;

// The English ids; LoadLangString adds the language offset.
enum TStringId : int {
    sidUseExif = 1,
    sidSelectNone = 2,
    sidSelectAll = 3,
    sidRefresh = 4,
    sidRename = 5,
    sidEdit = 6,
    sidHelp = 7,
    sidWebSite = 8,
    sidChooseLanguage = 9,
    sidPatternHelp = 10,  // shown by no window
    sidCreateThumbnails = 11,
    sidSelectAllFiles = 12,
    sidGetDates = 13,
    sidSortNumericalOrder = 14,
    sidSortSameDate = 15,
    sidRenameFiles = 16,
    sidFile = 17,
    sidSelectedPlural = 18,
    sidSelectedSingular = 19,
    sidWizard = 20,
    sidPrefix = 21,
    sidDate = 22,
    sidTime = 23,
    sidNumerical = 24,
    sidGeneratePattern = 25,
    sidPattern = 26,
    sidPreviewFilenames = 27,
    sidCancel = 28,
    sidRenameButton = 29,
    sidKeptTheirNames = 30,
    sidNameTaken = 31,
    sidSameNameAsPhoto = 32,
    sidNameHoldsSlash = 33,
    sidNameStartsWithDot = 34,
    sidNameHoldsControlBytes = 35,
    sidUndoRename = 36,
    sidRenameInterrupted = 37,  // %1 folder, %2 renames done, %3 planned
    sidFinish = 38,
    sidUndo = 39,
    sidLater = 40,
    sidLeftAlone = 41,
    sidJournalDamaged = 42,  // %1 folder, %2 what is wrong, %3 the journal file
    sidDateFromExif = 43,    // %1 the date key
    sidDateFromFile = 44,    // %1 the date key
    sidDatedByFileTime = 45,  // %1 photos of %2
    sidRenameCompanions = 46,
    sidCompanionsMoved = 47,  // %1 companion files
    sidNameTooLong = 48,
    sidRenameInProgress = 49,  // %1 folder
};

// The text of an id, or nullptr when the table has no such id.
const char* StringTableText(int id);
