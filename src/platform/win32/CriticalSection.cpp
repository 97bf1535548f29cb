#include "CriticalSection.h"

namespace win32 {

// The mutex is constructed with the structure; initialisation and deletion
// have nothing left to do but are kept so callers pair them as usual.
void InitializeCriticalSection(CRITICAL_SECTION*) {}

void DeleteCriticalSection(CRITICAL_SECTION*) {}

void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section)
{
    return section->mutex.try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }

} // namespace win32
