#include "rename/RenameJournal.h"

#include "platform/EscapedText.h"
#include "platform/MoveFile.h"
#include "platform/OSError.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <variant>

namespace {

constexpr std::string_view kMagic = "Quistelor rename journal 2";
// Far beyond the journal of any real batch (about 100 bytes a photo; names
// are at most NAME_MAX bytes).
constexpr off_t kMaxJournalBytes = 256 << 20;
// How long a batch waits for a reader of the journal to finish reading.
constexpr auto kReaderWait = std::chrono::seconds(2);

using platform::ReadFull;
using platform::WriteFull;

// v as 16 lower-case hex digits at `at`; the end of them. One per photo in
// a plan, so without printf.
char* PutHex(char* at, std::uint64_t v)
{
    for (int i = 15; i >= 0; --i, v >>= 4)
        at[i] = "0123456789abcdef"[v & 0xF];
    return at + 16;
}

std::string Hex(std::uint64_t v)
{
    char text[16];
    return {text, PutHex(text, v)};
}

template <typename T>
bool ParseNumber(std::string_view text, T& value, int base = 10)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> Split(std::string_view line, char sep)
{
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = line.find(sep, at);
        parts.push_back(line.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos)
            return parts;
        at = next + 1;
    }
}

// ---- the header: one table, written, and read back, row by row -----------

struct HeaderRow {
    std::string_view Key;
    std::variant<std::uint64_t TRenameJournal::*, std::int64_t TRenameJournal::*, std::string TRenameJournal::*> Field;
};

constexpr HeaderRow kHeader[] = {
    {"batch", &TRenameJournal::Batch},
    {"folder", &TRenameJournal::Folder},
    {"time", &TRenameJournal::Time},
    {"pattern", &TRenameJournal::Pattern},
};

std::string HeaderValue(const HeaderRow& row, const TRenameJournal& j)
{
    return std::visit(
        [&](auto field) -> std::string {
            if constexpr (std::is_same_v<decltype(field), std::string TRenameJournal::*>)
                return platform::EscapeBytes(j.*field);
            else
                return std::to_string(j.*field);
        },
        row.Field);
}

bool ReadHeaderValue(const HeaderRow& row, std::string_view text, TRenameJournal& j)
{
    return std::visit(
        [&](auto field) {
            if constexpr (std::is_same_v<decltype(field), std::string TRenameJournal::*>) {
                auto value = platform::UnescapeBytes(text);
                if (value)
                    j.*field = std::move(*value);
                return value.has_value();
            } else {
                return ParseNumber(text, j.*field);
            }
        },
        row.Field);
}

// ---- entries ----------------------------------------------------------------

constexpr std::string_view kEntryKey = "rename";

// name, escaped; most names need no escape and are copied as they are.
void AppendName(std::string& text, std::string_view name)
{
    const bool plain = std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F || c == '\\';
    });
    if (plain)
        text.append(name);
    else
        text += platform::EscapeBytes(name);
}

// One entry's line; a batch of 10,000 photos makes about a megabyte of them.
// The identity's fields are put together on the stack and appended at once.
void AppendEntry(std::string& text, const JournalEntry& e)
{
    const FileIdentity& id = e.Identity;
    text.append(kEntryKey).append("\t");
    AppendName(text, e.OldName);
    text += '\t';
    AppendName(text, e.NewName);
    char fields[3 * 21 + 16 + 2];
    char* at = fields;
    *at++ = '\t';
    at = std::to_chars(at, fields + sizeof fields, id.Size).ptr;
    for (const std::int64_t time : {id.Modified, id.Birth}) {
        *at++ = '\t';
        at = std::to_chars(at, fields + sizeof fields, time).ptr;
    }
    *at++ = '\t';
    if (id.Head)
        at = PutHex(at, *id.Head);
    else
        *at++ = '-';
    *at++ = '\n';
    text.append(fields, at);
}

