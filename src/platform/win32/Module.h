#pragma once
// The program module's handle.

#include "WinTypes.h"

namespace win32 {

// Only the calling program's own module (a null name) is known.
HMODULE GetModuleHandleA(const char* moduleName);

} // namespace win32
