#include "rename/BatchRename.h"

#include "platform/MoveFile.h"
#include "platform/OSError.h"

#include <cerrno>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

std::size_t NameMaxOf(const std::string& folder)
{
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : kNameMax;
}

NameFault NameFaultOf(const std::string& name, std::size_t nameMax)
{
    // A '/' turns a name into a path: the photo would leave its folder (into
    // a subfolder, or with ".." anywhere above it) instead of being renamed.
    if (name.find('/') != std::string::npos)
        return nfSlash;
    if (!name.empty() && name[0] == '.')
        return nfLeadingDot;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return nfControlByte;
    if (name.size() > nameMax)
        return nfTooLong;
    return nfNone;
}

std::string RenameOutcome::Reason() const
{
    return InTheWay.empty() ? OwnReason() : "\"" + InTheWay + "\": " + OwnReason();
}

std::string RenameOutcome::OwnReason() const
{
    switch (Fault) {
    case nfSlash: return "a name cannot hold \"/\"";
    case nfLeadingDot: return "a name cannot start with \".\"";
    case nfControlByte: return "a name cannot hold control characters";
    case nfTooLong: return "the name is longer than the file system allows";
    case nfNone: break;
    }
    switch (Skip) {
    case srNotRenamed: return "not renamed by the batch";
    case srGone: return "renamed, deleted or replaced since";
    case srNotThePhoto: return "another file holds the name: not the photo the batch renamed";
    case srNone: break;
    }
    std::string text = ErrorCode ? platform::SysErrorMessage(ErrorCode) : std::string();
    if (Unexamined)
        return "cannot be examined: " + text;
    switch (Leftover) {
    case platform::mlBothNames:
        text += "; the photo now has two names, \"" + OldName + "\" and \"" + NewName + "\"";
        break;
    case platform::mlReservation:
        text += "; the photo keeps \"" + OldName + "\" and an empty file is left as \"" + NewName + "\"";
        break;
    case platform::mlNothing:
        break;
    }
    return text;
}

std::string CollisionMark::Reason() const
{
    if (Kind == ckNone)
        return {};
    // The batch meets a held name as the exclusive rename's EEXIST, and
    // refuses a faulty name with EINVAL before trying it.
    RenameOutcome failure;
    failure.Result = rrFailed;
    failure.Fault = Kind == ckNotAName ? Fault : nfNone;
    failure.ErrorCode = Kind == ckNotAName ? EINVAL : EEXIST;
    failure.InTheWay = InTheWay;
    return failure.Reason();
}

CollisionMark CompanionMark(const CollisionMark& photo, const std::string& photoNewName,
                            const std::string& companionNewName)
{
    CollisionMark mark = photo;
    if (mark.Kind == ckNone)
        return mark;
    if (mark.InTheWay.empty())
        mark.InTheWay = photoNewName;
    if (mark.InTheWay == companionNewName)
        mark.InTheWay.clear();
    return mark;
}

static bool IsSelected(const std::vector<bool>& selected, std::size_t i)
{
    return i < selected.size() && selected[i];
}

namespace {

// One rename of a group, its outcome filled in.
void Move(const std::string& folder, RenameOutcome& o)
{
    const platform::MoveReport moved =
        platform::MoveFileReporting(platform::mmAuto, JoinPath(folder, o.OldName), JoinPath(folder, o.NewName));
    o.Result = moved.Error == 0 ? rrRenamed : rrFailed;
    o.ErrorCode = moved.Error;
    o.Leftover = moved.Leftover;
}

// A renamed member of a group given its old name back; false when it could
// not be, and it keeps its new one.
bool TakeBack(const std::string& folder, const RenameOutcome& o)
{
    return platform::MoveFileReporting(platform::mmAuto, JoinPath(folder, o.NewName), JoinPath(folder, o.OldName))
               .Error == 0;
}

// The photo, then its companions.
std::vector<RenameOutcome*> Members(RenameOutcome& photo)
{
    std::vector<RenameOutcome*> members{&photo};
    for (RenameOutcome& c : photo.Companions)
        members.push_back(&c);
    return members;
}

// The group stays because of `cause`, one of its members: every member
// still under its old name fails as cause did, naming cause's new name when
// it is not its own. Members that could not be taken back keep rrRenamed,
// and vanished ones rrSkipped.
void KeepGroup(RenameOutcome& photo, const RenameOutcome& cause)
{
    const RenameOutcome why = cause;
    for (RenameOutcome* m : Members(photo)) {
        if (m->Result == rrRenamed || m->Result == rrSkipped)
            continue;
        m->Result = rrFailed;
        m->ErrorCode = why.ErrorCode;
        m->Fault = why.Fault;
        m->Leftover = m == &cause ? why.Leftover : platform::mlNothing;
        m->InTheWay = m->NewName == why.NewName ? std::string() : why.NewName;
    }
}

// A photo and its companions, together or not at all.
void RenameGroup(const std::string& folder, std::size_t nameMax, RenameOutcome& photo)
{
    const std::vector<RenameOutcome*> members = Members(photo);
    for (RenameOutcome* m : members) {
        m->Fault = NameFaultOf(m->NewName, nameMax);
        if (m->Fault != nfNone) {
            m->ErrorCode = EINVAL;
            return KeepGroup(photo, *m);
        }
    }
    for (std::size_t k = 0; k < members.size(); ++k) {
        RenameOutcome& m = *members[k];
        Move(folder, m);
        if (m.Result == rrRenamed)
            continue;
        struct stat st {};
        if (k > 0 && m.ErrorCode == ENOENT && ::lstat(JoinPath(folder, m.OldName).c_str(), &st) != 0 &&
            errno == ENOENT) {
            // A companion gone since the folder was listed has nothing left
            // to move with its photo.
            m.Result = rrSkipped;
            m.Skip = srGone;
            m.ErrorCode = 0;
            continue;
        }
        for (std::size_t back = k; back-- > 0;)
            if (members[back]->Result == rrRenamed && TakeBack(folder, *members[back]))
                members[back]->Result = rrNoName;
        return KeepGroup(photo, m);
    }
}

} // namespace

