#include "Fpu.h"

namespace win32 {

void Set8087CW(WORD controlWord)
{
#if defined(__i386__) || defined(__x86_64__)
    __asm__ volatile("fldcw %0" : : "m"(controlWord));
#else
    (void)controlWord;
#endif
}

WORD Get8087CW()
{
#if defined(__i386__) || defined(__x86_64__)
    WORD controlWord = 0;
    __asm__ volatile("fnstcw %0" : "=m"(controlWord));
    return controlWord;
#else
    return 0;
#endif
}

} // namespace win32
