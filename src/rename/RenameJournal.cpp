#include "rename/RenameJournal.h"

#include "platform/EscapedText.h"
#include "platform/MoveFile.h"
#include "platform/OSError.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr std::string_view kMagic = "Quistelor rename journal 1";
constexpr std::string_view kSuffix = ".journal";
// Far beyond the journal of any real batch (about 60 bytes a photo).
constexpr off_t kMaxJournalBytes = 256 << 20;

struct FolderId {
    dev_t Device;
    ino_t Inode;
};

struct FileId {
    dev_t Device = 0;
    ino_t Inode = 0;
    long long Birth = 0;
};

std::optional<FileId> FileIdOf(const std::string& path)
{
    struct statx st {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &st) != 0)
        return std::nullopt;
    FileId id;
    id.Device = makedev(st.stx_dev_major, st.stx_dev_minor);
    id.Inode = st.stx_ino;
    if (st.stx_mask & STATX_BTIME)
        id.Birth = st.stx_btime.tv_sec * 1000000000LL + st.stx_btime.tv_nsec;
    return id;
}

FolderId IdOf(const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        const int code = errno;
        throw platform::EOSError(code, "Cannot read the folder \"" + folder + "\". " + platform::SysErrorMessage(code));
    }
    return {st.st_dev, st.st_ino};
}

// Every journal of a folder starts with this, so that they sort by time.
std::string NamePrefix(const FolderId& id)
{
    return std::to_string(id.Device) + "-" + std::to_string(id.Inode) + "-";
}

std::uint64_t Fnv1a(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string Hex(std::uint64_t v)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
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

// The journal's plan as text, followed by its "plan" line, which carries the
// entry count and a checksum of everything before it.
std::string PlanText(const TRenameJournal& j)
{
    std::string text;
    text.reserve(128 + j.Entries.size() * 64);
    text.append(kMagic).append("\n");
    text += "folder\t" + platform::EscapeBytes(j.Folder) + "\n";
    text += "device\t" + std::to_string(j.Device) + "\n";
    text += "inode\t" + std::to_string(j.FolderInode) + "\n";
    text += "time\t" + std::to_string(static_cast<long long>(j.Time)) + "\n";
    text += "pattern\t" + platform::EscapeBytes(j.Pattern) + "\n";
    for (const JournalEntry& e : j.Entries) {
        text += "rename\t";
        text += std::to_string(e.Inode);
        text += '\t';
        text += std::to_string(e.Birth);
        text += '\t';
        text += platform::EscapeBytes(e.OldName);
        text += '\t';
        text += platform::EscapeBytes(e.NewName);
        text += '\n';
    }
    const std::uint64_t sum = Fnv1a(text);
    text += "plan\t" + std::to_string(j.Entries.size()) + "\t" + Hex(sum) + "\n";
    return text;
}

// Fills j from text; false with j.Damage set when the text is not a whole,
// unaltered journal.
bool Parse(std::string_view text, TRenameJournal& j)
{
    auto damaged = [&](const std::string& why) {
        j.Damage = why;
        return false;
    };
    if (text.empty() || text.back() != '\n')
        return damaged("it does not end with a whole line");
    std::size_t at = 0;
    std::size_t planEnd = std::string_view::npos;
    bool done = false, undone = false;
    int lineNo = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end - at);
        const std::size_t lineStart = at;
        at = end + 1;
        ++lineNo;
        const std::string where = "line " + std::to_string(lineNo) + " is not valid";
        if (lineNo == 1) {
            if (line != kMagic)
                return damaged("it is not a rename journal");
            continue;
        }
        if (planEnd != std::string_view::npos) {
            if (line == "done")
                done = true;
            else if (line == "undone")
                undone = true;
            else
                return damaged(where);
            continue;
        }
        const std::vector<std::string_view> f = Split(line, '\t');
        static const char* const kHeader[] = {"folder", "device", "inode", "time", "pattern"};
        if (lineNo <= 6) {
            if (f.size() != 2 || f[0] != kHeader[lineNo - 2])
                return damaged(where);
            const auto unescape = [&](std::string& into) {
                const auto v = platform::UnescapeBytes(f[1]);
                if (v)
                    into = *v;
                return v.has_value();
            };
            bool ok = true;
            long long time = 0;
            switch (lineNo) {
            case 2: ok = unescape(j.Folder); break;
            case 3: ok = ParseNumber(f[1], j.Device); break;
            case 4: ok = ParseNumber(f[1], j.FolderInode); break;
            case 5:
                ok = ParseNumber(f[1], time);
                j.Time = static_cast<std::time_t>(time);
                break;
            case 6: ok = unescape(j.Pattern); break;
            }
            if (!ok)
                return damaged(where);
        } else if (f[0] == "rename" && f.size() == 5) {
            JournalEntry e;
            auto oldName = platform::UnescapeBytes(f[3]);
            auto newName = platform::UnescapeBytes(f[4]);
            if (!ParseNumber(f[1], e.Inode) || !ParseNumber(f[2], e.Birth) || !oldName || !newName || oldName->empty() || newName->empty() ||
                oldName->find('/') != std::string::npos || newName->find('/') != std::string::npos)
                return damaged(where);
            e.OldName = std::move(*oldName);
            e.NewName = std::move(*newName);
            j.Entries.push_back(std::move(e));
        } else if (f[0] == "plan" && f.size() == 3) {
            std::size_t count = 0;
            std::uint64_t sum = 0;
            if (!ParseNumber(f[1], count) || !ParseNumber(f[2], sum, 16) || count != j.Entries.size())
                return damaged(where);
            if (Fnv1a(text.substr(0, lineStart)) != sum)
                return damaged("its checksum does not match");
            planEnd = at;
        } else {
            return damaged(where);
        }
    }
    if (planEnd == std::string_view::npos)
        return damaged("its plan is incomplete");
    j.State = undone ? jsUndone : done ? jsComplete : jsInterrupted;
    return true;
}

