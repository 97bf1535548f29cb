#pragma once
// Page-granular, zero-filled memory for pixel transfers.

#include "WinTypes.h"

#include <cstddef>

namespace win32 {

constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD MEM_RESERVE = 0x00002000;
constexpr DWORD MEM_RELEASE = 0x00008000;
constexpr DWORD PAGE_READWRITE = 0x04;

// Only a fresh read-write mapping (no address, commit and reserve) is offered.
void* VirtualAlloc(void* address, size_t size, DWORD allocationType, DWORD protect);
// Only MEM_RELEASE of a whole mapping, with size 0.
BOOL VirtualFree(void* address, size_t size, DWORD freeType);

} // namespace win32
