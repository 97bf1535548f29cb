#include "GlCanvas.h"

#include "ArbPixelFormat.h"
#include "DIBCanvas.h"
#include "GlWindowedCanvas.h"

#include "platform/OSError.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/LastError.h"
#include "platform/win32/PixelFormat.h"
#include "platform/win32/VirtualMemory.h"
#include "platform/win32/Wgl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace FormAnimator {

using namespace win32;

TGlWindowedCanvasManager* GlCanvasManager = nullptr;
TNullWindowedCanvas* NullWindowedCanvas = nullptr;
TObjectList* NullDIBCanvases = nullptr;

namespace {

// An empty name is never found.
bool Contains(const std::string& haystack, const std::string& name)
{
    return !name.empty() && haystack.find(LowerCase(name)) != std::string::npos;
}

TGlWindowedCanvasManager* Manager()
{
    if (!GlCanvasManager)
        throw EGlError("OpenGL is not available: the OpenGL surfaces were not initialised");
    return GlCanvasManager;
}

} // namespace

// --- TGlCanvas -------------------------------------------------------------

TGlCanvas::TGlCanvas() = default;

TGlCanvas::~TGlCanvas() = default;

uint8_t TGlCanvas::GetAlphaBits() { return PixelFormatDescriptor.cAlphaBits; }
uint8_t TGlCanvas::GetColorBits() { return PixelFormatDescriptor.cColorBits; }
uint8_t TGlCanvas::GetDepthBits() { return PixelFormatDescriptor.cDepthBits; }
bool TGlCanvas::GetDoubleBuffered() { return (PixelFormatDescriptor.dwFlags & PFD_DOUBLEBUFFER) != 0; }
uint8_t TGlCanvas::GetStencilBits() { return PixelFormatDescriptor.cStencilBits; }

TGlSwapMethod TGlCanvas::GetSwapMethod()
{
    if (PixelFormatDescriptor.dwFlags & PFD_SWAP_EXCHANGE)
        return smExchange;
    if (PixelFormatDescriptor.dwFlags & PFD_SWAP_COPY)
        return smCopy;
    return smUndefined;
}

void TGlCanvas::ShareLists(TGlPixelFormat*)
{
    if (NullWindowedCanvas && !wglShareLists(NullWindowedCanvas->ShareContext, Context))
        RaiseLastOSError();
}

void TGlCanvas::MakeCurrent()
{
    if (!wglMakeCurrent(DC, Context))
        RaiseLastOSError();
}

void TGlCanvas::ReleaseCurrent()
{
    // The pending error is read first but raised only once the context is
    // released, so that a GL error never leaves it current on this thread
    // after the lock is gone.
    GLenum error = glGetError();
    glFlush();
    const bool outermost = LockCount == 1;
    if (outermost && GetDoubleBuffered() && !SwapBuffers(DC))
        RaiseLastOSError();
    if (outermost)
        glFinish();
    if (!wglMakeCurrent(DC, nullptr))
        RaiseLastOSError();
    if (error != GL_NO_ERROR)
        throw EGlError::FromCode(error);
}

void TGlCanvas::CreateContext(TGlPixelFormat* PixelFormat)
{
    QUISTELOR_ASSERT(Context == nullptr, "Context already created", GlCanvasUnit);
    Context = wglCreateContext(DC);
    if (!Context)
        RaiseLastOSError();
    ShareLists(PixelFormat);
    WithLock(this, [this] {
        const GLubyte* extensions = glGetString(GL_EXTENSIONS);
        GlExtensions = LowerCase(extensions ? reinterpret_cast<const char*>(extensions) : "");
        LoadExtension("", {"wglGetExtensionsStringARB"}, {wglGetExtensionsStringARB});
        if (wglGetExtensionsStringARB) {
            const char* wgl = wglGetExtensionsStringARB(DC);
            WglExtensions = LowerCase(wgl ? wgl : "");
        }
        NonPowerOfTwoTextures = HasExtension("GL_ARB_texture_non_power_of_two");
    });
}

void TGlCanvas::ReleaseSurface()
{
    TCriticalSectionGuard guard(CriticalSection);
    HGLRC context = Context;
    Context = nullptr;
    if (context && !wglDeleteContext(context))
        RaiseLastOSError();
}

TGlCanvas* TGlCanvas::GetShareCanvas() { return NullWindowedCanvas; }

void TGlCanvas::CreateSurface(int32_t, int32_t, TGlPixelFormat*)
{
    QUISTELOR_ASSERT(false, "Invalid use of CreateSurface: the canvas has no offscreen surface", GlCanvasUnit);
}

