#pragma once
// A small registry of window classes and hidden windows. A headless display
// has no native windows: a window's device context (one per window, as with
// CS_OWNDC) is backed by a 1 x 1 pbuffer once its pixel format is set.
// Windows are never shown and receive no messages.

#include "WinTypes.h"

namespace win32 {

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
// Fails while windows of the class exist.
BOOL UnregisterClassA(const char* className, HINSTANCE instance);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
// Fails while the window's DC is current on another thread.
BOOL DestroyWindow(HWND window);
// The window's own DC; for the desktop window (or null) a new screen DC
// (Screen.h), which ReleaseDC frees.
HDC GetDC(HWND window);
// The same DCs: windows have no frame of their own here.
HDC GetWindowDC(HWND window);
// 1 when released, 0 when the DC does not belong to the window.
int ReleaseDC(HWND window, HDC hdc);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetDesktopWindow();

} // namespace win32
