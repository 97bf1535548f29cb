#pragma once
// Classes: FileFacts, FileIdentity, TFileSystemFacts, TScopedFileSystemFacts.
//
// What tells a photo from any other file, whatever device number, mount
// point or inode number the system gives it today: its size, its
// modification time to the nanosecond and its birth time, each where the
// file system keeps it across a rename, and a hash of its first 4 KiB. A card attached
// again as another block device, a FAT card whose inode numbers change at
// every mount, and an overlay whose layers sit on different file systems all
// keep these for the photo; another card's photo, or a file put in the
// photo's place, does not.
//
// The rename journal takes these facts from TFileSystemFacts, which tests
// replace to play file systems (and failures) they cannot set up for real.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// How many of a file's first bytes its identity hashes.
constexpr std::size_t kIdentityHeadBytes = 4096;

// One file as the file system describes it.
struct FileFacts {
    mode_t Mode = 0;            // the type bits (S_IFREG, S_IFLNK, ...)
    std::uint64_t Size = 0;
    // The times, in nanoseconds since the epoch; 0 where the file system
    // gives none, or gives one that a rename does not keep: an overlay copies
    // a file up to another layer to rename it, and the copy is born anew;
    // some FAT drivers through FUSE set the modification time to the rename's.
    std::int64_t Modified = 0;
    std::int64_t Birth = 0;
};

struct FileIdentity {
    bool Known = false;  // false: never examined
    std::uint64_t Size = 0;
    std::int64_t Modified = 0;  // 0: unknown, never compared
    std::int64_t Birth = 0;     // 0: unknown, never compared
    // HeadHash of the first bytes; none for a file that is never opened (a
    // link, a pipe, a device) or whose bytes could not be read.
    std::optional<std::uint64_t> Head;
};

// A fast 64-bit hash of bytes, the same on every machine.
// Not a defence against forgery: it tells one file's bytes from another's.
std::uint64_t HashBytes(std::string_view bytes);

// HashBytes of bytes.substr(0, kIdentityHeadBytes).
std::uint64_t HeadHash(std::string_view bytes);

// The facts of a file, and of the clock, as the journal sees them.
class TFileSystemFacts {
public:
    virtual ~TFileSystemFacts() = default;
    // The facts of path itself (a link is not followed): 0, or the errno
    // that says why not (ENOENT when nothing has that name).
    virtual int Examine(const std::string& path, FileFacts& facts) = 0;
    // Up to n bytes from the start of path, a plain file, into bytes (fewer
    // only at its end): 0 or the errno. Never waits on a pipe or a device.
    virtual int ReadHead(const std::string& path, std::size_t n, std::string& bytes) = 0;
    // Seconds since the epoch. The journal only records it for the reader:
    // nothing is ordered by it.
    virtual std::int64_t Now() = 0;
};

// The facts in use: the real file system unless a test replaced them.
TFileSystemFacts& FileSystemFacts();

// Replaces the facts in use for its lifetime (tests).
class TScopedFileSystemFacts {
public:
    explicit TScopedFileSystemFacts(TFileSystemFacts& facts);
    ~TScopedFileSystemFacts();
    TScopedFileSystemFacts(const TScopedFileSystemFacts&) = delete;
    TScopedFileSystemFacts& operator=(const TScopedFileSystemFacts&) = delete;

private:
    TFileSystemFacts* previous_;
};

// The identity of path as it is now: 0, or the errno of Examine.
int IdentityOf(const std::string& path, FileIdentity& identity);

// Where a recorded file stands against what a name holds now.
enum ProbeResult {
    prHolds,   // the name holds the recorded file
    prOther,   // the name holds another file
    prAbsent,  // nothing has the name
    prError,   // the name could not be examined (Error says why)
};

struct Probe {
    ProbeResult Result = prAbsent;
    int Error = 0;
};

// Compares what path holds with recorded: size; modification and birth
// times where both are known; the head's hash when one was recorded
// (reading it only when the rest matches).
Probe ProbeFile(const std::string& path, const FileIdentity& recorded);
