#include "platform/OSError.h"
#include "platform/win32/CriticalSection.h"
#include "platform/win32/LastError.h"
#include "platform/win32/TickCount.h"
#include "platform/win32/Tls.h"
#include "platform/win32/VirtualMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace win32;

TEST(Tls, FreshIndexReadsNullOnEveryThreadAndClearsLastError)
{
    DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    SetLastError(ERROR_BUSY);
    EXPECT_EQ(TlsGetValue(index), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    std::thread([&] { EXPECT_EQ(TlsGetValue(index), nullptr); }).join();
    EXPECT_TRUE(TlsFree(index));
}

TEST(Tls, ValuesArePerThread)
{
    DWORD index = TlsAlloc();
    int mine = 1, theirs = 2;
    ASSERT_TRUE(TlsSetValue(index, &mine));
    std::thread([&] {
        EXPECT_EQ(TlsGetValue(index), nullptr);
        EXPECT_TRUE(TlsSetValue(index, &theirs));
        EXPECT_EQ(TlsGetValue(index), &theirs);
    }).join();
    EXPECT_EQ(TlsGetValue(index), &mine);
    TlsFree(index);
}

TEST(Tls, ReallocatedIndexForgetsOldValues)
{
    DWORD index = TlsAlloc();
    int value = 7;
    TlsSetValue(index, &value);
    TlsFree(index);
    DWORD again = TlsAlloc();
    EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);
}

TEST(Tls, FreedOrInventedIndexesAreRefused)
{
    DWORD index = TlsAlloc();
    TlsFree(index);
    for (DWORD bad : {index, DWORD{5000}, TLS_OUT_OF_INDEXES}) {
        SetLastError(0);
        EXPECT_EQ(TlsGetValue(bad), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(TlsSetValue(bad, nullptr));
        EXPECT_FALSE(TlsFree(bad));
    }
}

TEST(LastError, IsPerThreadAndRaisedAsTheOsError)
{
    SetLastError(ERROR_BUSY);
    std::thread([] { EXPECT_EQ(GetLastError(), ERROR_SUCCESS); }).join();
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    try {
        RaiseLastOSError();
        FAIL();
    } catch (const platform::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), int(ERROR_BUSY));
        EXPECT_EQ(std::string(e.what()).rfind("System Error.  Code: ", 0), 0u);
    }
    SetLastError(0);
    EXPECT_THROW(
        try { RaiseLastOSError(); } catch (const platform::EOSError& e) {
            EXPECT_STREQ(e.what(), "A call to an OS function failed");
            throw;
        },
        platform::EOSError);
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::atomic<bool> tried{false};
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EXPECT_FALSE(TryEnterCriticalSection(&cs));
        tried = true;
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    // Still held once: the other thread must not get in, however it is scheduled.
    LeaveCriticalSection(&cs);
    while (!tried)
        std::this_thread::yield();
    std::this_thread::yield();
    EXPECT_FALSE(entered);
    LeaveCriticalSection(&cs);
    other.join();
    EXPECT_TRUE(entered);
    DeleteCriticalSection(&cs);
}

TEST(VirtualMemory, PagesAreZeroFilledWritableAndReleasedOnce)
{
    void* memory = VirtualAlloc(nullptr, 10000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % 4096, 0u);
    auto* bytes = static_cast<unsigned char*>(memory);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(bytes[i], 0);
    std::memset(bytes, 0xAB, 10000);
    EXPECT_TRUE(VirtualFree(memory, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(memory, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(VirtualMemory, UnsupportedRequestsFail)
{
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE), nullptr);
    int local = 0;
    EXPECT_EQ(VirtualAlloc(&local, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE), nullptr);
    void* memory = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    EXPECT_FALSE(VirtualFree(memory, 4096, MEM_RELEASE));
    EXPECT_TRUE(VirtualFree(memory, 0, MEM_RELEASE));
}

TEST(TickCount, FollowsAReplacedSourceAndWrapsAt32Bits)
{
    DWORD now = 0xFFFFFFF0u;
    SetTickSource([](void* c) { return *static_cast<DWORD*>(c); }, &now);
    const DWORD start = GetTickCount();
    now += 0x20; // wraps
    EXPECT_EQ(GetTickCount() - start, 0x20u);
    SetTickSource(nullptr);
    const DWORD a = GetTickCount();
    EXPECT_LE(GetTickCount() - a, 1000u);
}