// A name as a journal may hold it: a plain name of the folder.
bool IsPlainName(const std::optional<std::string>& name)
{
    return name && !name->empty() && name->find('/') == std::string::npos && *name != "." && *name != "..";
}

bool ParseEntry(const std::vector<std::string_view>& f, JournalEntry& e)
{
    if (f.size() != 7 || f[0] != kEntryKey)
        return false;
    auto oldName = platform::UnescapeBytes(f[1]);
    auto newName = platform::UnescapeBytes(f[2]);
    if (!IsPlainName(oldName) || !IsPlainName(newName))
        return false;
    e.OldName = std::move(*oldName);
    e.NewName = std::move(*newName);
    FileIdentity& id = e.Identity;
    id.Known = true;
    if (!ParseNumber(f[3], id.Size) || !ParseNumber(f[4], id.Modified) || !ParseNumber(f[5], id.Birth))
        return false;
    if (f[6] == "-")
        return true;
    std::uint64_t head = 0;
    if (f[6].size() != 16 || !ParseNumber(f[6], head, 16))
        return false;
    id.Head = head;
    return true;
}

// ---- the whole text ---------------------------------------------------------

// The journal's plan as text, followed by its "plan" line, which carries the
// entry count and a checksum of everything before it.
std::string PlanText(const TRenameJournal& j)
{
    std::string text;
    text.reserve(256 + j.Pattern.size() + j.Folder.size() + j.Entries.size() * 128);
    text.append(kMagic).append("\n");
    for (const HeaderRow& row : kHeader)
        text.append(row.Key).append("\t").append(HeaderValue(row, j)).append("\n");
    for (const JournalEntry& e : j.Entries)
        AppendEntry(text, e);
    text += "plan\t" + std::to_string(j.Entries.size()) + "\t" + Hex(HashBytes(text)) + "\n";
    return text;
}

// The marks after the plan, and the state the last one leaves.
struct MarkRow {
    std::string_view Text;
    JournalState State;
};
constexpr MarkRow kMarks[] = {{"done", jsComplete}, {"undoing", jsInterrupted}, {"undone", jsUndone}};
constexpr std::size_t kLongestMark = 7;

// Fills j from text; false with j.Damage set when the text is not a whole,
// unaltered journal.
bool Parse(std::string_view text, TRenameJournal& j)
{
    auto damaged = [&](const std::string& why) {
        j.Damage = why;
        return false;
    };
    // A mark is appended without a flush: a power cut may leave part of the
    // last one (or zeros in its place), which counts as not written.
    const std::size_t whole = text.rfind('\n') + 1;
    const bool tornMark = whole < text.size() && text.size() - whole <= kLongestMark;
    if (text.empty() || (whole < text.size() && !tornMark))
        return damaged("it does not end with a whole line");
    text.remove_suffix(text.size() - whole);
    constexpr std::size_t kHeaderLines = std::size(kHeader);
    std::size_t at = 0;
    bool planned = false;
    j.State = jsInterrupted;
    for (std::size_t lineNo = 1; at < text.size(); ++lineNo) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end - at);
        const std::size_t lineStart = at;
        at = end + 1;
        const std::string where = "line " + std::to_string(lineNo) + " is not valid";
        if (lineNo == 1) {
            if (line != kMagic)
                return damaged("it is not a rename journal");
            continue;
        }
        if (planned) {
            const auto mark = std::find_if(std::begin(kMarks), std::end(kMarks),
                                           [&](const MarkRow& m) { return m.Text == line; });
            if (mark == std::end(kMarks))
                return damaged(where);
            j.State = mark->State;
            continue;
        }
        const std::vector<std::string_view> f = Split(line, '\t');
        if (lineNo - 2 < kHeaderLines) {
            const HeaderRow& row = kHeader[lineNo - 2];
            if (f.size() != 2 || f[0] != row.Key || !ReadHeaderValue(row, f[1], j))
                return damaged(where);
        } else if (f[0] == "plan") {
            std::size_t count = 0;
            if (f.size() != 3 || !ParseNumber(f[1], count) || !ParseNumber(f[2], j.Checksum, 16) ||
                count != j.Entries.size())
                return damaged(where);
            if (HashBytes(text.substr(0, lineStart)) != j.Checksum)
                return damaged("its checksum does not match");
            planned = true;
        } else {
            JournalEntry e;
            if (!ParseEntry(f, e))
                return damaged(where);
            j.Entries.push_back(std::move(e));
        }
    }
    if (!planned)
        return damaged(tornMark ? "it does not end with a whole line" : "its plan is incomplete");
    return true;
}

