#pragma once
// GDI drawing on device contexts: thin adapters that translate handles,
// logical coordinates and the DC's state (viewport origin, clip region,
// stretch mode, brush and pen) into the raster operations of gfx/Raster.h.
//
// Memory DCs draw on their selected bitmap, screen DCs on the ScreenDevice
// (Screen.h). Drawing is clipped to the DC's clip region and its pixels;
// a source is read only inside its pixels. Calls that return an int or BOOL
// return 0 for an unknown DC or object (last error ERROR_INVALID_HANDLE),
// for arguments they do not support (ERROR_INVALID_PARAMETER, or
// ERROR_NOT_SUPPORTED for raster operations other than SRCCOPY and for DCs
// without pixels) and when memory runs out.

#include "Rect.h"
#include "WinTypes.h"

namespace win32 {

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
// Fills the pixels inside the polygon (even-odd rule; pixels on its left
// and top edges are inside, on its right and bottom edges outside) with the
// DC's brush, then draws the closed outline with its pen, one pixel wide.
BOOL Polygon(HDC hdc, const POINT* points, int count);

// rop must be SRCCOPY.
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
// Sizes must not be negative (no mirroring). The destination DC's stretch
// mode chooses the filter: HALFTONE smooth, the others the nearest pixel.
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
// Maps the source rectangle onto the parallelogram of points[0] (image of
// its top-left corner), points[1] (top-right) and points[2] (bottom-left).
// With a monochrome mask, whose pixel (maskX, maskY) lies under the source
// rectangle's top-left, mask bits 1 copy the source and bits 0 leave the
// destination. The source rectangle must lie inside the source's pixels.
BOOL PlgBlt(HDC dst, const POINT* points, HDC src, int srcX, int srcY, int width, int height,
            HBITMAP mask, int maskX, int maskY);
// AC_SRC_OVER with a constant alpha, and with AC_SRC_ALPHA the source's
// premultiplied alpha; the source is stretched onto the destination with the
// nearest pixel and must lie inside the source's pixels.
BOOL AlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend);

// DIB transfers, 24 or 32 bits BI_RGB with DIB_RGB_COLORS, bits aligned to
// 4 bytes (ERROR_INVALID_PARAMETER otherwise). A DIB's scan
// lines are numbered from its bottom row when its height is positive
// (bottom-up) and from its top row otherwise; DIB rows line up with the
// bitmap's rows from the top.
//
// Reads `lines` scan lines from `start` of the bitmap into bits; returns the
// number of lines read. With null bits, fills in the header of the bitmap's
// own layout instead and returns its height.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
// Draws the DIB rectangle (srcX, srcY, width, height), whose y counts from
// the DIB's bottom for bottom-up DIBs, at (x, y); bits hold only the scan
// lines start .. start + lines - 1. Returns the number of scan lines given.
int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Stretches the DIB rectangle onto the destination rectangle, as StretchBlt;
// returns the number of scan lines read.
int StretchDIBits(HDC hdc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

} // namespace win32
