// The lock protocol on real pbuffer canvases: nesting on one canvas, nesting
// across canvases and threads, and GL errors surfacing at the unlock.

#include "FormAnimator/GlWindowedCanvas.h"

#include "GlTestSupport.h"

#include "platform/win32/Wgl.h"
#include "platform/win32/Window.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace FormAnimator;
using namespace FormAnimator::testing;
using win32::wglGetCurrentContext;

class Locks : public GlSuite {
protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (IsSkipped())
            return;
        A = NewPBufferCanvas<TCountingPBufferCanvas>();
        B = NewPBufferCanvas<TCountingPBufferCanvas>();
        A->Made = B->Made = 0;
        A->ReleasedAt.clear();
        B->ReleasedAt.clear();
    }
    void TearDown() override
    {
        FreeCanvas(A);
        FreeCanvas(B);
    }
    TCountingPBufferCanvas* A = nullptr;
    TCountingPBufferCanvas* B = nullptr;
};

TEST_F(Locks, NestedLocksOfOneCanvasMakeCurrentAndReleaseOnce)
{
    A->Lock();
    A->Lock();
    EXPECT_EQ(A->LockCount, 2u);
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    A->Unlock();
    EXPECT_TRUE(A->ReleasedAt.empty());
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    A->Unlock();
    EXPECT_EQ(A->Made, 1);
    EXPECT_EQ(A->ReleasedAt, std::vector<uint32_t>{1}); // outermost: flush, finish
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(A->LockCount, 0u);
}

TEST_F(Locks, LockingAnotherCanvasSwitchesAndUnlockingSwitchesBack)
{
    A->Lock();
    B->Lock();
    EXPECT_EQ(wglGetCurrentContext(), B->Context);
    B->Unlock();
    EXPECT_EQ(B->ReleasedAt, std::vector<uint32_t>{1});
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    EXPECT_TRUE(A->ReleasedAt.empty());
    A->Unlock();
    EXPECT_EQ(A->ReleasedAt, std::vector<uint32_t>{1});
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Locks, RelockingACanvasBelowAnotherReleasesItAtItsInnerLevel)
{
    A->Lock();
    B->Lock();
    A->Lock(); // A again, above B
    EXPECT_EQ(A->Made, 2);
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    A->Unlock(); // back to B; A released without finishing (count 2)
    EXPECT_EQ(A->ReleasedAt, std::vector<uint32_t>{2});
    EXPECT_EQ(wglGetCurrentContext(), B->Context);
    B->Unlock();
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    A->Unlock();
    EXPECT_EQ(A->ReleasedAt, (std::vector<uint32_t>{2, 1}));
}

TEST_F(Locks, UnlockingOutOfOrderIsAnAssertionThatStillPops)
{
    A->Lock();
    B->Lock();
    ExpectAssertion([&] { A->Unlock(); }, "Attempt to unlock non-locked canvas");
    EXPECT_EQ(A->LockCount, 0u);
    // B was popped by the failed unlock, so unlocking it now pops A instead.
    ExpectAssertion([&] { B->Unlock(); }, "Attempt to unlock non-locked canvas");
    EXPECT_EQ(B->LockCount, 0u);
    win32::wglMakeCurrent(nullptr, nullptr);
}

TEST_F(Locks, UnlockOnAThreadThatNeverLockedIsAnAssertion)
{
    A->Lock();
    // Another thread cannot even take the lock; give it one it can fail on.
    std::thread([&] {
        try {
            GlCanvasManager->PopCurrent(B);
            ADD_FAILURE() << "no assertion";
        } catch (const platform::EAssertionFailed& e) {
            EXPECT_NE(std::string(e.what()).find("Attempt to unlock non-locked canvas"), std::string::npos);
        }
    }).join();
    A->Unlock();
}

TEST_F(Locks, AnotherThreadWaitsForTheOutermostUnlock)
{
    A->Lock();
    A->Lock();
    std::atomic<bool> locked{false};
    std::atomic<bool> wasCurrentThere{false};
    std::thread other([&] {
        A->Lock();
        locked = true;
        wasCurrentThere = wglGetCurrentContext() == A->Context;
        A->Unlock();
    });
    A->Unlock();
    std::this_thread::yield();
    EXPECT_FALSE(locked);
    A->Unlock();
    other.join();
    EXPECT_TRUE(locked);
    EXPECT_TRUE(wasCurrentThere);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Locks, TwoThreadsNestTwoCanvasesIndependently)
{
    // Thread 1 holds A then B; thread 2 holds B's turn later and A meanwhile
    // is only reachable after thread 1 lets go.
    A->Lock();
    std::atomic<int> step{0};
    std::thread other([&] {
        TPBufferCanvas* own = NewPBufferCanvas();
        own->Lock();
        EXPECT_EQ(wglGetCurrentContext(), own->Context);
        step = 1;
        A->Lock(); // waits until the main thread is done with A
        EXPECT_EQ(wglGetCurrentContext(), A->Context);
        A->Unlock();
        EXPECT_EQ(wglGetCurrentContext(), own->Context);
        own->Unlock();
        FreeCanvas(own);
        step = 2;
    });
    while (step.load() == 0)
        std::this_thread::yield();
    B->Lock();
    EXPECT_EQ(wglGetCurrentContext(), B->Context);
    B->Unlock();
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    EXPECT_EQ(step.load(), 1);
    A->Unlock();
    other.join();
    EXPECT_EQ(step.load(), 2);
}