// open(), moved above the standard streams: with one of them closed, a
// descriptor of ours kept across a batch would otherwise take its number,
// and the batch's report would be written into the journal's files.
int OpenAboveStdio(const char* path, int flags, mode_t mode = 0)
{
    const int fd = ::open(path, flags | O_CLOEXEC, mode);
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int code = errno;
    ::close(fd);
    errno = code;
    return moved;
}

// Opens a file of the folder that must be a plain file: never follows a
// link, never waits on a pipe or a device (EINVAL for those).
platform::UniqueFd OpenPlain(const std::string& path, int flags, mode_t mode = 0)
{
    platform::UniqueFd fd(OpenAboveStdio(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, mode));
    struct stat st {};
    if (!fd.Valid() || (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode)))
        return fd;
    const int code = S_ISREG(st.st_mode) || st.st_mode == 0 ? errno : EINVAL;
    fd.Close();
    errno = code;
    return {};
}

// Reads the journal file at path into j: jsNone when there is none, jsDamaged
// with the reason when it cannot be read or is not a whole journal. Throws
// EOSError when the folder cannot be examined.
void ReadJournalFile(const std::string& path, TRenameJournal& j)
{
    j = TRenameJournal{};
    j.Path = path;
    platform::UniqueFd fd(OpenAboveStdio(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid() && (errno == ENOENT || errno == ENOTDIR))
        return;
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
        const int code = errno;
        if (code == EACCES || code == EIO || code == ENOTDIR)
            throw platform::EOSError(code, "Cannot read the rename journal \"" + path + "\". " +
                                               platform::SysErrorMessage(code));
        j.State = jsDamaged;
        j.Damage = "it cannot be read: " + platform::SysErrorMessage(code);
        return;
    }
    std::string text;
    std::string error;
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxJournalBytes) {
        error = "it is not a journal file";
    } else {
        text.resize(static_cast<std::size_t>(st.st_size));
        const ssize_t got = ReadFull(fd.Get(), text.data(), text.size());
        if (got < 0)
            error = "it cannot be read: " + platform::SysErrorMessage(errno);
        else
            text.resize(static_cast<std::size_t>(got));
    }
    if (error.empty() && Parse(text, j))
        return;
    const std::string damage = error.empty() ? j.Damage : error;
    j = TRenameJournal{};
    j.Path = path;
    j.State = jsDamaged;
    j.Damage = damage;
}

// ---- the folder's lock ------------------------------------------------------

// An open-file-description lock on the folder's lock file: shared by readers
// of the journal for the moment they read, exclusive for whoever renames.
// The system drops it when the descriptor closes or the process dies.
class TFolderLock {
public:
    enum Result { lrTaken, lrBusy, lrNoLockFile, lrFailed };

    // Takes the shared lock; lrNoLockFile when the folder has no lock file
    // (nothing was ever renamed there).
    Result Share(const std::string& folder)
    {
        fd_ = OpenPlain(JoinPath(folder, kLockName), O_RDONLY);
        if (!fd_.Valid())
            return errno == ENOENT ? lrNoLockFile : Failed();
        return Lock(F_RDLCK) ? lrTaken : Conflict();
    }

