#pragma once
// Classes: Bitmap, Brush, Pen, Rgn, DeviceContext, DibLayout, WindowClass, Window, Pbuffer,
//  GlContext, ThreadCurrent.
//
// The objects behind the binding's handles and the registry that validates
// handles before use. Internal to the binding: every public entry point takes
// BindingLock() for its whole run, so the objects need no locks of their own.

#include "EglDisplay.h"
#include "LastError.h"
#include "WinTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Region.h"

#include <EGL/egl.h>

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

namespace win32::detail {

std::recursive_mutex& BindingLock();

struct DeviceContext;

// A GDI bitmap: a DIB section (a view over client memory laid out as its
// BITMAPINFO says), a device bitmap owning its pixels (32-bit colour or
// monochrome), or the 1 x 1 monochrome stock bitmap of a fresh memory DC.
struct Bitmap {
    bool stock = false;
    gfx::Bitmap pixels;
    void* mapped = nullptr; // a DIB section's memory, unmapped with it
    size_t mappedSize = 0;
    DeviceContext* selectedInto = nullptr;
};

// Brushes and pens are solid colours; a null one draws nothing. Stock
// objects are never freed.
struct Brush {
    COLORREF color = 0;
    bool null = false;
    bool stock = false;
    int selections = 0; // DCs holding it
};

struct Pen {
    COLORREF color = 0;
    bool null = false;
    bool stock = false;
    int selections = 0;
};

struct Rgn {
    gfx::Region region;
};

struct Window;
struct Pbuffer;

enum class DcKind { Window, Screen, Memory, Pbuffer };

struct DeviceContext {
    DcKind kind = DcKind::Memory;
    int pixelFormat = 0;
    // Rendering target: a pbuffer surface (the window's 1 x 1 stand-in, the
    // pbuffer itself, or a pbuffer the size of the selected DIB section).
    EGLSurface surface = EGL_NO_SURFACE;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    bool ownsSurface = false;
    Window* window = nullptr;
    Pbuffer* pbuffer = nullptr;
    Bitmap* bitmap = nullptr; // selected bitmap of a memory DC
    int currentCount = 0;     // threads on which the DC is current
    // GDI drawing state. The clip is in device coordinates; logical
    // coordinates are device coordinates minus the viewport origin.
    Brush* brush = nullptr;
    Pen* pen = nullptr;
    std::optional<gfx::Region> clip;
    gfx::Point viewport;
    int stretchMode = BLACKONWHITE;
    bool drewOnScreen = false; // a screen DC that has drawn
};

// The pixel layout a DIB header describes: 24 or 32 bits BI_RGB, rows
// padded to 32 bits. False with the last error set for any other layout or
// one larger than gfx::Bitmap::kMaxBytes.
struct DibLayout {
    int32_t width = 0;
    int32_t rows = 0;
    gfx::PixelFormat format = gfx::PixelFormat::Bgrx32;
    gfx::RowOrder order = gfx::RowOrder::BottomUp;
    size_t stride = 0;
};
bool DescribeDib(const BITMAPINFOHEADER& header, DibLayout& layout);

// Registers a new DC with the default drawing state, and unregisters and
// frees one, releasing what it holds selected.
DeviceContext* NewDeviceContext(DcKind kind);
void ForgetDeviceContext(DeviceContext* dc);

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    ATOM atom = 0;
    int windowCount = 0;
};

struct Window {
    WindowClass* windowClass = nullptr;
    int width = 0, height = 0;
    DeviceContext* dc = nullptr; // the window's own DC
};

struct Pbuffer {
    EGLSurface surface = EGL_NO_SURFACE;
    int pixelFormat = 0;
    int width = 0, height = 0;
    DeviceContext* dc = nullptr; // while handed out by wglGetPbufferDCARB
};

struct GlContext {
    EGLContext egl = EGL_NO_CONTEXT;
    int pixelFormat = 0;
    // Contexts share objects only within a class: 0 for window and pbuffer
    // DCs, a key of the framebuffer layout for DCs of client memory.
    long long shareClass = 0;
    bool current = false;
    std::thread::id owner;
};

// Handle registry: handles are object addresses, accepted only while the
// object is alive.
template <class T>
std::unordered_set<T*>& Live()
{
    static std::unordered_set<T*> live;
    return live;
}

template <class T>
T* Lookup(const void* handle)
{
    auto& live = Live<T>();
    auto it = live.find(static_cast<T*>(const_cast<void*>(handle)));
    return it == live.end() ? nullptr : *it;
}

// Lookup that reports an unknown handle as ERROR_INVALID_HANDLE.
template <class T>
T* Find(const void* handle)
{
    T* object = Lookup<T>(handle);
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

template <class T>
T* Register(T* object)
{
    Live<T>().insert(object);
    return object;
}

template <class T>
void Unregister(T* object)
{
    Live<T>().erase(object);
}

// What the calling thread has current.
struct ThreadCurrent {
    GlContext* context = nullptr;
    DeviceContext* dc = nullptr;
    ~ThreadCurrent();
};
ThreadCurrent& Current();

// Copies GL rendering into the DIB section selected into dc, when dc is
// current on the calling thread; otherwise does nothing.
void SyncBitsIfCurrent(DeviceContext* dc);

// Makes nothing current on the calling thread, first copying the rendering
// of a DIB-backed DC into its bits.
void ReleaseThreadCurrent();

// Creates or resizes the rendering surface that backs a memory DC.
bool EnsureMemorySurface(DeviceContext* dc);

// Destroys the DC's own surface, if it has one.
void DestroyOwnSurface(DeviceContext* dc);

// Creates a pbuffer surface of the given pixel format; EGL_NO_SURFACE with
// the last error set on failure.
EGLSurface CreatePbufferSurface(int pixelFormat, int width, int height, bool largest = false);

} // namespace win32::detail
