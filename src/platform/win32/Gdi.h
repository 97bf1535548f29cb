#pragma once
// Memory device contexts and DIB sections: the start of the GDI stand-in.
// GL rendering on a memory DC goes to a pbuffer of the selected DIB's size
// and is copied into the DIB's bits whenever they can be observed: when the
// context is released or switched, at GdiFlush, when another bitmap is
// selected, and before a GDI operation reads the DC (GdiSyncBeforeRead).
// The bits are an output of GL rendering: what is written into them directly
// is not seen by GL and is overwritten by the next copy.

#include "WinTypes.h"

namespace win32 {

HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Only 24- and 32-bit BI_RGB layouts with DIB_RGB_COLORS, in client memory
// (no file mapping). Rows are bottom-up for a positive height.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);
// Selects a bitmap into a memory DC; returns the bitmap it replaced, or null.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Fails for an object still selected into a DC; stock objects are kept.
BOOL DeleteObject(HGDIOBJ object);
int GetDeviceCaps(HDC hdc, int index);
BOOL GdiFlush();

// For GDI operations that read a DC's pixels: brings the DIB bits up to date
// with GL rendering when the DC is current on the calling thread.
void GdiSyncBeforeRead(HDC hdc);

} // namespace win32