    // Takes the exclusive lock, creating the lock file when needed; a reader
    // of the journal is waited for a moment.
    Result Take(const std::string& folder)
    {
        fd_ = OpenPlain(JoinPath(folder, kLockName), O_RDWR | O_CREAT, 0666);
        if (!fd_.Valid())
            return Failed();
        const auto until = std::chrono::steady_clock::now() + kReaderWait;
        for (;;) {
            if (Lock(F_WRLCK))
                return lrTaken;
            const Result r = Conflict();
            if (r != lrBusy || HolderType() != F_RDLCK || std::chrono::steady_clock::now() > until)
                return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    int Error() const { return error_; }

private:
    // A file system without locks (some network shares) is renamed in
    // without one, as before locks.
    bool Lock(short type)
    {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        return ::fcntl(fd_.Get(), F_OFD_SETLK, &fl) == 0 || errno == ENOLCK || errno == EOPNOTSUPP ||
               errno == ENOSYS || errno == EINVAL;
    }

    short HolderType()
    {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        return ::fcntl(fd_.Get(), F_OFD_GETLK, &fl) == 0 ? fl.l_type : F_WRLCK;
    }

    Result Conflict()
    {
        return errno == EAGAIN || errno == EACCES ? lrBusy : Failed();
    }

    Result Failed()
    {
        error_ = errno;
        return lrFailed;
    }

    platform::UniqueFd fd_;
    int error_ = 0;
};

std::string InProgressText(const std::string& folder)
{
    return "A rename is in progress in the folder \"" + folder + "\" (a batch, an undo or a recovery, in "
           "this or another program); nothing was done. Try again when it has ended.";
}

// The exclusive lock, or EJournalError: jeBusy while another holds it,
// jeUnwritable when the lock file cannot be made.
void TakeLock(TFolderLock& lock, const std::string& folder)
{
    switch (lock.Take(folder)) {
    case TFolderLock::lrTaken:
        return;
    case TFolderLock::lrBusy:
        throw EJournalError(EJournalError::jeBusy, JoinPath(folder, kJournalName), InProgressText(folder));
    default:
        break;
    }
    const std::string path = JoinPath(folder, kLockName);
    throw EJournalError(EJournalError::jeUnwritable, path,
                        "Cannot write the rename lock \"" + path + "\": " + platform::SysErrorMessage(lock.Error()) +
                            ". Nothing was renamed.");
}

// The folder's journal read by whoever is about to rename: one that cannot
// be read (EACCES, EIO) refuses the renames with the reason.
TRenameJournal ReadUnderLock(const std::string& folder)
{
    TRenameJournal j;
    try {
        ReadJournalFile(JoinPath(folder, kJournalName), j);
    } catch (const platform::EOSError& e) {
        throw EJournalError(EJournalError::jeUnwritable, JoinPath(folder, kJournalName),
                            std::string(e.what()) + " Nothing was renamed.");
    }
    return j;
}

// ---- writing ------------------------------------------------------------------

// Flushes the folder, so that a new name of a file in it survives a power
// cut. File systems that cannot flush a folder say EINVAL: their names are
// written with the file.
bool SyncFolder(const std::string& folder)
{
    platform::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.Valid() && (::fsync(dir.Get()) == 0 || errno == EINVAL);
}

// Writes text as the file at path, durably: to a temporary name, flushed,
// then renamed over path, and the folder flushed; the file thus holds the
// new text whole or the old one. 0 or the errno. Called with the folder's
// lock held.
int Replace(const std::string& folder, const std::string& path, std::string_view text)
{
    const std::string temp = path + ".new";
    // A temporary file left by a writer that was killed is ours to replace.
    ::unlink(temp.c_str());
    platform::UniqueFd fd(OpenAboveStdio(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666));
    if (fd.Valid() && WriteFull(fd.Get(), text.data(), text.size()) && ::fsync(fd.Get()) == 0 && fd.Close() == 0 &&
        ::rename(temp.c_str(), path.c_str()) == 0 && SyncFolder(folder))
        return 0;
    const int code = errno;
    ::unlink(temp.c_str());
    return code;
}

// Writes the plan as the folder's journal before anything is renamed.
void WriteJournal(const std::string& folder, const TRenameJournal& j)
{
    const std::string path = JoinPath(folder, kJournalName);
    if (const int code = Replace(folder, path, PlanText(j)))
        throw EJournalError(EJournalError::jeUnwritable, path,
                            "Cannot write the rename journal \"" + path + "\": " + platform::SysErrorMessage(code) +
                                ". Nothing was renamed.");
}

// Appends a mark: "" on success, else why not. flush: durably, before
// anything else is done (a mark that renames depend on). Where the file
// system does not let a file grow once written (some FAT drivers), or a
// power cut left part of an earlier mark, the journal is written again
// whole, with the mark.
std::string Mark(const std::string& folder, const std::string& path, std::string_view mark, bool flush)
{
    const std::string line = std::string(mark) + "\n";
    platform::UniqueFd fd = OpenPlain(path, O_RDWR | O_APPEND);
    struct stat st {};
    char last = '\n';
    int code = 0;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || st.st_size > kMaxJournalBytes ||
        (st.st_size > 0 && ::pread(fd.Get(), &last, 1, st.st_size - 1) != 1))
        code = errno ? errno : EFBIG;
    else if (last == '\n' && WriteFull(fd.Get(), line.data(), line.size()) &&
             (!flush || ::fsync(fd.Get()) == 0) && fd.Close() == 0)
        return {};
    else
        code = errno;
    if (fd.Valid()) {
        std::string text(static_cast<std::size_t>(st.st_size), '\0');
        if (::pread(fd.Get(), text.data(), text.size(), 0) == st.st_size) {
            text.resize(text.rfind('\n') + 1);
            code = Replace(folder, path, text + line);
        }
    }
    if (code == 0)
        return {};
    return "Cannot write the mark \"" + std::string(mark) + "\" to the rename journal \"" + path +
           "\": " + platform::SysErrorMessage(code);
}

// The mark that settles a batch (done, undone), not flushed: lost to a power
// cut, it leaves the batch reading as interrupted, and finishing or undoing
// a batch that is already so renames nothing. Unwritten, the batch keeps
// reading as interrupted: said with the reason.
std::string Settle(const std::string& folder, const std::string& path, std::string_view mark)
{
    std::string error = Mark(folder, path, mark, false);
    if (!error.empty())
        error += "; the last rename in the folder reads as interrupted until its journal can be written";
    return error;
}

RenameOutcome Move(const std::string& folder, std::size_t index, const std::string& from, const std::string& to)
{
    RenameOutcome o;
    o.Index = index;
    o.OldName = from;
    o.NewName = to;
    const platform::MoveReport moved =
        platform::MoveFileReporting(platform::mmAuto, JoinPath(folder, from), JoinPath(folder, to));
    o.Result = moved.Error == 0 ? rrRenamed : rrFailed;
    o.ErrorCode = moved.Error;
    o.Leftover = moved.Leftover;
    return o;
}

// The plan of a batch: every file it will try, with its identity as read
// with its date, or as it is now.
TRenameJournal Plan(const std::string& folder, const std::string& pattern, const photarrtyp& photos,
                    const std::vector<bool>& selected, const std::vector<std::optional<std::string>>& newNames,
                    const CompanionLists& companions)
{
    TRenameJournal j;
    if (char* full = ::realpath(folder.c_str(), nullptr)) {
        j.Folder = full;
        std::free(full);
    } else {
        j.Folder = folder;
    }
    j.Time = FileSystemFacts().Now();
    j.Pattern = pattern;
    const std::size_t nameMax = NameMaxOf(folder);
    j.Entries.reserve(std::min(photos.size(), selected.size()));
    for (std::size_t i = 0; i < photos.size() && i < selected.size(); ++i) {
        if (!selected[i] || i >= newNames.size() || !newNames[i] || NameFaultOf(*newNames[i], nameMax) != nfNone ||
            *newNames[i] == photos[i].FileName)
            continue;
        JournalEntry e{photos[i].FileName, *newNames[i], photos[i].Identity};
        // A photo that cannot be examined is left out: its rename fails too,
        // and says why.
        if (!e.Identity.Known && IdentityOf(JoinPath(folder, e.OldName), e.Identity) != 0)
            continue;
        j.Entries.push_back(std::move(e));
        // Each companion right after its photo, in the order they are renamed.
        for (const std::string& c : i < companions.size() ? companions[i] : std::vector<std::string>{}) {
            JournalEntry companion{c, CompanionNewName(photos[i].FileName, *newNames[i], c), {}};
            if (IdentityOf(JoinPath(folder, c), companion.Identity) == 0)
                j.Entries.push_back(std::move(companion));
        }
    }
    return j;
}

} // namespace

