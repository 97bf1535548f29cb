#pragma once
#include <string>

namespace platform {

// How MoveFileA gets a new name without ever replacing an existing file.
enum MoveMethod {
    mmAuto,         // the first of the three below that the file system supports
    mmNoReplace,    // renameat2 with RENAME_NOREPLACE: atomic, refuses a taken name
    mmLinkUnlink,   // hard link under the new name (refuses a taken name), then drop the old one
    mmReservation,  // create the new name exclusively, then rename onto that reservation
};

// Renames ExistingFileName to NewFileName, never replacing a file that holds
// the new name, also one created a moment earlier by another program. A new
// name that is the file itself (the same name, or one differing only in case
// on a case-insensitive file system) counts as a success. Returns false with
// errno set when the rename is refused (EEXIST for a taken name).
bool MoveFileA(const std::string& ExistingFileName, const std::string& NewFileName);

// The same with the method forced; mmAuto is what MoveFileA uses. A forced
// method that the file system does not support fails with its errno.
bool MoveFileUsing(MoveMethod method, const std::string& ExistingFileName, const std::string& NewFileName);

} // namespace platform
