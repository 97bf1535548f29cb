#pragma once
// Classes: TEntryPoint, TGlCanvas, TGlWindowedCanvasManager, TPageBuffer.
//
// The abstract OpenGL rendering surface: a device context with a pixel
// format, an OpenGL context created on it, a re-entrant lock, and a lock
// protocol that makes the context current on the calling thread for exactly
// the span of a lock. Locks nest per canvas and across canvases; the most
// recently locked canvas of a thread is the current one.

#include "Classes.h"
#include "Contnrs.h"
#include "GlError.h"
#include "GlFont.h"
#include "GlPixelFormat.h"
#include "SyncObjs.h"
#include "TLS.h"

#include "platform/win32/Rect.h"
#include "platform/win32/WglExtensions.h"
#include "platform/win32/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace FormAnimator {

inline constexpr const char* GlCanvasUnit = "FormAnimator/GlCanvas";

using TScissorHook = void (*)(int32_t X, int32_t Y, int32_t Width, int32_t Height);

// A place that receives a function address (an entry-point field).
class TEntryPoint {
public:
    template <class F>
    TEntryPoint(F*& Slot)
        : FStore([&Slot](win32::PROC Proc) { Slot = reinterpret_cast<F*>(Proc); })
    {
    }
    void Store(win32::PROC Proc) const { FStore(Proc); }

private:
    std::function<void(win32::PROC)> FStore;
};

class TGlCanvas : public TObject {
public:
    TGlCanvas();
    // Frees the lock and the font; does not release the surface (owners call
    // ReleaseSurface first).
    ~TGlCanvas() override;

    // Slots 0 to 12, in dispatch order.
    virtual uint8_t GetAlphaBits();
    virtual uint8_t GetColorBits();
    virtual uint8_t GetDepthBits();
    virtual bool GetDoubleBuffered();
    virtual uint8_t GetStencilBits();
    virtual TGlSwapMethod GetSwapMethod();
    virtual void ShareLists(TGlPixelFormat* PixelFormat);
    virtual void MakeCurrent();
    virtual void ReleaseCurrent();
    virtual void CreateContext(TGlPixelFormat* PixelFormat);
    virtual void ReleaseSurface();
    virtual TGlSurfaceKind GetSurfaceKind() = 0;
    virtual TGlCanvas* GetShareCanvas();
    // Slot 13 of the offscreen kinds (pbuffer and DIB section), shared so
    // that their owners create a surface without knowing which kind they
    // hold. Other kinds have no offscreen surface: an assertion failure.
    virtual void CreateSurface(int32_t Width, int32_t Height, TGlPixelFormat* PixelFormat);

    void Lock();
    void Unlock();
    // Fills the descriptor from the description (may be null) and the kind,
    // and sets the pixel format of DC. A failure leaves the descriptor zero.
    void MakePFD(TGlPixelFormat* PixelFormat);
    // True when ExtensionName is empty or listed; stores every name's address
    // (null when missing) into the matching entry point in any case.
    bool LoadExtension(const std::string& ExtensionName, const std::vector<std::string>& Names,
                       const std::vector<TEntryPoint>& EntryPoints);
    // Plain substring tests on the lower-cased extension strings.
    bool HasExtension(const std::string& Name) const;
    bool HasGlExtension(const std::string& Name) const;
    bool HasWglExtension(const std::string& Name) const;
    // Viewport and a y-down projection in window coordinates; the caller holds
    // the lock.
    void SetupOrtho(const win32::TRect& Rect, int32_t TargetHeight, const win32::TRect* ClipRect);
    void SetupOrtho2D(int32_t Width, int32_t Height);

    TCriticalSection CriticalSection;
    win32::PIXELFORMATDESCRIPTOR PixelFormatDescriptor{};
    uint32_t LockCount = 0;
    std::string GlExtensions;
    std::string WglExtensions;
    TGlFont Font{this};
    win32::HGLRC Context = nullptr;
    win32::HDC DC = nullptr;
    TScissorHook ScissorHook = nullptr;
    win32::PFNWGLGETEXTENSIONSSTRINGARBPROC wglGetExtensionsStringARB = nullptr;
    bool NonPowerOfTwoTextures = false;
};

// Per-thread stacks of locked canvases, most recent on top.
class TGlWindowedCanvasManager : public TTLSObject {
public:
    TGlWindowedCanvasManager();
    // Raises "Canvas not unlocked" when a thread still holds a lock; frees
    // everything in any case.
    ~TGlWindowedCanvasManager() override;

    void PushCurrent(TGlCanvas* Canvas);
    void PopCurrent(TGlCanvas* Canvas);

private:
    TCriticalSection FLock;
    // Every stack ever created, freed at shutdown (a thread's slot only
    // refers to its stack).
    std::vector<std::unique_ptr<TObjectStack>> FStacks;
};

class TNullWindowedCanvas;

// The unit's globals, created at start-up in this order and freed in reverse.
// They stay null when OpenGL cannot be started.
extern TGlWindowedCanvasManager* GlCanvasManager;
extern TNullWindowedCanvas* NullWindowedCanvas;
extern TObjectList* NullDIBCanvases;

// Creates the globals; on failure frees what was made, leaves them null and
// raises. Does nothing when they exist.
void GlCanvasInitialization();
void GlCanvasFinalization();

// Row length in bytes of Bits bits, padded to a multiple of 32 bits.
int32_t ScanLineBytes(int32_t Bits);
// Smallest power of two not below N; N must be in 1 .. 2^30.
int32_t NextPowerOfTwo(int32_t N);
// Zero-filled, page-granular memory; raises the platform error on failure.
void AllocPages(void*& Memory, size_t Size);
void FreePages(void* Memory);

// The header of an uncompressed DIB with BitCount bits a pixel; a positive
// Height describes rows bottom-up, a negative one top-down.
win32::BITMAPINFO DIBInfo(int32_t Width, int32_t Height, uint16_t BitCount);

// Page memory for pixel transfers, freed on every exit path. A buffer kept
// by an object for repeated transfers grows with Reserve and is reused, which
// saves mapping and faulting in fresh pages for every transfer.
class TPageBuffer {
public:
    TPageBuffer() = default;
    explicit TPageBuffer(size_t Size) { Reserve(Size); }
    ~TPageBuffer() noexcept(false);
    TPageBuffer(const TPageBuffer&) = delete;
    TPageBuffer& operator=(const TPageBuffer&) = delete;
    void* Data() const { return FMemory; }
    // At least Size bytes; new memory is zero-filled, reused memory keeps
    // what the last transfer left.
    void* Reserve(size_t Size);
    void Free();

private:
    void* FMemory = nullptr;
    size_t FSize = 0;
};

// Runs Body between Lock and Unlock of Canvas; Unlock happens on every exit
// path. As with try/finally, an error of Unlock is the one that leaves, also
// when Body raised one before.
template <class F>
void WithLock(TGlCanvas* Canvas, F&& Body)
{
    Canvas->Lock();
    try {
        Body();
    } catch (...) {
        Canvas->Unlock();
        throw;
    }
    Canvas->Unlock();
}

} // namespace FormAnimator
