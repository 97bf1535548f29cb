#pragma once
// Classes: Color.
//
// The raster operations of the pixel layer, on pixman: solid fills, copies,
// stretches, constant-alpha blends and parallelogram blits with a 1-bit mask,
// plus the pixel sets of polygons and one-pixel lines.
//
// Every operation draws only inside the destination bitmap and, when `clip`
// is given, inside that region (destination coordinates). Sources are read
// only inside their bitmap. Colour formats convert into each other freely;
// monochrome pixels are 0 = black and 1 = white. Operations return false
// when they cannot combine the formats (a colour source into a monochrome
// destination, except through the fills) or are given a bad geometry.

#include "Bitmap.h"
#include "Rect.h"
#include "Region.h"

#include <span>

namespace gfx {

struct Color {
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

// How a scaled or transformed source is sampled: the pixel under each
// destination pixel's centre, or a smooth filter (bilinear; box-averaged
// when shrinking a stretch).
enum class Filter { Nearest, Smooth };

// On a monochrome bitmap a colour is 1 (white) when it is nearer white than
// black.
void FillRect(Bitmap& dst, const Rect& area, Color color, const Region* clip = nullptr);
void FillRegion(Bitmap& dst, const Region& area, Color color, const Region* clip = nullptr);

// Copies `from` of src to dst at `to`, pixel for pixel. src and dst may be
// the same bitmap with overlapping areas.
bool Copy(Bitmap& dst, Point to, const Bitmap& src, const Rect& from, const Region* clip = nullptr);

// Scales `from` of src onto `to` of dst. Destination pixels whose source
// pixel lies outside src are left alone; empty rectangles draw nothing.
bool Stretch(Bitmap& dst, const Rect& to, const Bitmap& src, const Rect& from, Filter filter,
             const Region* clip = nullptr);

// dst = src * alpha / 255 + dst * (1 - alpha / 255) per channel, src scaled
// from `from` onto `to` with the nearest pixel. With sourceAlpha, the fourth
// byte of 32-bit source pixels is their premultiplied alpha and scales the
// destination's share too.
// `from` must lie inside src.
bool BlendConstant(Bitmap& dst, const Rect& to, const Bitmap& src, const Rect& from, uint8_t alpha,
                   bool sourceAlpha = false, const Region* clip = nullptr);

// Maps `from` of src onto the parallelogram whose corners are the images of
// from's top-left (corners[0]), top-right (corners[1]) and bottom-left
// (corners[2]), corners being pixel corners as in the stretches.
// Destination pixels are drawn when their centre lies inside the
// parallelogram and, with a mask, when
// the monochrome mask's pixel under them is 1: the mask covers the source
// rectangle with its pixel (maskOrigin) at from's top-left; outside the mask
// nothing is drawn. A degenerate parallelogram draws nothing.
bool TransformBlit(Bitmap& dst, const Point (&corners)[3], const Bitmap& src, const Rect& from,
                   Filter filter, const Bitmap* mask = nullptr, Point maskOrigin = {},
                   const Region* clip = nullptr);

// The pixels inside the polygon under the even-odd rule, limited to
// `within`. Vertices are pixels, as for the pen's lines: pixel (x, y) is
// tested at the point (x, y), which is inside on a left or top edge and
// outside on a right or bottom edge.
Region PolygonInterior(std::span<const Point> points, const Rect& within);

// The pixels of one-pixel-wide lines joining the points (which are pixels)
// in order, and the last to the first when closed; each line leaves out its
// end point, which the next line starts on. Limited to `within`.
Region PolylinePixels(std::span<const Point> points, bool closed, const Rect& within);

} // namespace gfx