void TGlCanvas::Lock()
{
    CriticalSection.Enter();
    if (!Context) {
        // Nobody locks a canvas without a surface; leaving the section again
        // keeps other threads from blocking on it for good.
        CriticalSection.Leave();
        QUISTELOR_ASSERT(false, "Context not created", GlCanvasUnit);
    }
    ++LockCount;
    try {
        Manager()->PushCurrent(this);
    } catch (...) {
        // A lock that could not be taken counts nothing and holds nothing.
        --LockCount;
        CriticalSection.Leave();
        throw;
    }
}

void TGlCanvas::Unlock()
{
    QUISTELOR_ASSERT(LockCount > 0, "Canvas not locked", GlCanvasUnit);
    try {
        Manager()->PopCurrent(this);
    } catch (...) {
        --LockCount;
        CriticalSection.Leave();
        throw;
    }
    --LockCount;
    CriticalSection.Leave();
}

void TGlCanvas::MakePFD(TGlPixelFormat* PixelFormat)
{
    PIXELFORMATDESCRIPTOR& pfd = PixelFormatDescriptor;
    try {
        pfd = PIXELFORMATDESCRIPTOR{};
        pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_SUPPORT_OPENGL;
        switch (GetSurfaceKind()) {
        case skWindow:
            pfd.dwFlags |= PFD_DRAW_TO_WINDOW;
            break;
        case skBitmap:
            pfd.dwFlags |= PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
            break;
        case skPBuffer:
            QUISTELOR_ASSERT(false, "Invalid use of MakePFD: cannot use standard method for PBuffer canvas",
                             GlCanvasUnit);
        }
        pfd.iPixelType = PFD_TYPE_RGBA;
        if (PixelFormat) {
            if (PixelFormat->DoubleBuffered())
                pfd.dwFlags |= PFD_DOUBLEBUFFER;
            if (PixelFormat->DesiredDepthBits() == 0)
                pfd.dwFlags |= PFD_DEPTH_DONTCARE;
            if (PixelFormat->DesiredSwapMethod() == smCopy)
                pfd.dwFlags |= PFD_SWAP_COPY;
            else if (PixelFormat->DesiredSwapMethod() == smExchange)
                pfd.dwFlags |= PFD_SWAP_EXCHANGE;
        }
        pfd.cColorBits = static_cast<BYTE>(GetDeviceCaps(DC, BITSPIXEL));
        if (PixelFormat) {
            pfd.cDepthBits = PixelFormat->DesiredDepthBits();
            pfd.cAlphaBits = PixelFormat->DesiredAlphaBits();
            pfd.cStencilBits = PixelFormat->DesiredStencilBits();
        }
        int index = 0;
        if (NullWindowedCanvas && NullWindowedCanvas->HasArbPixelFormat)
            index = SelectArbPixelFormat(PixelFormat, GetSurfaceKind(), nullptr);
        if (index < 1)
            index = ChoosePixelFormat(DC, &pfd);
        if (index < 1)
            RaiseLastOSError();
        if (!SetPixelFormat(DC, index, &pfd))
            RaiseLastOSError();
        if (DescribePixelFormat(DC, index, sizeof(PIXELFORMATDESCRIPTOR), &pfd) == 0)
            RaiseLastOSError();
    } catch (...) {
        pfd = PIXELFORMATDESCRIPTOR{};
        throw;
    }
}

bool TGlCanvas::LoadExtension(const std::string& ExtensionName, const std::vector<std::string>& Names,
                              const std::vector<TEntryPoint>& EntryPoints)
{
    bool result = false;
    WithLock(this, [&] {
        QUISTELOR_ASSERT(Names.size() == EntryPoints.size(), "Dimensions mismatch", GlCanvasUnit);
        result = ExtensionName.empty() || HasExtension(ExtensionName);
        for (size_t i = 0; i < Names.size(); ++i)
            EntryPoints[i].Store(wglGetProcAddress(Names[i].c_str()));
    });
    return result;
}

bool TGlCanvas::HasExtension(const std::string& Name) const { return HasGlExtension(Name) || HasWglExtension(Name); }
bool TGlCanvas::HasGlExtension(const std::string& Name) const { return Contains(GlExtensions, Name); }
bool TGlCanvas::HasWglExtension(const std::string& Name) const { return Contains(WglExtensions, Name); }

