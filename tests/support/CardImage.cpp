#include "support/CardImage.h"

#include "support/ChildProcess.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace support {

namespace {

constexpr off_t kImageBytes = 64 << 20;
constexpr long kFuseMagic = 0x65735546;

// The tool's full path: PATH first, then the system folders that a
// non-login root shell may leave out of it.
std::string Tool(const std::string& name)
{
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

} // namespace

bool CardImage::Run(const std::string& step, const std::vector<std::string>& argv, std::string* out)
{
    std::vector<std::string> command = argv;
    command[0] = Tool(argv[0]);
    if (command[0].empty()) {
        skip_ = argv[0] + " is not installed";
        return false;
    }
    const ProcessRun run = RunProcess(command);
    if (run.status != 0) {
        skip_ = step + " failed: " + run.err;
        return false;
    }
    if (out)
        *out = run.out.substr(0, run.out.find('\n'));
    return true;
}

CardImage::CardImage(Kind kind) : image_(work_ / "card.img"), mountPoint_(work_ / "card")
{
    if (::geteuid() != 0) {
        skip_ = "mounting a card image needs root";
        return;
    }
    for (const char* device : {"/dev/fuse", "/dev/loop-control"})
        if (::access(device, R_OK | W_OK) != 0) {
            skip_ = std::string(device) + " is not available";
            return;
        }
    std::ofstream(image_, std::ios::binary).flush();
    if (::mkdir(mountPoint_.c_str(), 0700) != 0 || ::truncate(image_.c_str(), kImageBytes) != 0) {
        skip_ = "cannot make the card image";
        return;
    }
    const bool exfat = kind == ckExfat;
    if (!Run("mkfs", {exfat ? "mkfs.exfat" : "mkfs.vfat", image_}) ||
        !Run("losetup", {"losetup", "--find", "--show", image_}, &loop_))
        return;
    if (exfat ? !Run("mount", {"mount.exfat-fuse", loop_, mountPoint_})
              : !Run("mount", {"fusefat", "-o", "rw+", loop_, mountPoint_}))
        return;
    mounted_ = true;
    struct statfs fs {};
    if (::statfs(mountPoint_.c_str(), &fs) != 0 || fs.f_type != kFuseMagic)
        skip_ = "the card did not mount through FUSE";
}

CardImage::~CardImage()
{
    if (mounted_)
        Run("unmount", {"fusermount", "-u", mountPoint_}) || Run("unmount", {"umount", mountPoint_});
    if (!loop_.empty())
        Run("losetup", {"losetup", "--detach", loop_});
}

} // namespace support
