#include "rename/NamePattern.h"

#include "metadata/Exif.h"
#include "platform/OSError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <fcntl.h>
#include <sys/stat.h>

int PhotoListItems::SelectedCount() const
{
    return static_cast<int>(std::count(Selected.begin(), Selected.end(), true));
}

std::string CopyChars(const std::string& s, std::size_t start, std::size_t count)
{
    if (start < 1 || start > s.size())
        return {};
    return s.substr(start - 1, count);
}

std::string ExifDateToIntermediate(const std::string& exifDate)
{
    // YYYY:MM:DD HH:MM:SS
    // 1234567890123456789
    return CopyChars(exifDate, 9, 2) + "/" + CopyChars(exifDate, 6, 2) + "/" + CopyChars(exifDate, 1, 4) + "_" +
           CopyChars(exifDate, 12, 8);
}

std::string FileTimeToIntermediate(std::time_t modified)
{
    std::tm local{};
    if (!localtime_r(&modified, &local))
        platform::RaiseLastOSError(EOVERFLOW);
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d_%02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec & ~1);
    return text;
}

std::string DateKeyFromIntermediate(const std::string& intermediate)
{
    std::string s = intermediate;
    std::replace(s.begin(), s.end(), ':', '.');
    // DD/MM/YYYY_HH.MM.SS
    // 1234567890123456789
    return CopyChars(s, 7, 4) + "-" + CopyChars(s, 4, 2) + "-" + CopyChars(s, 1, 2) + "_" + CopyChars(s, 12, 8);
}

// The identity the journal records, from the date step's own look at the
// file (head: the hash of its first bytes, read with its date); left unknown
// when those bytes were not read whole (the journal then reads them itself).
static void RecordIdentity(FileIdentity& identity, const struct statx& sx, std::optional<std::uint64_t> head)
{
    const bool regular = S_ISREG(sx.stx_mode);
    if (regular && !head)
        return;
    identity.Known = true;
    identity.Size = sx.stx_size;
    identity.Modified = sx.stx_mtime.tv_sec * 1000000000LL + sx.stx_mtime.tv_nsec;
    identity.Birth = sx.stx_mask & STATX_BTIME ? sx.stx_btime.tv_sec * 1000000000LL + sx.stx_btime.tv_nsec : 0;
    if (regular)
        identity.Head = head;
}

std::string PhotoDateKey(const std::string& folder, const std::string& fileName, bool useExif, PhotoType* identity)
{
    const std::string path = JoinPath(folder, fileName);
    // One call gives the date's inputs and the identity of the entry itself
    // (a symbolic link is renamed as the link); a link's date is its target's.
    struct statx sx {};
    struct stat st {};
    int failed = ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx);
    if (failed == 0 && S_ISLNK(sx.stx_mode)) {
        failed = ::stat(path.c_str(), &st);
    } else if (failed == 0) {
        st.st_mode = sx.stx_mode;
        st.st_mtime = sx.stx_mtime.tv_sec;
    }
    if (failed != 0) {
        const int code = errno;
        throw platform::EOSError(code, "Cannot read the date of \"" + path + "\". " + platform::SysErrorMessage(code));
    }
    // Only plain files are read. A folder, a pipe, a socket or a device whose
    // name matches the list's mask is listed like a photo and dated by its
    // modification time: reading a pipe or a device could block, fail the
    // batch or act on the device.
    const bool regular = S_ISREG(sx.stx_mode);
    std::string key;
    std::optional<std::uint64_t> head;
    // The head is hashed where the reader holds it: no copy per photo. A
    // short first read must not make a hash that a later look would miss.
    const auto hashHead = [&](std::string_view bytes) {
        if (bytes.size() >= std::min<std::uint64_t>(sx.stx_size, kIdentityHeadBytes))
            head = HeadHash(bytes);
    };
    if (useExif && S_ISREG(st.st_mode)) {
        TExif exif;
        exif.ReadFromFile(path, identity && regular ? std::function<void(std::string_view)>(hashHead) : nullptr);
        if (exif.DateTimeOriginal != "?")
            key = DateKeyFromIntermediate(ExifDateToIntermediate(exif.DateTimeOriginal));
    }
    if (identity) {
        identity->DatedByExif = !key.empty();
        RecordIdentity(identity->Identity, sx, head);
    }
    return key.empty() ? DateKeyFromIntermediate(FileTimeToIntermediate(st.st_mtime)) : key;
}

void ComputeDateKeys(photarrtyp& photos, const PhotoListItems& items, const std::string& folder, bool useExif,
                     const RenameProgress& progress, DateProgressStyle style)
{
    const std::size_t n = items.Count();
    photos.assign(n, PhotoType{});
    const int total = items.SelectedCount();
    int selectedSoFar = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool selected = i < items.Selected.size() && items.Selected[i];
        if (selected) {
            ++selectedSoFar;
            photos[i].FileName = items.FileNames[i];
            photos[i].DateKey = PhotoDateKey(folder, items.FileNames[i], useExif, &photos[i]);
        }
        if (!progress)
            continue;
        if (style == dpListItems)
            progress(rsGetDates, static_cast<int>(i + 1), selectedSoFar);
        else if (selected)
            progress(rsGetDates, selectedSoFar, total);
    }
}

static bool IsSelected(const std::vector<bool>& selected, std::size_t i)
{
    return i < selected.size() && selected[i];
}

int DatedByFileTimeCount(const photarrtyp& photos, const std::vector<bool>& selected)
{
    int count = 0;
    for (std::size_t i = 0; i < photos.size(); ++i)
        count += IsSelected(selected, i) && !photos[i].DatedByExif ? 1 : 0;
    return count;
}

