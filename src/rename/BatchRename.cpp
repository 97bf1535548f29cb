#include "rename/BatchRename.h"

#include "platform/MoveFile.h"
#include "platform/OSError.h"

#include <cerrno>
#include <strings.h>
#include <sys/stat.h>
#include <unordered_map>

// A '/' turns a name into a path: the photo would leave its folder (into a
// subfolder, or with ".." anywhere above it) instead of being renamed.
static bool IsPlainName(const std::string& name)
{
    return name.find('/') == std::string::npos;
}

std::string RenameOutcome::Reason() const
{
    if (ErrorCode == EINVAL && !IsPlainName(NewName))
        return "a name cannot hold \"/\"";
    return ErrorCode ? platform::SysErrorMessage(ErrorCode) : std::string();
}

static bool IsSelected(const std::vector<bool>& selected, std::size_t i)
{
    return i < selected.size() && selected[i];
}

std::vector<RenameOutcome> RenamePhotos(const std::string& folder, const photarrtyp& photos,
                                        const std::vector<bool>& selected,
                                        const std::vector<std::optional<std::string>>& newNames,
                                        const RenameProgress& progress)
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
            if (!IsPlainName(o.NewName)) {
                o.Result = rrFailed;
                o.ErrorCode = EINVAL;
            } else if (platform::MoveFileA(JoinPath(folder, o.OldName), JoinPath(folder, o.NewName))) {
                o.Result = rrRenamed;
            } else {
                o.Result = rrFailed;
                o.ErrorCode = errno;
            }
        }
        outcomes.push_back(std::move(o));
        if (progress)
            progress(rsRenameFiles, static_cast<int>(outcomes.size()), total);
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
        if (!IsPlainName(*newNames[i])) {
            marks[i] = {ckNotAName, 0};
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
