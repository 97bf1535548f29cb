#include "Window.h"

#include "LastError.h"
#include "Objects.h"
#include "Screen.h"

#include <strings.h>

#include <list>

namespace win32 {

using namespace detail;

namespace {

std::list<WindowClass>& Classes()
{
    static std::list<WindowClass> classes;
    return classes;
}

// Class names compare without regard to case.
WindowClass* FindClass(const char* name)
{
    if (!name)
        return nullptr;
    for (WindowClass& c : Classes())
        if (strcasecmp(c.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

ATOM nextAtom = 0xC000;

char desktop;

bool IsDesktop(HWND window) { return window == reinterpret_cast<HWND>(&desktop); }

} // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName
        || !*windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (nextAtom == 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    WindowClass c;
    c.name = windowClass->lpszClassName;
    c.style = windowClass->style;
    c.procedure = windowClass->lpfnWndProc;
    c.instance = windowClass->hInstance;
    c.atom = nextAtom++;
    Classes().push_back(c);
    return c.atom;
}

BOOL UnregisterClassA(const char* className, HINSTANCE)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    WindowClass* c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    if (c->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    Classes().remove_if([c](const WindowClass& other) { return &other == c; });
    return TRUE;
}

HWND CreateWindowExA(DWORD, const char* className, const char*, DWORD, int, int, int width,
                     int height, HWND parent, HMENU, HINSTANCE, void*)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    WindowClass* c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent && !Find<Window>(parent))
        return nullptr;
    auto* w = new Window;
    w->windowClass = c;
    w->width = width;
    w->height = height;
    w->dc = NewDeviceContext(DcKind::Window);
    w->dc->window = w;
    ++c->windowCount;
    return reinterpret_cast<HWND>(Register(w));
}

BOOL DestroyWindow(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Window* w = Find<Window>(window);
    if (!w)
        return FALSE;
    if (Current().dc == w->dc)
        ReleaseThreadCurrent();
    if (w->dc->currentCount > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    DestroyOwnSurface(w->dc);
    ForgetDeviceContext(w->dc);
    --w->windowClass->windowCount;
    Unregister(w);
    delete w;
    return TRUE;
}

HDC GetDC(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!window || IsDesktop(window))
        return reinterpret_cast<HDC>(NewDeviceContext(DcKind::Screen));
    Window* w = Find<Window>(window);
    if (!w)
        return nullptr;
    return reinterpret_cast<HDC>(w->dc);
}

HDC GetWindowDC(HWND window) { return GetDC(window); }

int ReleaseDC(HWND window, HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return 0;
    if (dc->kind == DcKind::Screen && (!window || IsDesktop(window))) {
        bool drew = dc->drewOnScreen;
        ForgetDeviceContext(dc);
        if (drew)
            if (auto device = GetScreenDevice())
                device->EndDrawing();
        return 1;
    }
    Window* w = Lookup<Window>(window);
    if (dc->kind == DcKind::Window && w && w->dc == dc)
        return 1; // a window keeps its own DC until it is destroyed
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(&desktop); }

} // namespace win32
