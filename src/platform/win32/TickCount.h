#pragma once
// The millisecond clock of the animation loops: 32 bits, wrapping about
// every 49.7 days. Tests replace its source to step a loop through chosen
// moments.

#include "WinTypes.h"

namespace win32 {

DWORD GetTickCount();

// Replaces the clock's source; null restores the monotonic system clock.
using TickSource = DWORD (*)(void* context);
void SetTickSource(TickSource source, void* context = nullptr);

} // namespace win32
