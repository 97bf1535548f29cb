#include "Module.h"

#include "LastError.h"

namespace win32 {

namespace {
char programModule;
}

HMODULE GetModuleHandleA(const char* moduleName)
{
    if (moduleName) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&programModule);
}

} // namespace win32
