#include "VirtualMemory.h"

#include "LastError.h"

#include <sys/mman.h>

#include <map>
#include <mutex>

namespace win32 {

namespace {

std::mutex mappingsLock;
// Start address -> length of every live mapping; munmap needs the length and
// a release of an unknown address must fail rather than unmap at random.
std::map<void*, size_t>& Mappings()
{
    static std::map<void*, size_t> mappings;
    return mappings;
}

} // namespace

void* VirtualAlloc(void* address, size_t size, DWORD allocationType, DWORD protect)
{
    if (address != nullptr || size == 0 || allocationType != (MEM_COMMIT | MEM_RESERVE)
        || protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(mappingsLock);
    Mappings()[memory] = size;
    return memory;
}

BOOL VirtualFree(void* address, size_t size, DWORD freeType)
{
    if (freeType != MEM_RELEASE || size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size_t length;
    {
        std::lock_guard<std::mutex> guard(mappingsLock);
        auto it = Mappings().find(address);
        if (it == Mappings().end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        length = it->second;
        Mappings().erase(it);
    }
    munmap(address, length);
    return TRUE;
}

} // namespace win32
