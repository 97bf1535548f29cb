#pragma once
// The millisecond clock of the animation loops: 32 bits, wrapping about
// every 49.7 days. Tests replace its source to step a loop through chosen
// moments.

#include "WinTypes.h"

#include <algorithm>

namespace win32 {

DWORD GetTickCount();

// Replaces the clock's source; null restores the monotonic system clock.
using TickSource = DWORD (*)(void* context);
void SetTickSource(TickSource source, void* context = nullptr);

// The timed loop of an animation: calls Frame(elapsed, duration) with the
// milliseconds since the start, until a frame at the full duration is drawn.
// The first frame is the start (elapsed 0), and the time runs from the moment
// it is drawn: however long that first frame takes (a driver building its
// shaders, a cold cache), the movement is seen whole. The duration is at
// least 1 ms, and the elapsed time is clamped to it in wrapping arithmetic,
// so a clock that wraps during the loop neither ends nor stretches it.
template <class TFrame>
void PlayFrames(DWORD duration, TFrame&& frame)
{
    duration = std::max<DWORD>(duration, 1);
    // The clock is read before every frame, the first one included, so that
    // a stepped clock gives each frame one step.
    (void)GetTickCount();
    frame(0, duration);
    const DWORD start = GetTickCount();
    DWORD elapsed;
    do {
        elapsed = std::min<DWORD>(GetTickCount() - start, duration);
        frame(elapsed, duration);
    } while (elapsed < duration);
}

} // namespace win32
