#pragma once
// Per-thread last-error code of the binding. Codes are errno values, so the
// platform error's message text is the system's text for them; the Win32
// names below say which failure each one stands for.

#include "WinTypes.h"

#include <cerrno>

namespace win32 {

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = EBADF;
constexpr DWORD ERROR_INVALID_PARAMETER = EINVAL;
constexpr DWORD ERROR_INVALID_DATA = EINVAL;
constexpr DWORD ERROR_INVALID_PIXEL_FORMAT = EINVAL;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = ENOMEM;
constexpr DWORD ERROR_NO_MORE_ITEMS = EAGAIN;
constexpr DWORD ERROR_BUSY = EBUSY;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = EEXIST;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = ENOENT;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = EBUSY;
constexpr DWORD ERROR_PROC_NOT_FOUND = ENOSYS;
constexpr DWORD ERROR_NOT_SUPPORTED = EOPNOTSUPP;
// OpenGL could not be started on this machine (no EGL display or driver).
constexpr DWORD ERROR_NO_GRAPHICS_DEVICE = ENODEV;

DWORD GetLastError();
void SetLastError(DWORD code);

// Raises platform::EOSError for the calling thread's last-error code.
[[noreturn]] void RaiseLastOSError();

} // namespace win32
