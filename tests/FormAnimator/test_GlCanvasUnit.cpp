// The canvas unit's functions and texts, and the parts of TGlCanvas that
// need no surface.

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/GlCanvas.h"
#include "FormAnimator/GlWindowedCanvas.h"
#include "FormAnimator/PBufferCanvas.h"

#include "GlTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace FormAnimator;
using namespace FormAnimator::testing;

TEST(ScanLineBytes, PadsRowsToWholeDoubleWords)
{
    struct Case {
        int32_t bits, bytes;
    };
    for (Case c : {Case{0, 0}, {24, 4}, {32, 4}, {33, 8}, {800 * 24, 2400}, {1 * 24, 4}, {3 * 24, 12},
                   {64, 8}, {65, 12}})
        EXPECT_EQ(ScanLineBytes(c.bits), c.bytes) << c.bits;
}

TEST(NextPowerOfTwo, RoundsUpAndRejectsWhatHasNone)
{
    struct Case {
        int32_t n, result;
    };
    for (Case c : {Case{1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8}, {800, 1024}, {4096, 4096}, {4097, 8192},
                   {1 << 30, 1 << 30}})
        EXPECT_EQ(NextPowerOfTwo(c.n), c.result) << c.n;
    for (int32_t bad : {0, -1, (1 << 30) + 1, INT32_MAX})
        ExpectAssertion([bad] { NextPowerOfTwo(bad); }, "Assertion failure");
}

TEST(Pages, AreZeroFilledAndReleasedOnce)
{
    void* memory = nullptr;
    AllocPages(memory, 3 * 4096 + 1);
    ASSERT_NE(memory, nullptr);
    auto* bytes = static_cast<unsigned char*>(memory);
    EXPECT_EQ(bytes[0] | bytes[3 * 4096], 0);
    bytes[3 * 4096] = 1;
    FreePages(memory);
    EXPECT_THROW(FreePages(memory), platform::EOSError);
    EXPECT_THROW(AllocPages(memory, 0), platform::EOSError);

    // A kept buffer is reused while it is large enough.
    TPageBuffer kept;
    void* first = kept.Reserve(100);
    static_cast<unsigned char*>(first)[99] = 7;
    EXPECT_EQ(kept.Reserve(100), first);
    EXPECT_EQ(static_cast<unsigned char*>(kept.Reserve(50))[99], 7);
    EXPECT_EQ(static_cast<unsigned char*>(kept.Reserve(1 << 20))[99], 0);
    kept.Free();
    EXPECT_EQ(kept.Data(), nullptr);
}

TEST(EGlError, NamesEveryKnownCodeAndShowsOthersInHex)
{
    struct Case {
        uint32_t code;
        const char* message;
    };
    for (Case c : {Case{0x0500, "Invalid enum value (GL_INVALID_ENUM)"},
                   {0x0501, "Value out of range (GL_INVALID_VALUE)"},
                   {0x0502, "Operation not allowed (GL_INVALID_OPERATION)"},
                   {0x0503, "Stack overflow (GL_STACK_OVERFLOW)"},
                   {0x0504, "Stack underflow (GL_STACK_UNDERFLOW)"},
                   {0x0505, "Out of memory (GL_OUT_OF_MEMORY)"},
                   {0x0506, "Unknown error ($506)"},
                   {0x8031, "Unknown error ($8031)"},
                   {0xABCDEF, "Unknown error ($ABCDEF)"}})
        EXPECT_EQ(EGlError::MessageFor(c.code), c.message);
}

namespace {

// A canvas with extension strings but no surface.
class TBareCanvas : public TGlCanvas {
public:
    TGlSurfaceKind GetSurfaceKind() override { return skWindow; }
};

} // namespace

