#pragma once
// The window-creation hook of the user-interface thread: the hook procedure
// is called with HCBT_CREATEWND whenever a window of the thread is about to
// be created, that is when a top-level widget gets its native window or is
// polished before its first show, before the widget handles that event.

#include "platform/win32/WinTypes.h"

namespace platform::qt {

inline constexpr int WH_CBT = 5;
inline constexpr int HCBT_CREATEWND = 3;

struct HHOOK__;
using HHOOK = HHOOK__*;
// wParam is the widget (a QWidget*) whose window is being created.
using HOOKPROC = win32::LRESULT (*)(int code, win32::WPARAM wParam, win32::LPARAM lParam);

win32::DWORD GetCurrentThreadId();

// Installs a WH_CBT hook for threadId, which must be the thread of the
// application object; null (with the last error set) for another hook kind,
// another thread or without an application.
HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, win32::HINSTANCE module, win32::DWORD threadId);
win32::BOOL UnhookWindowsHookEx(HHOOK hook);
// Every hook sees every creation itself, so there is nothing further to call:
// returns 0.
win32::LRESULT CallNextHookEx(HHOOK hook, int code, win32::WPARAM wParam, win32::LPARAM lParam);

} // namespace platform::qt
