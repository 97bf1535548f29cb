#pragma once
// The objects behind the binding's handles and the registry that validates
// handles before use. Internal to the binding: every public entry point takes
// BindingLock() for its whole run, so the objects need no locks of their own.

#include "EglDisplay.h"
#include "WinTypes.h"

#include <EGL/egl.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

namespace win32::detail {

std::recursive_mutex& BindingLock();

struct DeviceContext;

// A GDI bitmap: a DIB section (client memory laid out as its BITMAPINFO
// says) or the 1 x 1 stock bitmap that a fresh memory DC holds.
struct Bitmap {
    bool stock = false;
    int width = 1;
    int height = 1; // positive: rows bottom-up; negative: top-down
    int bitCount = 1;
    size_t stride = 0;
    size_t size = 0;
    unsigned char* bits = nullptr;
    DeviceContext* selectedInto = nullptr;
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
};

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
