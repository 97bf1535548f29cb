#pragma once
// The x87 floating-point control word of the process.

#include "WinTypes.h"

namespace win32 {

// All floating-point exceptions masked, 64-bit precision, rounding to nearest.
constexpr WORD DefaultGlControlWord = 0x133F;

// Sets the control word on x86 processors; does nothing elsewhere.
void Set8087CW(WORD controlWord);
WORD Get8087CW();

} // namespace win32
