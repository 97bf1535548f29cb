#include "LastError.h"

#include "platform/OSError.h"

namespace win32 {

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD code) { lastError = code; }

void RaiseLastOSError() { platform::RaiseLastOSError(static_cast<int>(lastError)); }

} // namespace win32