TEST_F(Locks, GlErrorsSurfaceAtTheOutermostUnlockWithTheirText)
{
    A->Lock();
    A->Lock();
    glEnd(); // no glBegin: GL_INVALID_OPERATION
    A->Unlock();
    ExpectGlError([&] { A->Unlock(); }, "Operation not allowed (GL_INVALID_OPERATION)");
    EXPECT_EQ(A->LockCount, 0u);
    // The lock and the context are given up despite the error.
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    std::thread([&] {
        A->Lock();
        glEnable(0x7FFF);
        ExpectGlError([&] { A->Unlock(); }, "Invalid enum value (GL_INVALID_ENUM)");
    }).join();
    A->Lock();
    A->Unlock(); // the error was reported once only
}

TEST_F(Locks, WithLockLetsTheUnlocksErrorLeaveWhenTheBodyFailedToo)
{
    ExpectGlError(
        [&] {
            WithLock(A, [] {
                glEnd();
                throw std::runtime_error("body");
            });
        },
        "Operation not allowed (GL_INVALID_OPERATION)");
    EXPECT_EQ(A->LockCount, 0u);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Locks, AnUnnamedGlErrorIsShownInHex)
{
    A->Lock();
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glClear(GL_COLOR_BUFFER_BIT); // incomplete framebuffer: 0x0506
    ExpectGlError([&] { A->Unlock(); }, "Unknown error ($506)");
    A->Lock();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    A->Unlock();
}

TEST_F(Locks, AnErrorOfAnInnerCanvasStillRestoresTheOuterOne)
{
    A->Lock();
    B->Lock();
    glEnd();
    ExpectGlError([&] { B->Unlock(); }, "Operation not allowed (GL_INVALID_OPERATION)");
    EXPECT_EQ(wglGetCurrentContext(), A->Context);
    A->Unlock();
}

TEST_F(Locks, LoadExtensionChecksItsListsAndAlwaysUnlocks)
{
    win32::PROC first = nullptr, second = nullptr;
    ExpectAssertion([&] { A->LoadExtension("", {"glClear", "glFlush"}, {first}); }, "Dimensions mismatch");
    EXPECT_EQ(A->LockCount, 0u);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(A->LoadExtension("", {"glClear", "wglNoSuchThing"}, {first, second}));
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(A->LoadExtension("GL_NO_such_extension", {"glFlush"}, {first}));
    EXPECT_NE(first, nullptr); // stored whatever the result
}

TEST_F(Locks, ContextsReadTheirExtensionStringsOnce)
{
    EXPECT_FALSE(A->GlExtensions.empty());
    EXPECT_EQ(A->GlExtensions.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
    EXPECT_NE(A->WglExtensions.find("wgl_arb_pbuffer"), std::string::npos);
    EXPECT_NE(A->wglGetExtensionsStringARB, nullptr);
    EXPECT_EQ(A->NonPowerOfTwoTextures, A->HasExtension("GL_ARB_texture_non_power_of_two"));
    ExpectAssertion([&] { A->CreateContext(nullptr); }, "Context already created");
}

TEST_F(Locks, SetupOrthoMapsWindowCoordinatesYDown)
{
    A->Lock();
    A->SetupOrtho2D(8, 8);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glRecti(0, 0, 8, 2); // the top two rows in window coordinates
    unsigned char top[4] = {}, bottom[4] = {};
    glReadPixels(0, 7, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, top);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, bottom);
    EXPECT_EQ(top[0], 255);
    EXPECT_EQ(bottom[0], 0);

    // A clip rectangle in window coordinates becomes a GL scissor box.
    win32::TRect clip{2, 1, 5, 3};
    A->SetupOrtho(win32::TRect{0, 0, 8, 8}, 8, &clip);
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 2);
    EXPECT_EQ(box[1], 5);
    EXPECT_EQ(box[2], 3);
    EXPECT_EQ(box[3], 2);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);

    static int hooked[4];
    A->ScissorHook = [](int32_t x, int32_t y, int32_t w, int32_t h) {
        hooked[0] = x, hooked[1] = y, hooked[2] = w, hooked[3] = h;
    };
    A->SetupOrtho(win32::TRect{0, 0, 8, 8}, 8, &clip);
    EXPECT_EQ(hooked[1], 5);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    A->Unlock();
}

namespace {

win32::LRESULT PassOn(win32::HWND w, win32::UINT m, win32::WPARAM wp, win32::LPARAM lp)
{
    return win32::DefWindowProcA(w, m, wp, lp);
}

} // namespace

TEST_F(Locks, AWindowCanvasCannotBeDestroyedWhileLocked)
{
    win32::WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PassOn;
    wc.lpszClassName = "locked window test";
    ASSERT_NE(win32::RegisterClassExA(&wc), 0);
    win32::HWND window = win32::CreateWindowExA(0, wc.lpszClassName, nullptr, 0, 0, 0, 1, 1, nullptr, nullptr,
                                                nullptr, nullptr);
    auto* canvas = new TGlWindowedCanvas;
    canvas->CreateForWindow(window, nullptr);
    EXPECT_EQ(canvas->GetSurfaceKind(), skWindow);
    EXPECT_NE(canvas->GetColorBits(), 0);
    canvas->Lock();
    canvas->Unlock();
    canvas->ReleaseWindow(window);
    EXPECT_EQ(canvas->DC, nullptr);
    EXPECT_EQ(canvas->GetColorBits(), 0);

    canvas->CreateForWindow(window, nullptr);
    canvas->Lock();
    canvas->Unlock();
    canvas->Lock();
    win32::HGLRC context = canvas->Context;
    ExpectAssertion([&] { delete canvas; }, "Canvas not unlocked");
    // Clean up behind the destroyed canvas.
    win32::wglMakeCurrent(nullptr, nullptr);
    win32::wglDeleteContext(context);
    win32::DestroyWindow(window);
    win32::UnregisterClassA(wc.lpszClassName, nullptr);
}
