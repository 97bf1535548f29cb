#pragma once
// Device contexts and GDI objects: memory DCs, bitmaps (DIB sections,
// device bitmaps, monochrome masks), brushes and pens, and a DC's drawing
// state. The drawing calls are in GdiDraw.h, regions in GdiRegion.h, the
// screen's DCs in Screen.h.
//
// GL rendering on a memory DC goes to a pbuffer of the selected DIB's size
// and is copied into the DIB's bits whenever they can be observed: when the
// context is released or switched, at GdiFlush, when another bitmap is
// selected, and before a GDI operation reads or draws on the DC
// (GdiSyncBeforeRead). The bits are an output of GL rendering: what is
// written into them directly is not seen by GL and is overwritten by the
// next copy.

#include "Rect.h"
#include "WinTypes.h"

namespace win32 {

// A memory DC holding the 1 x 1 monochrome stock bitmap, the white brush and
// the black pen. hdc may be null or any DC.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Only 24- and 32-bit BI_RGB layouts with DIB_RGB_COLORS, in client memory
// (no file mapping). Rows are bottom-up for a positive height.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);
// A 32-bit bitmap in the screen's format, black, whatever DC is given; a
// zero size gives the 1 x 1 monochrome stock bitmap.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// One plane of 1 bit (a monochrome mask) or 32 bits per pixel. `bits`, when
// given, holds the rows top-down, each padded to 16 bits, monochrome pixels
// from the most significant bit; without bits the bitmap is black.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBRUSH CreateSolidBrush(COLORREF color);
// PS_SOLID or PS_NULL; every pen draws one pixel wide.
HPEN CreatePen(int style, int width, COLORREF color);
HGDIOBJ GetStockObject(int index);
// Selects a bitmap (memory DCs only), a brush or a pen; returns the object
// of the same kind it replaced, or null.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Fails for an object still selected into a DC; stock objects are kept.
BOOL DeleteObject(HGDIOBJ object);
int GetDeviceCaps(HDC hdc, int index);
BOOL GdiFlush();

// Returns the previous mode, or 0 for a bad DC or mode.
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
// Moves the logical origin: logical (0, 0) lands on device (x, y).
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);

// For GDI operations that read a DC's pixels: brings the DIB bits up to date
// with GL rendering when the DC is current on the calling thread.
void GdiSyncBeforeRead(HDC hdc);

} // namespace win32