std::string ReadJournal(const std::string& path, std::string& text)
{
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        return platform::SysErrorMessage(errno);
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxJournalBytes)
        return "it is not a journal file";
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.Get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return platform::SysErrorMessage(errno);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return {};
}

// The names of the folder's journals, oldest first.
std::vector<std::string> JournalNames(const FolderId& id)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(JournalFolder().c_str());
    if (!dir)
        return names;
    const std::string prefix = NamePrefix(id);
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() > prefix.size() + kSuffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            name.substr(name.size() - kSuffix.size()) == kSuffix)
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Creates path and its missing parents, private to the user.
bool MakeFolders(const std::string& path)
{
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// Writes the plan as a new journal, durably, before anything is renamed: the
// text goes to a temporary name, is flushed, and takes its final name, and
// the folder is flushed; a journal thus exists whole or not at all.
std::string WriteJournal(const TRenameJournal& j)
{
    const std::string folder = JournalFolder();
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%020lld-%d", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                  static_cast<int>(::getpid()));
    const std::string path = folder + "/" + NamePrefix({j.Device, j.FolderInode}) + stamp + std::string(kSuffix);
    const std::string temp = path + ".tmp";
    auto fail = [&](int code) -> std::string {
        ::unlink(temp.c_str());
        throw EJournalError(EJournalError::jeUnwritable, path,
                            "Cannot write the rename journal \"" + path + "\": " + platform::SysErrorMessage(code) +
                                ". Nothing was renamed.");
    };
    if (!MakeFolders(folder))
        return fail(errno);
    platform::UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.Valid())
        return fail(errno);
    if (!WriteAll(fd.Get(), PlanText(j)) || ::fsync(fd.Get()) != 0 || fd.Close() != 0)
        return fail(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail(errno);
    platform::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid() || ::fsync(dir.Get()) != 0) {
        const int code = errno;
        ::unlink(path.c_str());
        return fail(code);
    }
    return path;
}

// Appends a mark. Not flushed: a mark lost to a crash leaves the journal as
// it was, and finishing or undoing a batch that is already so does nothing.
void Mark(const std::string& path, std::string_view mark)
{
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
    if (fd.Valid())
        WriteAll(fd.Get(), std::string(mark) + "\n");
}

void Prune(const FolderId& id)
{
    const std::vector<std::string> names = JournalNames(id);
    for (std::size_t i = 0; i + kJournalsKept < names.size(); ++i)
        ::unlink((JournalFolder() + "/" + names[i]).c_str());
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

} // namespace

std::string JournalFolder()
{
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir ? pw->pw_dir : "/";
        }
        base = std::string(home) + "/.local/state";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/quistelor/rename-journals";
}

TRenameJournal LatestJournal(const std::string& folder)
{
    const FolderId id = IdOf(folder);
    TRenameJournal j;
    const std::vector<std::string> names = JournalNames(id);
    if (names.empty())
        return j;
    j.Path = JournalFolder() + "/" + names.back();
    std::string text;
    if (std::string error = ReadJournal(j.Path, text); !error.empty()) {
        j.Damage = "it cannot be read: " + error;
    } else if (Parse(text, j)) {
        if (j.Device == id.Device && j.FolderInode == id.Inode)
            return j;
        j.Damage = "it names another folder";
    }
    j.State = jsDamaged;
    j.Entries.clear();
    return j;
}

EntryState StateOf(const std::string& folder, const TRenameJournal& journal, const JournalEntry& entry)
{
    auto holds = [&](const std::string& name) {
        const auto id = FileIdOf(JoinPath(folder, name));
        return id && id->Inode == entry.Inode && id->Device == journal.Device &&
               (id->Birth == 0 || entry.Birth == 0 || id->Birth == entry.Birth);
    };
    if (holds(entry.NewName))
        return esDone;
    if (holds(entry.OldName))
        return esPending;
    return esGone;
}

