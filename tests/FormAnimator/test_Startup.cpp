// The library's start-up and shutdown on a machine where OpenGL works.

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GlCanvas.h"
#include "FormAnimator/GlFont.h"
#include "FormAnimator/GLFormAnimator.h"
#include "FormAnimator/GlBitmap.h"
#include "FormAnimator/GlWindowedCanvas.h"
#include "FormAnimator/PBufferCanvas.h"

#include "platform/win32/Fpu.h"
#include "platform/win32/Wgl.h"
#include "platform/win32/WglExtensions.h"

#include <gtest/gtest.h>

using namespace FormAnimator;

namespace {

bool Start()
{
    return FormAnimatorStartup();
}

} // namespace

TEST(FormAnimatorStartup, CreatesTheGlobalsAndShutdownFreesThemAll)
{
    EXPECT_EQ(GlCanvasManager, nullptr);
    if (!Start())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    EXPECT_TRUE(FormAnimatorStartupError().empty());
    EXPECT_TRUE(OpenGlAvailable());
    EXPECT_NE(GlFontManager, nullptr);
    EXPECT_NE(GlCanvasManager, nullptr);
    ASSERT_NE(NullWindowedCanvas, nullptr);
    ASSERT_NE(NullDIBCanvases, nullptr);
    EXPECT_EQ(NullDIBCanvases->Count(), 0);
    // Rounding to nearest, 64-bit precision, every exception masked.
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(win32::Get8087CW() & 0x0F3F, 0x033F);
#endif
    EXPECT_TRUE(FormAnimatorStartup()); // a second call keeps what exists
    FormAnimatorShutdown();
    EXPECT_TRUE(FormAnimatorStartupError().empty()) << FormAnimatorStartupError();
    EXPECT_FALSE(OpenGlAvailable());
    EXPECT_EQ(GlFontManager, nullptr);
    EXPECT_EQ(GlCanvasManager, nullptr);
    EXPECT_EQ(NullWindowedCanvas, nullptr);
    EXPECT_EQ(NullDIBCanvases, nullptr);
}

TEST(FormAnimatorStartup, CanStartAgainAfterShutdown)
{
    if (!Start())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    FormAnimatorShutdown();
    ASSERT_TRUE(Start()) << FormAnimatorStartupError(); // the hidden window class was unregistered
    FormAnimatorShutdown();
}

TEST(FormAnimatorStartup, ShutdownFreesTheHiddenDibCanvases)
{
    if (!Start())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    auto* canvas = new TDIBCanvas;
    canvas->CreateSurface(2, 2, nullptr);
    EXPECT_EQ(NullDIBCanvases->Count(), 1);
    canvas->ReleaseSurface();
    delete canvas;
    FormAnimatorShutdown();
    EXPECT_TRUE(FormAnimatorStartupError().empty()) << FormAnimatorStartupError();
    EXPECT_EQ(win32::wglGetCurrentContext(), nullptr);
}

TEST(FormAnimatorStartup, ALockLeftAtShutdownIsReportedNotFatal)
{
    if (!Start())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    auto* canvas = new TPBufferCanvas;
    canvas->CreateSurface(2, 2, nullptr);
    canvas->Lock();
    FormAnimatorShutdown();
    EXPECT_NE(FormAnimatorStartupError().find("Canvas not unlocked"), std::string::npos)
        << FormAnimatorStartupError();
    EXPECT_EQ(GlCanvasManager, nullptr);
    EXPECT_EQ(NullWindowedCanvas, nullptr);
    // Clean up behind the canvas, whose globals are gone.
    win32::wglMakeCurrent(nullptr, nullptr);
    win32::wglDeleteContext(canvas->Context);
    auto destroy = reinterpret_cast<win32::PFNWGLDESTROYPBUFFERARBPROC>(win32::wglGetProcAddress("wglDestroyPbufferARB"));
    EXPECT_TRUE(destroy(canvas->PBuffer));
    delete canvas;
}

TEST(FormAnimatorStartup, OnItsOwnThreadItPreparesTheEntranceThatChoosingTheStyleTakes)
{
    win32::Set8087CW(0x037F);
    FormAnimatorStartupBegin(64, 48);
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(win32::Get8087CW() & 0x0F3F, 0x033F) << "set on the calling thread too";
#endif
    if (!FormAnimatorStartupWait())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    EXPECT_TRUE(OpenGlAvailable());
    EXPECT_EQ(win32::wglGetCurrentContext(), nullptr);
    {
        const auto prepared = ClassOf<TGLFormAnimator>()->Create();
        const auto* gl = dynamic_cast<const TGLFormAnimator*>(prepared.get());
        ASSERT_NE(gl, nullptr);
        EXPECT_EQ(gl->RenderBitmap->Width, 64) << "the animator made on the other thread";
        // This thread can lock what the other one made and left.
        WithLock(gl->RenderBitmap->Canvas, [] {});
        EXPECT_EQ(TGLFormAnimator::TakePrepared(), nullptr) << "taken once";
    }
    FormAnimatorShutdown();
    EXPECT_TRUE(FormAnimatorStartupError().empty()) << FormAnimatorStartupError();
}
