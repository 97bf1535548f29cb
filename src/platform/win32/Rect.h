#pragma once
// The platform's rectangle and point are the pixel layer's: 32-bit signed
// edges, right and bottom exclusive, empty when Right <= Left or
// Bottom <= Top.

#include "gfx/Rect.h"

namespace win32 {

using TRect = gfx::Rect;
using RECT = gfx::Rect;
using TPoint = gfx::Point;
using POINT = gfx::Point;

} // namespace win32