std::size_t DoneCount(const std::string& folder, const TRenameJournal& journal)
{
    return static_cast<std::size_t>(std::count_if(journal.Entries.begin(), journal.Entries.end(), [&](const auto& e) {
        return StateOf(folder, journal, e) == esDone;
    }));
}

std::vector<RenameOutcome> JournaledRename(const std::string& folder, const std::string& pattern,
                                           const photarrtyp& photos, const std::vector<bool>& selected,
                                           const std::vector<std::optional<std::string>>& newNames,
                                           const RenameProgress& progress, const RenameDone& done,
                                           const CompanionLists& companions)
{
    const TRenameJournal last = LatestJournal(folder);
    if (last.State == jsInterrupted)
        throw EJournalError(EJournalError::jeInterrupted, last.Path,
                            "The last rename in \"" + folder + "\" was interrupted; finish or undo it first.");
    if (last.State == jsDamaged)
        throw EJournalError(EJournalError::jeDamaged, last.Path,
                            "The rename journal \"" + last.Path + "\" of \"" + folder + "\" is damaged (" +
                                last.Damage + "); it is left alone. Nothing was renamed.");

    // The plan: every photo the batch will try, with its identity as read
    // with its date, or as it is now.
    TRenameJournal j;
    if (char* full = ::realpath(folder.c_str(), nullptr)) {
        j.Folder = full;
        std::free(full);
    } else {
        j.Folder = folder;
    }
    const FolderId id = IdOf(folder);
    j.Device = id.Device;
    j.FolderInode = id.Inode;
    j.Time = std::time(nullptr);
    j.Pattern = pattern;
    for (std::size_t i = 0; i < photos.size() && i < selected.size(); ++i) {
        if (!selected[i] || i >= newNames.size() || !newNames[i] || NameFaultOf(*newNames[i]) != nfNone ||
            *newNames[i] == photos[i].FileName)
            continue;
        if (photos[i].Inode != 0) {
            j.Entries.push_back({photos[i].Inode, photos[i].Birth, photos[i].FileName, *newNames[i]});
        } else {
            const auto file = FileIdOf(JoinPath(folder, photos[i].FileName));
            if (!file)
                continue;  // the rename will fail and say why
            j.Entries.push_back({file->Inode, file->Birth, photos[i].FileName, *newNames[i]});
        }
        // Each companion right after its photo, in the order they are renamed.
        for (const std::string& c : i < companions.size() ? companions[i] : std::vector<std::string>{})
            if (const auto file = FileIdOf(JoinPath(folder, c)))
                j.Entries.push_back({file->Inode, file->Birth, c, CompanionNewName(photos[i].FileName, *newNames[i], c)});
    }
    if (j.Entries.empty())
        return RenamePhotos(folder, photos, selected, newNames, progress, done, companions);

    const std::string path = WriteJournal(j);
    std::vector<RenameOutcome> outcomes = RenamePhotos(folder, photos, selected, newNames, progress, done, companions);
    Mark(path, "done");
    Prune(id);
    return outcomes;
}

namespace {

struct TWalk {
    std::vector<RenameOutcome> Outcomes;
    bool Failed = false;   // a rename was refused
    bool Stopped = false;  // done asked to stop
};

// One pass over a batch: forward, renaming pending photos to their new
// names (finishing), or back, in reverse order, renaming done photos to
// their old names (undoing). Outcomes name the move as this pass makes it.
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
        const EntryState state = StateOf(folder, journal, e);
        RenameOutcome o{i, from, to, rrSkipped};
        if (state == movable) {
            o = Move(folder, i, from, to);
            walk.Failed |= o.Result == rrFailed;
        } else if (state == esGone) {
            o.Skip = srGone;
        } else if (back) {
            o.Skip = srNotRenamed;
        } else {
            o.Result = rrRenamed;  // finishing: renamed before the interruption
        }
        walk.Outcomes.push_back(std::move(o));
        if (done && !done(walk.Outcomes.back())) {
            walk.Stopped = true;
            break;
        }
    }
    return walk;
}

} // namespace

std::vector<RenameOutcome> FinishBatch(const std::string& folder, const TRenameJournal& journal,
                                       const RenameDone& done)
{
    TWalk walk = WalkBatch(folder, journal, false, done);
    Mark(journal.Path, "done");
    return std::move(walk.Outcomes);
}

std::vector<RenameOutcome> UndoBatch(const std::string& folder, const TRenameJournal& journal, const RenameDone& done)
{
    TWalk walk = WalkBatch(folder, journal, true, done);
    if (!walk.Failed && !walk.Stopped)
        Mark(journal.Path, "undone");
    return std::move(walk.Outcomes);
}