void TGlCanvas::SetupOrtho(const TRect& Rect, int32_t TargetHeight, const TRect* ClipRect)
{
    glViewport(Rect.Left, TargetHeight - Rect.Bottom, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top);
    if (ClipRect) {
        int32_t x = ClipRect->Left;
        int32_t y = TargetHeight - ClipRect->Bottom;
        int32_t w = ClipRect->Right - ClipRect->Left;
        int32_t h = ClipRect->Bottom - ClipRect->Top;
        if (ScissorHook) {
            ScissorHook(x, y, w, h);
        } else {
            glScissor(x, y, w, h);
            glEnable(GL_SCISSOR_TEST);
        }
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(Rect.Left, Rect.Right, Rect.Bottom, Rect.Top);
}

void TGlCanvas::SetupOrtho2D(int32_t Width, int32_t Height)
{
    SetupOrtho(TRect{0, 0, Width, Height}, Height, nullptr);
}

// --- TGlWindowedCanvasManager ----------------------------------------------

TGlWindowedCanvasManager::TGlWindowedCanvasManager() = default;

TGlWindowedCanvasManager::~TGlWindowedCanvasManager()
{
    bool stillLocked = false;
    for (const auto& stack : FStacks)
        if (stack->Count() > 0)
            stillLocked = true;
    if (stillLocked && CanRaise())
        QUISTELOR_ASSERT(false, "Canvas not unlocked", GlCanvasUnit);
}

void TGlWindowedCanvasManager::PushCurrent(TGlCanvas* Canvas)
{
    auto* stack = static_cast<TObjectStack*>(GetValue());
    if (!stack) {
        auto owned = std::make_unique<TObjectStack>();
        SetValue(owned.get());
        stack = owned.get();
        TCriticalSectionGuard guard(FLock);
        FStacks.push_back(std::move(owned));
    }
    if (stack->Count() == 0 || stack->Peek() != Canvas)
        Canvas->MakeCurrent();
    stack->Push(Canvas);
}

void TGlWindowedCanvasManager::PopCurrent(TGlCanvas* Canvas)
{
    auto* stack = static_cast<TObjectStack*>(GetValue());
    QUISTELOR_ASSERT(stack != nullptr, "Attempt to unlock non-locked canvas", GlCanvasUnit);
    QUISTELOR_ASSERT(stack->Pop() == Canvas, "Attempt to unlock non-locked canvas", GlCanvasUnit);
    if (stack->Count() == 0) {
        Canvas->ReleaseCurrent();
        return;
    }
    auto* previous = static_cast<TGlCanvas*>(stack->Peek());
    if (previous == Canvas)
        return;
    // The canvas locked before becomes current again, also when releasing
    // this one reported an error. A failure to restore it is not reported.
    try {
        Canvas->ReleaseCurrent();
    } catch (...) {
        wglMakeCurrent(previous->DC, previous->Context);
        throw;
    }
    wglMakeCurrent(previous->DC, previous->Context);
}

// --- Unit functions ----------------------------------------------------------

int32_t ScanLineBytes(int32_t Bits)
{
    if (Bits % 32 == 0)
        return Bits / 8;
    return (Bits / 32 + 1) * 4;
}

int32_t NextPowerOfTwo(int32_t N)
{
    // Above 2^30 the next power of two does not fit in 32 signed bits.
    QUISTELOR_ASSERT(N > 0 && N <= (1 << 30), "Assertion failure", GlCanvasUnit);
    int32_t result = 1;
    while (result < N)
        result <<= 1;
    return result;
}

void AllocPages(void*& Memory, size_t Size)
{
    Memory = VirtualAlloc(nullptr, Size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!Memory)
        RaiseLastOSError();
}

void FreePages(void* Memory)
{
    if (!VirtualFree(Memory, 0, MEM_RELEASE))
        RaiseLastOSError();
}

BITMAPINFO DIBInfo(int32_t Width, int32_t Height, uint16_t BitCount)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = BitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

TPageBuffer::~TPageBuffer() noexcept(false) { RaiseIfCan(Attempt([this] { Free(); })); }

void* TPageBuffer::Reserve(size_t Size)
{
    if (Size > FSize || !FMemory) {
        Free();
        AllocPages(FMemory, Size);
        FSize = Size;
    }
    return FMemory;
}

void TPageBuffer::Free()
{
    void* memory = FMemory;
    FMemory = nullptr;
    FSize = 0;
    if (memory)
        FreePages(memory);
}

// --- Globals -----------------------------------------------------------------

void GlCanvasInitialization()
{
    if (GlCanvasManager)
        return;
    GlCanvasManager = new TGlWindowedCanvasManager;
    try {
        NullWindowedCanvas = new TNullWindowedCanvas;
        NullDIBCanvases = new TObjectList(true);
    } catch (...) {
        FreeAndNil(NullWindowedCanvas);
        FreeAndNil(GlCanvasManager);
        throw;
    }
}

void GlCanvasFinalization()
{
    // Every global is freed even when one of them reports a problem; the
    // first problem leaves.
    const std::exception_ptr failures[] = {Attempt([] { FreeAndNil(NullDIBCanvases); }),
                                           Attempt([] { FreeAndNil(NullWindowedCanvas); }),
                                           Attempt([] { FreeAndNil(GlCanvasManager); })};
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

} // namespace FormAnimator
