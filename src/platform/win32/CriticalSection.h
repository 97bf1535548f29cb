#pragma once
// Classes: CRITICAL_SECTION.
//
// Critical sections: re-entrant mutexes. The owning thread may enter again and
// must leave as many times as it entered.

#include "WinTypes.h"

#include <mutex>

namespace win32 {

struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

} // namespace win32
