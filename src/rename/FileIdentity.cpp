#include "rename/FileIdentity.h"

#include "platform/UniqueFd.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <unordered_map>

namespace {

using platform::ReadFull;

constexpr long kOverlayMagic = 0x794c7630;
constexpr long kFuseMagic = 0x65735546;

// Which of a file's times a rename keeps on this device's file system: not
// the birth time on an overlay, which copies a file up to its upper layer to
// rename it; not the modification time on FUSE, where some drivers (FAT)
// set it to the time of the rename.
struct KeptTimes {
    bool Birth = true, Modified = true;
};

KeptTimes TimesKept(dev_t device, const std::string& path)
{
    thread_local std::unordered_map<dev_t, KeptTimes> known;
    const auto it = known.find(device);
    if (it != known.end())
        return it->second;
    KeptTimes kept;
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) == 0) {
        kept.Birth = fs.f_type != kOverlayMagic;
        kept.Modified = fs.f_type != kFuseMagic;
    }
    known.emplace(device, kept);
    return kept;
}

std::int64_t Nanoseconds(const struct statx_timestamp& t)
{
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

class TRealFileSystemFacts : public TFileSystemFacts {
public:
    int Examine(const std::string& path, FileFacts& facts) override
    {
        struct statx st {};
        if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
            return errno;
        const KeptTimes kept = TimesKept(makedev(st.stx_dev_major, st.stx_dev_minor), path);
        facts.Mode = st.stx_mode;
        facts.Size = st.stx_size;
        facts.Modified = kept.Modified ? Nanoseconds(st.stx_mtime) : 0;
        facts.Birth = kept.Birth && (st.stx_mask & STATX_BTIME) ? Nanoseconds(st.stx_btime) : 0;
        return 0;
    }

    int ReadHead(const std::string& path, std::size_t n, std::string& bytes) override
    {
        platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st {};
        if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
            return errno;
        if (!S_ISREG(st.st_mode))
            return EINVAL;
        bytes.resize(n);
        const ssize_t got = ReadFull(fd.Get(), bytes.data(), n);
        if (got < 0)
            return errno;
        bytes.resize(static_cast<std::size_t>(got));
        return 0;
    }

    std::int64_t Now() override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

TFileSystemFacts*& Current()
{
    static TRealFileSystemFacts real;
    static TFileSystemFacts* current = &real;
    return current;
}

std::uint64_t LittleEndianWord(const char* at)
{
    std::uint64_t w;
    std::memcpy(&w, at, sizeof w);
    if constexpr (std::endian::native == std::endian::big)
        w = __builtin_bswap64(w);
    return w;
}

} // namespace

std::uint64_t HeadHash(std::string_view bytes)
{
    return HashBytes(bytes.substr(0, kIdentityHeadBytes));
}

std::uint64_t HashBytes(std::string_view bytes)
{
    // Four independent lanes of multiply-xorshift over 8-byte words keep the
    // multiplier busy; the tail and the length go into the final mix. The
    // values are stored in journals: the function must never change.
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    const auto step = [](std::uint64_t& lane, std::uint64_t word) {
        lane = (lane ^ word) * kMul;
        lane ^= lane >> 31;
    };
    std::uint64_t a = 0x243F6A8885A308D3ull, b = 0x13198A2E03707344ull, c = 0xA4093822299F31D0ull,
                  d = 0x082EFA98EC4E6C89ull;
    const char* p = bytes.data();
    std::size_t at = 0;
    for (; at + 32 <= bytes.size(); at += 32) {
        step(a, LittleEndianWord(p + at));
        step(b, LittleEndianWord(p + at + 8));
        step(c, LittleEndianWord(p + at + 16));
        step(d, LittleEndianWord(p + at + 24));
        // Kept in general registers: a compiler that packs the lanes into
        // vector registers must emulate the 64-bit multiply there, which
        // made the hash of a photo's head half again as slow.
        __asm__("" : "+r"(a), "+r"(b), "+r"(c), "+r"(d));
    }
    std::uint64_t h = bytes.size();
    for (const std::uint64_t l : {a, b, c, d})
        h = (h ^ l) * kMul, h ^= h >> 29;
    for (; at < bytes.size(); ++at)
        h = (h ^ static_cast<unsigned char>(p[at])) * kMul, h ^= h >> 29;
    return h;
}

TFileSystemFacts& FileSystemFacts()
{
    return *Current();
}

TScopedFileSystemFacts::TScopedFileSystemFacts(TFileSystemFacts& facts) : previous_(Current())
{
    Current() = &facts;
}

TScopedFileSystemFacts::~TScopedFileSystemFacts()
{
    Current() = previous_;
}

int IdentityOf(const std::string& path, FileIdentity& identity)
{
    FileFacts facts;
    if (const int code = FileSystemFacts().Examine(path, facts))
        return code;
    identity.Known = true;
    identity.Size = facts.Size;
    identity.Modified = facts.Modified;
    identity.Birth = facts.Birth;
    identity.Head.reset();
    if (!S_ISREG(facts.Mode))
        return 0;
    std::string bytes;
    // A photo whose bytes cannot be read (no read permission) is known by
    // the rest of its identity.
    if (FileSystemFacts().ReadHead(path, kIdentityHeadBytes, bytes) == 0)
        identity.Head = HeadHash(bytes);
    return 0;
}

Probe ProbeFile(const std::string& path, const FileIdentity& recorded)
{
    FileFacts facts;
    if (const int code = FileSystemFacts().Examine(path, facts))
        return code == ENOENT || code == ENOTDIR ? Probe{prAbsent, 0} : Probe{prError, code};
    auto differ = [](std::int64_t a, std::int64_t b) { return a != 0 && b != 0 && a != b; };
    if (facts.Size != recorded.Size || differ(recorded.Modified, facts.Modified) ||
        differ(recorded.Birth, facts.Birth) ||
        (recorded.Head && !S_ISREG(facts.Mode)))
        return {prOther, 0};
    if (!recorded.Head)
        return {prHolds, 0};
    std::string bytes;
    if (const int code = FileSystemFacts().ReadHead(path, kIdentityHeadBytes, bytes))
        return {prError, code};
    return {HeadHash(bytes) == *recorded.Head ? prHolds : prOther, 0};
}
