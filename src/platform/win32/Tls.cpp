#include "Tls.h"

#include "LastError.h"

#include <pthread.h>

#include <atomic>
#include <climits>

namespace win32 {

namespace {

// pthread keys already give "null for every thread after creation"; the
// bitmap only tells which indexes are currently allocated, so that a freed
// or invented index is refused rather than read.
constexpr unsigned kMaxIndexes = PTHREAD_KEYS_MAX;
std::atomic<bool> allocated[kMaxIndexes];

bool IsAllocated(DWORD index)
{
    return index < kMaxIndexes && allocated[index].load(std::memory_order_acquire);
}

} // namespace

DWORD TlsAlloc()
{
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return TLS_OUT_OF_INDEXES;
    }
    if (key >= kMaxIndexes) {
        pthread_key_delete(key);
        SetLastError(ERROR_NO_MORE_ITEMS);
        return TLS_OUT_OF_INDEXES;
    }
    allocated[key].store(true, std::memory_order_release);
    return key;
}

BOOL TlsFree(DWORD index)
{
    if (!IsAllocated(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    allocated[index].store(false, std::memory_order_release);
    pthread_key_delete(index);
    return TRUE;
}

void* TlsGetValue(DWORD index)
{
    if (!IsAllocated(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return pthread_getspecific(index);
}

BOOL TlsSetValue(DWORD index, void* value)
{
    if (!IsAllocated(index) || pthread_setspecific(index, value) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

} // namespace win32
