#include "rename/BatchRename.h"

#include "platform/MoveFile.h"
#include "platform/OSError.h"

#include <cerrno>
#include <strings.h>
#include <sys/stat.h>
#include <unordered_map>

NameFault NameFaultOf(const std::string& name)
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
    return nfNone;
}

std::string RenameOutcome::Reason() const
{
    switch (Fault) {
    case nfSlash: return "a name cannot hold \"/\"";
    case nfLeadingDot: return "a name cannot start with \".\"";
    case nfControlByte: return "a name cannot hold control characters";
    case nfNone: break;
    }
    switch (Skip) {
    case srNotRenamed: return "not renamed by the batch";
    case srGone: return "renamed, deleted or replaced since";
    case srNone: break;
    }
    std::string text = ErrorCode ? platform::SysErrorMessage(ErrorCode) : std::string();
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
    return failure.Reason();
}

static bool IsSelected(const std::vector<bool>& selected, std::size_t i)
{
    return i < selected.size() && selected[i];
}

std::vector<RenameOutcome> RenamePhotos(const std::string& folder, const photarrtyp& photos,
                                        const std::vector<bool>& selected,
                                        const std::vector<std::optional<std::string>>& newNames,
                                        const RenameProgress& progress, const RenameDone& done)
{
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
            o.Fault = NameFaultOf(o.NewName);
            if (o.Fault != nfNone) {
                o.Result = rrFailed;
                o.ErrorCode = EINVAL;
            } else {
                const platform::MoveReport moved = platform::MoveFileReporting(
                    platform::mmAuto, JoinPath(folder, o.OldName), JoinPath(folder, o.NewName));
                o.Result = moved.Error == 0 ? rrRenamed : rrFailed;
                o.ErrorCode = moved.Error;
                o.Leftover = moved.Leftover;
            }
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
                                             const std::vector<std::optional<std::string>>& newNames)
{
    // What the batch will have changed by a photo's turn, by full path:
    // freed (-1) or taken by the photo at that index.
    constexpr long kFreed = -1;
    std::unordered_map<std::string, long> changed;

    std::vector<CollisionMark> marks(fileNames.size());
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        if (!IsSelected(selected, i) || i >= newNames.size() || !newNames[i])
            continue;
        if (const NameFault fault = NameFaultOf(*newNames[i]); fault != nfNone) {
            marks[i] = {ckNotAName, 0, fault};
            continue;
        }
        const std::string from = JoinPath(folder, fileNames[i]);
        const std::string to = JoinPath(folder, *newNames[i]);
        if (from == to) {
            changed[to] = static_cast<long>(i);
            continue;
        }

        const auto it = changed.find(to);
        if (it != changed.end() && it->second != kFreed) {
            marks[i] = {ckSameAs, static_cast<std::size_t>(it->second)};
            continue;
        }
        if (it == changed.end()) {
            struct stat target {}, own {};
            if (::lstat(to.c_str(), &target) == 0) {
                // Only a case variant of the photo's own name is the photo
                // itself; another hard link of it is a taken name.
                const bool itself = ::strcasecmp(fileNames[i].c_str(), newNames[i]->c_str()) == 0 &&
                                    ::lstat(from.c_str(), &own) == 0 && own.st_dev == target.st_dev &&
                                    own.st_ino == target.st_ino;
                if (itself)
                    changed[to] = static_cast<long>(i);
                else
                    marks[i] = {ckTaken, 0};
                continue;
            }
        }
        changed[from] = kFreed;
        changed[to] = static_cast<long>(i);
    }
    return marks;
}
