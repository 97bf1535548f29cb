#pragma once
// Classes: Region.
//
// Region: a set of pixels made of rectangles, for clipping and window
// shapes. A value type over a pixman region.

#include "Rect.h"

#include <pixman.h>

#include <span>
#include <vector>

namespace gfx {

class Region {
public:
    Region();
    explicit Region(const Rect& rect); // empty when rect is empty
    static Region FromRects(std::span<const Rect> rects);
    Region(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(const Region& other);
    Region& operator=(Region&& other) noexcept;
    ~Region();

    bool IsEmpty() const;
    // The smallest rectangle holding the region; (0, 0, 0, 0) when empty.
    Rect Bounds() const;
    // Disjoint rectangles, top to bottom and left to right within a band.
    std::vector<Rect> Rects() const;
    bool Contains(int32_t x, int32_t y) const;

    Region& Unite(const Region& other);
    Region& Intersect(const Region& other);
    Region& Intersect(const Rect& rect);
    Region& Subtract(const Region& other);
    Region& Xor(const Region& other);
    Region& Translate(int32_t dx, int32_t dy);

    friend bool operator==(const Region& a, const Region& b);

    pixman_region32_t* Native() { return &region_; }
    const pixman_region32_t* Native() const { return &region_; }

private:
    pixman_region32_t region_;
};

} // namespace gfx
