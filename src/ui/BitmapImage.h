#pragma once
// ToQImage: the one way from the pixel layer's bitmaps to Qt's images.

#include "gfx/Bitmap.h"

#include <QImage>

// An opaque RGB32 copy of a bitmap of any format and row order.
QImage ToQImage(const gfx::Bitmap& bitmap);
