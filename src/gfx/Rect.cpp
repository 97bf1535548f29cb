#include "Rect.h"

#include <algorithm>

namespace gfx {

Rect Union(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

Rect Intersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
           std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

} // namespace gfx
