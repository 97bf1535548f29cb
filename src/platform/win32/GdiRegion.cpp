#include "GdiRegion.h"

#include "LastError.h"
#include "Objects.h"

#include <new>
#include <utility>

namespace win32 {

using namespace detail;

int detail::RegionKind(const gfx::Region& region)
{
    if (region.IsEmpty())
        return NULLREGION;
    return region.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

namespace {

BOOL Result(RECT* result, const gfx::Rect& r)
{
    *result = r;
    return r.IsEmpty() ? FALSE : TRUE;
}

} // namespace

BOOL UnionRect(RECT* result, const RECT* a, const RECT* b)
{
    if (!result || !a || !b)
        return FALSE;
    return Result(result, gfx::Union(*a, *b));
}

BOOL IntersectRect(RECT* result, const RECT* a, const RECT* b)
{
    if (!result || !a || !b)
        return FALSE;
    return Result(result, gfx::Intersect(*a, *b));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    try {
        auto* r = new Rgn{gfx::Region(gfx::Rect{left, top, right, bottom})};
        return reinterpret_cast<HRGN>(Register(r));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

int CombineRgn(HRGN result, HRGN a, HRGN b, int mode)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Rgn* target = Find<Rgn>(result);
    Rgn* first = Find<Rgn>(a);
    Rgn* second = mode == RGN_COPY ? first : Find<Rgn>(b);
    if (!target || !first || !second)
        return ERROR;
    try {
        gfx::Region r = first->region;
        switch (mode) {
        case RGN_AND:
            r.Intersect(second->region);
            break;
        case RGN_OR:
            r.Unite(second->region);
            break;
        case RGN_XOR:
            r.Xor(second->region);
            break;
        case RGN_DIFF:
            r.Subtract(second->region);
            break;
        case RGN_COPY:
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return ERROR;
        }
        target->region = std::move(r);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return ERROR;
    }
    return RegionKind(target->region);
}

int SelectClipRgn(HDC hdc, HRGN region)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return ERROR;
    if (!region) {
        dc->clip.reset();
        return SIMPLEREGION;
    }
    Rgn* r = Find<Rgn>(region);
    if (!r)
        return ERROR;
    try {
        dc->clip = r->region;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return ERROR;
    }
    return RegionKind(*dc->clip);
}

} // namespace win32