TRenameJournal LatestJournal(const std::string& folder)
{
    TRenameJournal j;
    TFolderLock lock;
    switch (lock.Share(folder)) {
    case TFolderLock::lrBusy:
        j.Path = JoinPath(folder, kJournalName);
        j.State = jsBusy;
        return j;
    case TFolderLock::lrFailed:
        if (lock.Error() == EINVAL || lock.Error() == ELOOP)
            break;  // not a plain file: no batch can lock it, and the journal tells the rest
        throw platform::EOSError(lock.Error(), "Cannot read the folder \"" + folder + "\". " +
                                                   platform::SysErrorMessage(lock.Error()));
    case TFolderLock::lrNoLockFile:
        // A journal is written only after the lock file exists: one found
        // now belongs to a batch begun since the look above.
        ReadJournalFile(JoinPath(folder, kJournalName), j);
        if (j.State == jsNone || lock.Share(folder) == TFolderLock::lrNoLockFile)
            return j;
        return LatestJournal(folder);
    case TFolderLock::lrTaken:
        break;
    }
    ReadJournalFile(JoinPath(folder, kJournalName), j);
    return j;
}

EntryState StateOf(const std::string& folder, const JournalEntry& entry, bool forward, int* error)
{
    const Probe atNew = ProbeFile(JoinPath(folder, entry.NewName), entry.Identity);
    if (atNew.Result == prHolds)
        return esDone;
    const Probe atOld = ProbeFile(JoinPath(folder, entry.OldName), entry.Identity);
    if (atOld.Result == prHolds)
        return esPending;
    for (const Probe& p : {atNew, atOld}) {
        if (p.Result == prError) {
            if (error)
                *error = p.Error;
            return esUnknown;
        }
    }
    return (forward ? atOld : atNew).Result == prOther ? esOther : esGone;
}

