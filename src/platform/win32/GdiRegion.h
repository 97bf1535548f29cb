#pragma once
// Rectangles and regions of the GDI stand-in: rectangle union and
// intersection, rectangular regions, their combinations and the clip region
// of a DC. Regions are gfx::Region values behind handles.

#include "Rect.h"
#include "WinTypes.h"
#include "gfx/Region.h"

namespace win32 {

// Both give FALSE with (0, 0, 0, 0) when the result is empty; an empty
// rectangle adds nothing to a union.
BOOL UnionRect(RECT* result, const RECT* a, const RECT* b);
BOOL IntersectRect(RECT* result, const RECT* a, const RECT* b);

// Swapped edges are put in order.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF (a minus b) or RGN_COPY (a) into
// `result`, which may be a or b; returns the result's kind or ERROR.
int CombineRgn(HRGN result, HRGN a, HRGN b, int mode);
// The clip region of a DC, in device coordinates (copied); null removes it.
int SelectClipRgn(HDC hdc, HRGN region);

namespace detail {
// NULLREGION, SIMPLEREGION or COMPLEXREGION.
int RegionKind(const gfx::Region& region);
} // namespace detail

} // namespace win32
