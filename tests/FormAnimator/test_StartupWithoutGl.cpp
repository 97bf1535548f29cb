// The library on a machine where OpenGL cannot be started: no EGL vendor
// library is found, as on a system without Mesa's EGL.

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GLFormAnimator.h"
#include "FormAnimator/GlCanvas.h"
#include "FormAnimator/GlFont.h"
#include "FormAnimator/Graphics.h"
#include "FormAnimator/PBufferCanvas.h"

#include "platform/OSError.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace FormAnimator;

namespace {

// Before anything asks EGL for a display.
const bool noEglVendor = setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/quistelor-no-vendor.json", 1) == 0;

} // namespace

TEST(FormAnimatorWithoutOpenGl, StartupFailsQuietlyAndLeavesTheGlobalsUnset)
{
    ASSERT_TRUE(noEglVendor);
    EXPECT_FALSE(FormAnimatorStartup());
    EXPECT_FALSE(FormAnimatorStartupError().empty());
    EXPECT_FALSE(OpenGlAvailable());
    EXPECT_EQ(GlCanvasManager, nullptr);
    EXPECT_EQ(NullWindowedCanvas, nullptr);
    EXPECT_EQ(NullDIBCanvases, nullptr);
    // The GL bitmap's file format is known all the same.
    bool registered = false;
    for (const TPicture::TFileFormat& format : TPicture::FileFormats())
        registered |= format.Extension == ".glb";
    EXPECT_TRUE(registered);
    FormAnimatorShutdown();
    EXPECT_EQ(GlFontManager, nullptr);
    // Trying again fails the same way, without leftovers of the first try.
    EXPECT_FALSE(FormAnimatorStartup());
    FormAnimatorShutdown();
}

TEST(FormAnimatorWithoutOpenGl, OffscreenCanvasesFailWithAClearError)
{
    FormAnimatorStartup();
    TPBufferCanvas pbuffer;
    try {
        pbuffer.CreateSurface(64, 64, nullptr);
        ADD_FAILURE() << "a pbuffer without OpenGL";
    } catch (const EGlError& e) {
        EXPECT_STREQ(e.what(), TPBufferCanvas::NoPixelFormatMessage);
    }
    EXPECT_EQ(pbuffer.PBuffer, nullptr);
    TDIBCanvas dib;
    EXPECT_THROW(dib.CreateSurface(64, 64, nullptr), platform::EOSError);
    dib.ReleaseSurface();
    // So the OpenGL animator cannot be made, and the manager offers to drop its style.
    EXPECT_THROW(TGLFormAnimator(), platform::EOSError);
    FormAnimatorShutdown();
}
