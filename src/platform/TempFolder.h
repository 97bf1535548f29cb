#pragma once
// Where the program's working files go: a folder of the user's own, so that
// two users of one machine never meet in it.

#include <string>

namespace platform {

// The folder for the program's working files, without a trailing separator:
// - $TEMP when set and not empty, as it is (the user's own choice);
// - otherwise "quistelor" in $XDG_RUNTIME_DIR when that is a private folder
//   of this user's, else "quistelor-UID" in $TMPDIR when that is a folder,
//   else in /tmp.
// The last two are made with mode 0700 when missing. One that exists must be
// a real folder (not a symbolic link) of this user's that no one else can
// reach: anything else may have been planted by another user, and is refused
// with ECreateFileError ("Cannot use the working folder "..": REASON").
std::string TempFolder();

// TempFolder() followed by "/" and name.
std::string TempFile(const std::string& name);

} // namespace platform
