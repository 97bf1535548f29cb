#include "FormAnimator/TLS.h"

#include "platform/OSError.h"
#include "platform/win32/Tls.h"

#include <gtest/gtest.h>

#include <thread>

using namespace FormAnimator;

namespace {

// Counts its own destruction, to show the store never frees what it holds.
struct TTracked : TObject {
    explicit TTracked(int* Destroyed) : FDestroyed(Destroyed) {}
    ~TTracked() override { ++*FDestroyed; }
    int* FDestroyed;
};

} // namespace

TEST(TTLSObject, FreshThreadsReadNullWithoutError)
{
    TTLSObject store;
    EXPECT_EQ(store.GetValue(), nullptr);
    std::thread([&] { EXPECT_EQ(store.GetValue(), nullptr); }).join();
}

TEST(TTLSObject, ValueSetOnOneThreadIsNotSeenByAnother)
{
    TTLSObject store;
    int destroyed = 0;
    TTracked mine(&destroyed), theirs(&destroyed);
    store.SetValue(&mine);
    std::thread([&] {
        EXPECT_EQ(store.GetValue(), nullptr);
        store.SetValue(&theirs);
        EXPECT_EQ(store.GetValue(), &theirs);
    }).join();
    EXPECT_EQ(store.GetValue(), &mine);
}

TEST(TTLSObject, DestroyingTheStoreLeavesStoredObjectsAlone)
{
    int destroyed = 0;
    auto* value = new TTracked(&destroyed);
    {
        TTLSObject store;
        store.SetValue(value);
    }
    EXPECT_EQ(destroyed, 0);
    delete value;
    EXPECT_EQ(destroyed, 1);
}

TEST(TTLSObject, EachStoreHasItsOwnIndex)
{
    TTLSObject a, b;
    EXPECT_NE(a.TlsIndex, b.TlsIndex);
    int destroyed = 0;
    TTracked value(&destroyed);
    a.SetValue(&value);
    EXPECT_EQ(b.GetValue(), nullptr);
}

TEST(TTLSObject, AFailedReadRaisesTheSystemMessageAlone)
{
    TTLSObject store;
    // Free the index behind the store's back: the next read fails.
    win32::TlsFree(store.TlsIndex);
    try {
        store.GetValue();
        FAIL() << "no error";
    } catch (const platform::EOSError& e) {
        EXPECT_EQ(std::string(e.what()), platform::SysErrorMessage(e.ErrorCode()));
    }
    EXPECT_THROW(store.SetValue(nullptr), platform::EOSError);
    // Give the store an index again so that its destructor succeeds.
    EXPECT_EQ(win32::TlsAlloc(), store.TlsIndex);
}