std::vector<RenameOutcome> RenamePhotos(const std::string& folder, const photarrtyp& photos,
                                        const std::vector<bool>& selected,
                                        const std::vector<std::optional<std::string>>& newNames,
                                        const RenameProgress& progress, const RenameDone& done,
                                        const CompanionLists& companions)
{
    const std::size_t nameMax = NameMaxOf(folder);
    int total = 0;
    for (std::size_t i = 0; i < photos.size(); ++i)
        total += IsSelected(selected, i) ? 1 : 0;

    std::vector<RenameOutcome> outcomes;
    outcomes.reserve(static_cast<std::size_t>(total));
    for (std::size_t i = 0; i < photos.size(); ++i) {
        if (!IsSelected(selected, i))
            continue;
        RenameOutcome o;
        o.Index = i;
        o.OldName = photos[i].FileName;
        if (i < newNames.size() && newNames[i]) {
            o.NewName = *newNames[i];
            if (i < companions.size())
                for (const std::string& c : companions[i]) {
                    RenameOutcome& companion = o.Companions.emplace_back();
                    companion.Index = i;
                    companion.OldName = c;
                    companion.NewName = CompanionNewName(o.OldName, o.NewName, c);
                }
            RenameGroup(folder, nameMax, o);
        }
        outcomes.push_back(std::move(o));
        if (progress)
            progress(rsRenameFiles, static_cast<int>(outcomes.size()), total);
        if (done && !done(outcomes.back()))
            break;
    }
    return outcomes;
}

std::vector<RenameOutcome> FailedRenames(const std::vector<RenameOutcome>& outcomes)
{
    std::vector<RenameOutcome> failed;
    for (const RenameOutcome& o : outcomes)
        if (o.Result == rrFailed)
            failed.push_back(o);
    return failed;
}

std::vector<CollisionMark> PredictCollisions(const std::string& folder, const std::vector<std::string>& fileNames,
                                             const std::vector<bool>& selected,
                                             const std::vector<std::optional<std::string>>& newNames,
                                             const CompanionLists& companions)
{
    // What the batch will have changed by a photo's turn, by full path:
    // freed (-1) or taken by the photo at that index.
    constexpr long kFreed = -1;
    std::unordered_map<std::string, long> changed;
    const std::size_t nameMax = NameMaxOf(folder);

    // Whether one member of a photo's group can have its new name; `moves`
    // is set when it leaves its old name (not when it keeps it, in any case).
    auto markOf = [&](const std::string& oldName, const std::string& newName, bool& moves) {
        moves = false;
        if (const NameFault fault = NameFaultOf(newName, nameMax); fault != nfNone)
            return CollisionMark{ckNotAName, 0, fault, {}};
        const std::string from = JoinPath(folder, oldName);
        const std::string to = JoinPath(folder, newName);
        if (from == to)
            return CollisionMark{};
        const auto it = changed.find(to);
        if (it != changed.end() && it->second != kFreed)
            return CollisionMark{ckSameAs, static_cast<std::size_t>(it->second), nfNone, {}};
        if (it == changed.end()) {
            struct stat target {}, own {};
            if (::lstat(to.c_str(), &target) == 0) {
                // Only a case variant of the photo's own name is the photo
                // itself; another hard link of it is a taken name.
                const bool itself = ::strcasecmp(oldName.c_str(), newName.c_str()) == 0 &&
                                    ::lstat(from.c_str(), &own) == 0 && own.st_dev == target.st_dev &&
                                    own.st_ino == target.st_ino;
                return itself ? CollisionMark{} : CollisionMark{ckTaken, 0, nfNone, {}};
            }
        }
        moves = true;
        return CollisionMark{};
    };

    std::vector<CollisionMark> marks(fileNames.size());
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        if (!IsSelected(selected, i) || i >= newNames.size() || !newNames[i])
            continue;
        std::vector<std::pair<std::string, std::string>> group{{fileNames[i], *newNames[i]}};
        if (i < companions.size())
            for (const std::string& c : companions[i])
                group.emplace_back(c, CompanionNewName(fileNames[i], *newNames[i], c));
        std::vector<bool> moves(group.size());
        for (std::size_t k = 0; k < group.size() && marks[i].Kind == ckNone; ++k) {
            bool move = false;
            marks[i] = markOf(group[k].first, group[k].second, move);
            moves[k] = move;
            if (marks[i].Kind != ckNone && k > 0)
                marks[i].InTheWay = group[k].second;
        }
        if (marks[i].Kind != ckNone)
            continue;
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (moves[k])
                changed[JoinPath(folder, group[k].first)] = kFreed;
            changed[JoinPath(folder, group[k].second)] = static_cast<long>(i);
        }
    }
    return marks;
}
