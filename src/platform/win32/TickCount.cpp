#include "TickCount.h"

#include <chrono>

namespace win32 {

namespace {
TickSource g_source = nullptr;
void* g_context = nullptr;
} // namespace

DWORD GetTickCount()
{
    if (g_source)
        return g_source(g_context);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SetTickSource(TickSource source, void* context)
{
    g_source = source;
    g_context = context;
}

} // namespace win32