TEST(TGlCanvas, ExtensionTestsArePlainSubstringTests)
{
    TBareCanvas canvas;
    canvas.GlExtensions = "gl_arb_multisample gl_ext_bgra";
    canvas.WglExtensions = "wgl_arb_pbuffer";
    EXPECT_TRUE(canvas.HasGlExtension("GL_ARB_multisample"));
    EXPECT_TRUE(canvas.HasGlExtension("ARB_MULTI")); // no token boundaries
    EXPECT_FALSE(canvas.HasWglExtension("GL_EXT_bgra"));
    EXPECT_TRUE(canvas.HasExtension("WGL_ARB_pbuffer"));
    EXPECT_TRUE(canvas.HasExtension("ext_bgra"));
    EXPECT_FALSE(canvas.HasExtension(""));
    EXPECT_FALSE(canvas.HasExtension("GL_ARB_texture_non_power_of_two"));
    canvas.GlExtensions = "wgl_arb_multisample";
    EXPECT_TRUE(canvas.HasExtension("ARB_multisample"));
}

TEST(TGlCanvas, StartsEmptyWithItsOwnFont)
{
    TBareCanvas canvas;
    EXPECT_EQ(canvas.Context, nullptr);
    EXPECT_EQ(canvas.DC, nullptr);
    EXPECT_EQ(canvas.LockCount, 0u);
    EXPECT_EQ(canvas.Font.Canvas(), &canvas);
    win32::PIXELFORMATDESCRIPTOR zero{};
    EXPECT_EQ(std::memcmp(&canvas.PixelFormatDescriptor, &zero, sizeof zero), 0);
    EXPECT_EQ(canvas.GetSwapMethod(), smUndefined);
    canvas.PixelFormatDescriptor.dwFlags = win32::PFD_SWAP_COPY;
    EXPECT_EQ(canvas.GetSwapMethod(), smCopy);
    canvas.PixelFormatDescriptor.dwFlags = win32::PFD_SWAP_COPY | win32::PFD_SWAP_EXCHANGE;
    EXPECT_EQ(canvas.GetSwapMethod(), smExchange);
    canvas.PixelFormatDescriptor.dwFlags = win32::PFD_DOUBLEBUFFER;
    EXPECT_TRUE(canvas.GetDoubleBuffered());
}

TEST(TGlCanvas, LockWithoutAContextFailsAndHoldsNothing)
{
    TBareCanvas canvas;
    ExpectAssertion([&] { canvas.Lock(); }, "Context not created");
    EXPECT_EQ(canvas.LockCount, 0u);
    bool entered = false;
    std::thread([&] {
        entered = canvas.CriticalSection.TryEnter();
        if (entered)
            canvas.CriticalSection.Leave();
    }).join();
    EXPECT_TRUE(entered);
}

TEST(TGlCanvas, UnlockOfAnUnlockedCanvasChangesNothing)
{
    TBareCanvas canvas;
    ExpectAssertion([&] { canvas.Unlock(); }, "Canvas not locked");
    EXPECT_EQ(canvas.LockCount, 0u);
}

TEST(TGlCanvas, MakePfdRefusesPbuffersAndLeavesTheDescriptorZero)
{
    TPBufferCanvas canvas;
    canvas.PixelFormatDescriptor.cColorBits = 32;
    ExpectAssertion([&] { canvas.MakePFD(nullptr); },
                    "Invalid use of MakePFD: cannot use standard method for PBuffer canvas");
    EXPECT_EQ(canvas.PixelFormatDescriptor.cColorBits, 0);
    EXPECT_EQ(canvas.PixelFormatDescriptor.nSize, 0);
}

TEST(TGlCanvas, OffscreenKindsReportTheirKindAndShareCanvas)
{
    TPBufferCanvas pbuffer;
    TDIBCanvas dib;
    EXPECT_EQ(pbuffer.GetSurfaceKind(), skPBuffer);
    EXPECT_EQ(dib.GetSurfaceKind(), skBitmap);
    EXPECT_EQ(pbuffer.GetShareCanvas(), static_cast<TGlCanvas*>(NullWindowedCanvas));
    EXPECT_EQ(dib.GetShareCanvas(), nullptr);
    pbuffer.ReleaseSurface(); // nothing to release: harmless
    dib.ReleaseSurface();
}
