#pragma once
// Classes: PhotoType, PhotoListItems, NameComputation.
//
// The name pattern and the computation that turns a selection of photos into
// new names: date keys, ranking, same-day numbering and expansion.
//
// A pattern is literal text with up to three placeholders: '*' a running
// number, '?' the shooting date (YYYY-MM-DD) and '%' the shooting time
// (HH.MM.SS). There is no escape. Every name produced ends in ".jpg".

#include "platform/JoinPath.h"
#include "rename/FileIdentity.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// One photo of the computation. Elements of unselected list items stay empty,
// with numbers 0.
struct PhotoType {
    std::string FileName;      // without folder, as the photo list shows it
    std::string DateKey;       // normally YYYY-MM-DD_HH.MM.SS
    std::int32_t Rank = 0;     // 1-based place in date order among the selected photos
    std::int32_t DayNumber = 0;  // 1-based place among the selected photos of the same day
    bool TieCounted = false;   // working flag of the ranking; set for every ranked photo
    // What identifies the file, taken when its date was read, for the rename
    // journal; not Known when the date was not read.
    FileIdentity Identity;
    // The date key came from the EXIF date of shooting; false when it is the
    // file's modification time (no usable EXIF date, or EXIF not used).
    bool DatedByExif = false;
};

// One element per item of the photo list (element i belongs to item i).
using photarrtyp = std::vector<PhotoType>;

// The photo list as the computation sees it: item i's file name and whether
// it is selected. Both vectors have the list's length.
struct PhotoListItems {
    std::vector<std::string> FileNames;
    std::vector<bool> Selected;

    std::size_t Count() const { return FileNames.size(); }
    int SelectedCount() const;
};

// The steps of the computation, in the order they run. Their progress texts
// are string-table ids 13 to 16.
enum RenameStep { rsGetDates, rsSortNumerical, rsSortSameDate, rsRenameFiles };

// Called after every unit of work of a step; the windows repaint on it.
using RenameProgress = std::function<void(RenameStep step, int position, int maximum)>;

// ---- date keys ---------------------------------------------------------

// Delphi-style substring: 1-based start, clipped to the text, never throws.
std::string CopyChars(const std::string& s, std::size_t start, std::size_t count);

// An EXIF date YYYY:MM:DD HH:MM:SS rewritten by character positions into
// DD/MM/YYYY_HH:MM:SS. Texts of another shape go through the same positions.
std::string ExifDateToIntermediate(const std::string& exifDate);

// A file time in local time as DD/MM/YYYY_HH:MM:SS, with the seconds cut to
// an even number (the two-second resolution of the file system's stamp).
std::string FileTimeToIntermediate(std::time_t modified);

// Replaces every ':' by '.' and reorders DD/MM/YYYY_HH.MM.SS by character
// positions into YYYY-MM-DD_HH.MM.SS.
std::string DateKeyFromIntermediate(const std::string& intermediate);

// The date key of one photo: its EXIF DateTimeOriginal when useExif is set
// and the photo is a plain file that has one, otherwise its modification
// time; anything but a plain file is never opened. Throws the EXIF
// reader's error when the file cannot be read, and platform::EOSError when
// the file's modification time cannot be obtained. `identity`, when given,
// receives the file's Inode, Birth and DatedByExif.
std::string PhotoDateKey(const std::string& folder, const std::string& fileName, bool useExif,
                         PhotoType* identity = nullptr);

// How many selected photos were dated by their file time.
int DatedByFileTimeCount(const photarrtyp& photos, const std::vector<bool>& selected);

// The batch and the journal join paths by this name.
using platform::JoinPath;

// How the date step counts its progress: the batch rename counts selected
// photos against N; the dialog's preview counts every list item against the
// number of selected photos met so far.
enum DateProgressStyle { dpSelectedPhotos, dpListItems };

// Sizes `photos` to the list and fills FileName and DateKey of every selected
// photo, in list order. Errors of PhotoDateKey end the step.
void ComputeDateKeys(photarrtyp& photos, const PhotoListItems& items, const std::string& folder,
                     bool useExif, const RenameProgress& progress = {},
                     DateProgressStyle style = dpSelectedPhotos);

// ---- ranking and numbering -----------------------------------------------

// Rank := place in the order date key ascending (byte-wise), then list
// position descending; DayNumber := 1. Only selected photos take part.
// O(n log n). Reports one unit per selected photo.
void RankPhotos(photarrtyp& photos, const std::vector<bool>& selected,
                const RenameProgress& progress = {});

// Walking the selected photos in rank order, DayNumber counts 1, 2, 3 within
// a calendar day (the first 10 characters of the key) and restarts with each
// new day. Reports one unit per pair of consecutive ranks.
void NumberSameDay(photarrtyp& photos, const std::vector<bool>& selected,
                   const RenameProgress& progress = {});

// ---- names -------------------------------------------------------------

// Number of decimal digits of n (1 for 0).
int NumberWidth(int n);

// v in decimal, zero-padded to `width` digits, never cut.
std::string PadNumber(std::int32_t v, int width);

bool PatternHasDate(const std::string& pattern);

// Which placeholders make the names: '*' alone, '?' with '%', or '?' with
// '*'. Any other combination (none, '?' alone, '%' alone, '*' with '%', all
// three) gives no photo a name.
enum PatternForm { pfNoNames, pfNumber, pfDateTime, pfDateNumber };
PatternForm PatternFormOf(const std::string& pattern);

// The new name of one photo, ".jpg" included, or nothing when the pattern's
// placeholder combination yields no name. `width` is NumberWidth(N).
std::optional<std::string> ExpandPattern(const std::string& pattern, const PhotoType& photo, int width);

// The wizard's pattern from the prefix and the Date, Time and Numerical boxes;
// "erreur" for a box state the wizard cannot reach.
std::string GeneratePattern(const std::string& prefix, bool date, bool time, bool numerical);

// The whole computation: date keys, ranking, same-day numbering when the
// pattern holds '?', and the new name of every list item (nothing for
// unselected items and for patterns that yield no name).
struct NameComputation {
    photarrtyp Photos;
    std::vector<std::optional<std::string>> NewNames;
};
NameComputation ComputeNewNames(const PhotoListItems& items, const std::string& folder, bool useExif,
                                const std::string& pattern, const RenameProgress& progress = {});

// Ranking, numbering and expansion over photos whose date keys are already
// set (used by the above and by benchmarks).
std::vector<std::optional<std::string>> NamesFromDateKeys(photarrtyp& photos, const std::vector<bool>& selected,
                                                          const std::string& pattern,
                                                          const RenameProgress& progress = {});
