#pragma once
// Arbitrary bytes (file names may hold any byte but '/' and NUL) as one
// printable line and back: what the command line prints and what the rename
// journal stores.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Bytes below 0x20, 0x7F and the backslash become \n, \r, \t, \\ or \xHH;
// other bytes stay as they are.
std::string EscapeBytes(std::string_view value);

// The inverse of EscapeBytes; nullopt for a text EscapeBytes cannot have
// written (a bare control byte, an unknown or cut escape).
std::optional<std::string> UnescapeBytes(std::string_view text);

} // namespace platform