std::size_t DoneCount(const std::string& folder, const TRenameJournal& journal)
{
    return static_cast<std::size_t>(std::count_if(journal.Entries.begin(), journal.Entries.end(), [&](const auto& e) {
        return StateOf(folder, e) == esDone;
    }));
}

JournalRun JournaledRename(const std::string& folder, const std::string& pattern, const photarrtyp& photos,
                           const std::vector<bool>& selected,
                           const std::vector<std::optional<std::string>>& newNames,
                           const RenameProgress& progress, const RenameDone& done,
                           const CompanionLists& companions)
{
    TFolderLock lock;
    TakeLock(lock, folder);
    const TRenameJournal last = ReadUnderLock(folder);
    if (last.State == jsInterrupted)
        throw EJournalError(EJournalError::jeInterrupted, last.Path,
                            "The last rename in \"" + folder + "\" was interrupted; finish or undo it first.");
    if (last.State == jsDamaged)
        throw EJournalError(EJournalError::jeDamaged, last.Path,
                            "The rename journal \"" + last.Path + "\" of \"" + folder + "\" is damaged (" +
                                last.Damage + "); it is left alone. Nothing was renamed.");

    JournalRun run;
    TRenameJournal j = Plan(folder, pattern, photos, selected, newNames, companions);
    if (j.Entries.empty()) {
        run.Outcomes = RenamePhotos(folder, photos, selected, newNames, progress, done, companions);
        return run;
    }
    j.Batch = last.Batch + 1;
    WriteJournal(folder, j);
    run.Outcomes = RenamePhotos(folder, photos, selected, newNames, progress, done, companions);
    run.MarkError = Settle(folder, JoinPath(folder, kJournalName), "done");
    return run;
}

