#pragma once
// Thread-local storage slots: one pointer per thread and index, null until the
// thread writes it, and null again for every thread after a fresh TlsAlloc.

#include "WinTypes.h"

namespace win32 {

constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFF;

DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
// Clears the last error on success, so a null result with last error 0 means
// "nothing stored yet".
void* TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, void* value);

} // namespace win32
