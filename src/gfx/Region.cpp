#include "Region.h"

#include <new>

namespace gfx {

namespace {

pixman_region32_t* Mutable(const pixman_region32_t* r) { return const_cast<pixman_region32_t*>(r); }

void Check(pixman_bool_t ok)
{
    if (!ok)
        throw std::bad_alloc();
}

} // namespace

Region::Region() { pixman_region32_init(&region_); }

Region::Region(const Rect& rect)
{
    if (rect.IsEmpty())
        pixman_region32_init(&region_);
    else
        pixman_region32_init_rect(&region_, rect.Left, rect.Top, static_cast<unsigned>(rect.Width()),
                                  static_cast<unsigned>(rect.Height()));
}

Region Region::FromRects(std::span<const Rect> rects)
{
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(rects.size());
    for (const Rect& r : rects)
        if (!r.IsEmpty())
            boxes.push_back({r.Left, r.Top, r.Right, r.Bottom});
    Region result;
    pixman_region32_fini(&result.region_);
    Check(pixman_region32_init_rects(&result.region_, boxes.data(), static_cast<int>(boxes.size())));
    return result;
}

Region::Region(const Region& other)
{
    pixman_region32_init(&region_);
    Check(pixman_region32_copy(&region_, Mutable(&other.region_)));
}

Region::Region(Region&& other) noexcept : Region()
{
    pixman_region32_t t = region_;
    region_ = other.region_;
    other.region_ = t;
}

Region& Region::operator=(const Region& other)
{
    if (this != &other)
        Check(pixman_region32_copy(&region_, Mutable(&other.region_)));
    return *this;
}

Region& Region::operator=(Region&& other) noexcept
{
    pixman_region32_t t = region_;
    region_ = other.region_;
    other.region_ = t;
    return *this;
}

Region::~Region() { pixman_region32_fini(&region_); }

bool Region::IsEmpty() const { return !pixman_region32_not_empty(Mutable(&region_)); }

Rect Region::Bounds() const
{
    if (IsEmpty())
        return {};
    const pixman_box32_t* e = pixman_region32_extents(Mutable(&region_));
    return {e->x1, e->y1, e->x2, e->y2};
}

std::vector<Rect> Region::Rects() const
{
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(Mutable(&region_), &n);
    std::vector<Rect> rects;
    rects.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        rects.push_back({boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    return rects;
}

bool Region::Contains(int32_t x, int32_t y) const
{
    return pixman_region32_contains_point(Mutable(&region_), x, y, nullptr);
}

Region& Region::Unite(const Region& other)
{
    Check(pixman_region32_union(&region_, &region_, Mutable(&other.region_)));
    return *this;
}

Region& Region::Intersect(const Region& other)
{
    Check(pixman_region32_intersect(&region_, &region_, Mutable(&other.region_)));
    return *this;
}

Region& Region::Intersect(const Rect& rect) { return Intersect(Region(rect)); }

Region& Region::Subtract(const Region& other)
{
    Check(pixman_region32_subtract(&region_, &region_, Mutable(&other.region_)));
    return *this;
}

Region& Region::Xor(const Region& other)
{
    Region both(*this);
    both.Intersect(other);
    Unite(other);
    return Subtract(both);
}

Region& Region::Translate(int32_t dx, int32_t dy)
{
    pixman_region32_translate(&region_, dx, dy);
    return *this;
}

bool operator==(const Region& a, const Region& b)
{
    return pixman_region32_equal(Mutable(&a.region_), Mutable(&b.region_));
}

} // namespace gfx