namespace {

struct TWalk {
    JournalRun Run;
    bool Failed = false;      // a rename was refused
    bool Stopped = false;     // done asked to stop
    bool Unexamined = false;  // a file could not be examined
};

// One pass over a batch: forward, renaming pending files to their new names
// (finishing), or back, in reverse order, renaming done files to their old
// names (undoing). Outcomes name the move as this pass makes it.
TWalk WalkBatch(const std::string& folder, const TRenameJournal& journal, bool back, const RenameDone& done)
{
    TWalk walk;
    const std::size_t n = journal.Entries.size();
    const EntryState movable = back ? esDone : esPending;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = back ? n - 1 - k : k;
        const JournalEntry& e = journal.Entries[i];
        const std::string& from = back ? e.NewName : e.OldName;
        const std::string& to = back ? e.OldName : e.NewName;
        int error = 0;
        const EntryState state = StateOf(folder, e, !back, &error);
        RenameOutcome o;
        o.Index = i;
        o.OldName = from;
        o.NewName = to;
        o.Result = rrSkipped;
        if (state == movable) {
            o = Move(folder, i, from, to);
            walk.Failed |= o.Result == rrFailed;
        } else if (state == esUnknown) {
            o.Result = rrFailed;
            o.ErrorCode = error;
            o.Unexamined = walk.Unexamined = true;
        } else if (state == esGone) {
            o.Skip = srGone;
        } else if (state == esOther) {
            o.Skip = srNotThePhoto;
        } else if (back) {
            o.Skip = srNotRenamed;
        } else {
            o.Result = rrRenamed;  // finishing: renamed before the interruption
        }
        walk.Run.Outcomes.push_back(std::move(o));
        if (done && !done(walk.Run.Outcomes.back())) {
            walk.Stopped = true;
            break;
        }
    }
    return walk;
}

// The exclusive lock, and the journal under it, which must still be the one
// the caller read (same batch, same plan, same state).
TRenameJournal Relock(TFolderLock& lock, const std::string& folder, const TRenameJournal& journal)
{
    TakeLock(lock, folder);
    const TRenameJournal now = ReadUnderLock(folder);
    if (now.State != journal.State || now.Batch != journal.Batch || now.Checksum != journal.Checksum)
        throw EJournalError(EJournalError::jeChanged, now.Path,
                            "The last rename in \"" + folder +
                                "\" was settled or replaced meanwhile; nothing was done.");
    return now;
}

} // namespace

JournalRun FinishBatch(const std::string& folder, const TRenameJournal& journal, const RenameDone& done)
{
    TFolderLock lock;
    const TRenameJournal now = Relock(lock, folder, journal);
    TWalk walk = WalkBatch(folder, now, false, done);
    if (!walk.Stopped && !walk.Unexamined)
        walk.Run.MarkError = Settle(folder, now.Path, "done");
    return std::move(walk.Run);
}

JournalRun UndoBatch(const std::string& folder, const TRenameJournal& journal, const RenameDone& done)
{
    TFolderLock lock;
    const TRenameJournal now = Relock(lock, folder, journal);
    if (now.State == jsComplete) {
        if (std::string error = Mark(folder, now.Path, "undoing", true); !error.empty())
            throw EJournalError(EJournalError::jeUnwritable, now.Path, error + ". Nothing was renamed.");
    }
    TWalk walk = WalkBatch(folder, now, true, done);
    if (!walk.Stopped && !walk.Unexamined && !walk.Failed)
        walk.Run.MarkError = Settle(folder, now.Path, "undone");
    return std::move(walk.Run);
}
