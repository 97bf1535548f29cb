#pragma once
// Legacy pixel-format calls. Pixel formats are the EGL configs that can
// render OpenGL, numbered from 1 in a stable order.

#include "WinTypes.h"

namespace win32 {

// The format that best matches the descriptor's flags and sizes; 0 when none
// supports the requested surface kind.
int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd);
// Once per DC; setting the same format again succeeds, another one fails.
BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR* ppfd);
int GetPixelFormat(HDC hdc);
// Fills at most nBytes of *ppfd for the format; returns the number of
// formats, or 0 on failure. ppfd may be null to ask for the count only.
int DescribePixelFormat(HDC hdc, int format, UINT nBytes, PIXELFORMATDESCRIPTOR* ppfd);

} // namespace win32
