#pragma once
// The pixel formats a thumbnail can be asked for (TPixelFormat) and the
// helpers that make and fit the gfx::Bitmap of a thumbnail: the unit that
// thumbnail extraction fills, the cache file stores and the list draws.
// Plain C++, no Qt.

#include "gfx/Bitmap.h"

// The pixel formats a bitmap can be asked for. pfDevice and pfCustom stand
// for "whatever suits the display" and are served as 24 bits.
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// The colour depth an extractor is asked for, given the bitmap's format:
// 1, 4, 8, 16 (for 15 and 16 bits), 32, and 24 for everything else.
int ColourDepthOf(TPixelFormat format);

// The pixel layout a thumbnail of the requested format is held in: Rgb555
// for 15 and 16 bits, Bgrx32 for 32 bits, Bgr24 for everything else (1, 4
// and 8 bits, device, custom).
gfx::PixelFormat HeldFormat(TPixelFormat format);
// The format a thumbnail's pixel layout stands for (pf16bit, pf24bit or
// pf32bit).
TPixelFormat PixelFormatOf(const gfx::Bitmap& bitmap);

// A top-down w x h thumbnail bitmap of the held format, filled with white.
// Sides below 0 count as 0 and above gfx::kMaxBmpSide as that: larger sizes
// come only from damaged data.
gfx::Bitmap NewThumbBitmap(int width, int height, TPixelFormat format = TPixelFormat::pfDevice);

// The thumbnail in a w x h bitmap of its own format: rows and columns beyond
// the new size are cut, missing ones are added white at the bottom and right.
gfx::Bitmap CutOrPadWhite(const gfx::Bitmap& bitmap, int width, int height);
