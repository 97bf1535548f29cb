#pragma once
// The system's window animation: plays a form's entrance on the screen for
// the given time and returns when it is done. Only showing is animated.

#include "platform/win32/WinTypes.h"

class QWidget;

namespace win32 {

inline constexpr win32::DWORD AW_HOR_POSITIVE = 0x1;
inline constexpr win32::DWORD AW_HOR_NEGATIVE = 0x2;
inline constexpr win32::DWORD AW_VER_POSITIVE = 0x4;
inline constexpr win32::DWORD AW_VER_NEGATIVE = 0x8;
inline constexpr win32::DWORD AW_CENTER = 0x10;
inline constexpr win32::DWORD AW_HIDE = 0x10000;
inline constexpr win32::DWORD AW_ACTIVATE = 0x20000;
inline constexpr win32::DWORD AW_SLIDE = 0x40000;
inline constexpr win32::DWORD AW_BLEND = 0x80000;

} // namespace win32

namespace platform::qt {

// AW_BLEND fades the form's image in; AW_CENTER grows it from its centre;
// the direction flags roll it in from that edge (left for AW_HOR_POSITIVE,
// top for AW_VER_POSITIVE), and with AW_SLIDE slide it in from there. The
// frames are drawn on the screen over the form's rectangle. Returns FALSE
// without waiting when the screen cannot be drawn, and for AW_HIDE.
win32::BOOL AnimateWindow(QWidget* form, win32::DWORD time, win32::DWORD flags);

} // namespace platform::qt