// The selected indices in rank order: key ascending, list position descending.
static std::vector<std::size_t> RankOrder(const photarrtyp& photos, const std::vector<bool>& selected)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < photos.size(); ++i)
        if (IsSelected(selected, i))
            order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = photos[a].DateKey.compare(photos[b].DateKey);
        return c != 0 ? c < 0 : a > b;
    });
    return order;
}

void RankPhotos(photarrtyp& photos, const std::vector<bool>& selected, const RenameProgress& progress)
{
    const std::vector<std::size_t> order = RankOrder(photos, selected);
    const int total = static_cast<int>(order.size());
    for (std::size_t r = 0; r < order.size(); ++r) {
        PhotoType& p = photos[order[r]];
        p.Rank = static_cast<std::int32_t>(r + 1);
        p.DayNumber = 1;
        p.TieCounted = true;
    }
    if (progress)
        for (int k = 1; k <= total; ++k)
            progress(rsSortNumerical, k, total);
}

void NumberSameDay(photarrtyp& photos, const std::vector<bool>& selected, const RenameProgress& progress)
{
    // Rank r sits at byRank[r - 1]; ranks are 1..N without gaps after RankPhotos.
    std::vector<std::size_t> byRank;
    for (std::size_t i = 0; i < photos.size(); ++i)
        if (IsSelected(selected, i))
            byRank.push_back(i);
    std::sort(byRank.begin(), byRank.end(),
              [&](std::size_t a, std::size_t b) { return photos[a].Rank < photos[b].Rank; });
    const int pairs = byRank.empty() ? 0 : static_cast<int>(byRank.size()) - 1;
    for (std::size_t r = 1; r < byRank.size(); ++r) {
        PhotoType& cur = photos[byRank[r]];
        const PhotoType& prev = photos[byRank[r - 1]];
        if (CopyChars(cur.DateKey, 1, 10) == CopyChars(prev.DateKey, 1, 10))
            cur.DayNumber = prev.DayNumber + 1;
        if (progress)
            progress(rsSortSameDate, static_cast<int>(r), pairs);
    }
}

int NumberWidth(int n)
{
    int width = 1;
    for (long long v = n < 0 ? -static_cast<long long>(n) : n; v >= 10; v /= 10)
        ++width;
    return width;
}

std::string PadNumber(std::int32_t v, int width)
{
    std::string digits = std::to_string(v);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

static std::string ReplaceAll(std::string s, char placeholder, const std::string& by)
{
    std::string out;
    out.reserve(s.size() + by.size());
    for (char c : s) {
        if (c == placeholder)
            out += by;
        else
            out += c;
    }
    return out;
}

bool PatternHasDate(const std::string& pattern)
{
    return pattern.find('?') != std::string::npos;
}

PatternForm PatternFormOf(const std::string& pattern)
{
    const bool number = pattern.find('*') != std::string::npos;
    const bool date = pattern.find('?') != std::string::npos;
    const bool time = pattern.find('%') != std::string::npos;
    if (number && !date && !time)
        return pfNumber;
    if (date && time && !number)
        return pfDateTime;
    if (number && date && !time)
        return pfDateNumber;
    return pfNoNames;
}

std::optional<std::string> ExpandPattern(const std::string& pattern, const PhotoType& photo, int width)
{
    const std::string day = CopyChars(photo.DateKey, 1, 10);
    const std::string clock = CopyChars(photo.DateKey, 12, 8);

    std::string name;
    switch (PatternFormOf(pattern)) {
    case pfNumber:
        name = pattern;
        name.replace(name.find('*'), 1, PadNumber(photo.Rank, width));
        break;
    case pfDateTime:
        name = ReplaceAll(ReplaceAll(pattern, '?', day), '%', clock);
        break;
    case pfDateNumber:
        name = ReplaceAll(ReplaceAll(pattern, '?', day), '*', PadNumber(photo.DayNumber, width));
        break;
    case pfNoNames:
        return std::nullopt;
    }
    return name + ".jpg";
}

std::string GeneratePattern(const std::string& prefix, bool date, bool time, bool numerical)
{
    struct Row {
        bool date, time, numerical;
        const char* suffix;
    };
    static constexpr Row rows[] = {
        {false, false, true, " *"},
        {true, true, false, " ?-%"},
        {true, false, true, " ?_*"},
    };
    for (const Row& row : rows)
        if (row.date == date && row.time == time && row.numerical == numerical)
            return prefix + row.suffix;
    return "erreur";
}

std::vector<std::optional<std::string>> NamesFromDateKeys(photarrtyp& photos, const std::vector<bool>& selected,
                                                          const std::string& pattern, const RenameProgress& progress)
{
    RankPhotos(photos, selected, progress);
    if (PatternHasDate(pattern))
        NumberSameDay(photos, selected, progress);
    int n = 0;
    for (std::size_t i = 0; i < photos.size(); ++i)
        n += IsSelected(selected, i) ? 1 : 0;
    const int width = NumberWidth(n);
    std::vector<std::optional<std::string>> names(photos.size());
    for (std::size_t i = 0; i < photos.size(); ++i)
        if (IsSelected(selected, i))
            names[i] = ExpandPattern(pattern, photos[i], width);
    return names;
}

NameComputation ComputeNewNames(const PhotoListItems& items, const std::string& folder, bool useExif,
                                const std::string& pattern, const RenameProgress& progress)
{
    NameComputation result;
    ComputeDateKeys(result.Photos, items, folder, useExif, progress);
    result.NewNames = NamesFromDateKeys(result.Photos, items.Selected, pattern, progress);
    return result;
}
