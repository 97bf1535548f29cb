#pragma once
// Classes: Point, Size, Rect.
//
// Rect, Point and Size: the geometry of the pixel layer. A rectangle has
// 32-bit signed edges, right and bottom exclusive, and is empty when
// Right <= Left or Bottom <= Top.

#include <cstdint>

namespace gfx {

struct Point {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t Width = 0;
    int32_t Height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    Rect Offset(int32_t dx, int32_t dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    static Rect FromSize(int32_t left, int32_t top, int32_t width, int32_t height)
    {
        return {left, top, left + width, top + height};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The smallest rectangle holding both. An empty rectangle adds nothing; when
// both are empty the result is (0, 0, 0, 0).
Rect Union(const Rect& a, const Rect& b);

// The common part, or (0, 0, 0, 0) when there is none (also when either
// rectangle is empty).
Rect Intersect(const Rect& a, const Rect& b);

} // namespace gfx
