#pragma once
// Renaming a file without ever replacing an existing one, and the report of how it went.
// Classes: MoveReport, MoveSystemCalls.

#include <functional>
#include <string>

namespace platform {

// How MoveFileA gets a new name without ever replacing an existing file.
enum MoveMethod {
    mmAuto,         // the first of the three below that the file system supports
    mmNoReplace,    // renameat2 with RENAME_NOREPLACE: atomic, refuses a taken name
    mmLinkUnlink,   // hard link under the new name (refuses a taken name), then drop the old one
    mmReservation,  // create the new name exclusively, then rename onto that reservation
};

// What a refused rename left behind when a fallback could not take back its
// first step (the folder forbids removing names, for example).
enum MoveLeftover {
    mlNothing,
    mlBothNames,    // the file holds its old name and the new one
    mlReservation,  // an empty file reserving the new name is left under it
};

struct MoveReport {
    int Error = 0;  // 0 when renamed, else the errno of the refusal
    MoveLeftover Leftover = mlNothing;
};

// The two calls whose answers tell which method a file system supports. A
// test gives its own to act as a file system it cannot mount, such as a
// memory card through FUSE (no exclusive rename, no hard links). Each returns
// 0, or -1 with errno set, as the system call does.
struct MoveSystemCalls {
    std::function<int(const char* from, const char* to)> RenameNoReplace;  // renameat2, RENAME_NOREPLACE
    std::function<int(const char* from, const char* to)> Link;

    static const MoveSystemCalls& Real();
};

// Renames ExistingFileName to NewFileName without replacing a file that
// holds the new name. A new name that is the file itself (the same name, or
// one differing only in case on a case-insensitive file system) counts as a
// success. Returns false with errno set when the rename is refused (EEXIST
// for a taken name).
//
// mmAuto falls back to the next method only when the file system lacks the
// operation, never on a refusal such as a permission error. One answer is
// both: a file system that has said it lacks the exclusive rename and then
// answers link with EPERM has no hard links (FAT and exFAT through FUSE), so
// the last method follows; a permission refusal of the exclusive rename
// itself (a sticky folder) stays a refusal. With the first
// two methods a file created at the new name by another program, at any
// moment, is never replaced. The last method, used only where the file
// system has neither an exclusive rename nor hard links, renames onto its own
// reservation after checking that it is still there: a file that another
// program puts in its place between that check and the rename, a window of
// one system call, is replaced.
bool MoveFileA(const std::string& ExistingFileName, const std::string& NewFileName);

// The same with the method forced; mmAuto is what MoveFileA uses. A forced
// method that the file system does not support fails with its errno.
bool MoveFileUsing(MoveMethod method, const std::string& ExistingFileName, const std::string& NewFileName);

// The same, telling also what a refused rename left behind; calls are the
// file system's answers, the real ones unless a test gives others.
MoveReport MoveFileReporting(MoveMethod method, const std::string& ExistingFileName, const std::string& NewFileName,
                             const MoveSystemCalls& calls = MoveSystemCalls::Real());

} // namespace platform
