#include "GdiDraw.h"

#include "LastError.h"
#include "Objects.h"
#include "Screen.h"
#include "gfx/Raster.h"

#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>

namespace win32 {

using namespace detail;

namespace {

gfx::Color ColorOf(COLORREF c)
{
    return {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
}

gfx::Filter FilterOf(const DeviceContext* dc)
{
    return dc->stretchMode == HALFTONE ? gfx::Filter::Smooth : gfx::Filter::Nearest;
}

gfx::Rect ToDevice(const DeviceContext* dc, int x, int y, int width, int height)
{
    return gfx::Rect::FromSize(x + dc->viewport.X, y + dc->viewport.Y, width, height);
}

const gfx::Region* ClipOf(const DeviceContext* dc) { return dc->clip ? &*dc->clip : nullptr; }

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// Runs body, turning an allocation failure into ERROR_NOT_ENOUGH_MEMORY and
// a refused layout into ERROR_INVALID_PARAMETER, with 0 returned.
template <class F>
int Guarded(F&& body)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::invalid_argument&) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

// Draws on the pixels of a DC inside `area` (device coordinates). draw gets
// the pixels, the shift from device to pixel coordinates and the clip in
// pixel coordinates, and returns whether it could draw. Memory DCs draw on
// their bitmap; screen DCs on a copy of the screen area, handed back after.
template <class F>
int DrawOn(DeviceContext* dc, const gfx::Rect& area, F&& draw)
{
    bool drawn = true;
    if (dc->kind == DcKind::Memory) {
        SyncBitsIfCurrent(dc);
        drawn = draw(dc->bitmap->pixels, gfx::Point{}, ClipOf(dc));
    } else if (dc->kind == DcKind::Screen) {
        std::shared_ptr<ScreenDevice> device = GetScreenDevice();
        if (!device)
            return TRUE;
        gfx::Size size = device->Size();
        gfx::Rect part = gfx::Intersect(area, {0, 0, size.Width, size.Height});
        if (dc->clip)
            part = gfx::Intersect(part, dc->clip->Bounds());
        if (part.IsEmpty())
            return TRUE;
        gfx::Bitmap copy(part.Width(), part.Height(), gfx::PixelFormat::Bgrx32);
        device->Read(part, copy, {0, 0});
        std::optional<gfx::Region> clip = dc->clip;
        if (clip)
            clip->Translate(-part.Left, -part.Top);
        drawn = draw(copy, gfx::Point{-part.Left, -part.Top}, clip ? &*clip : nullptr);
        device->Draw(copy, copy.Bounds(), {part.Left, part.Top});
        dc->drewOnScreen = true;
    } else {
        // Window and pbuffer DCs hold GL surfaces only.
        return Fail(ERROR_NOT_SUPPORTED);
    }
    return drawn ? TRUE : Fail(ERROR_INVALID_PARAMETER);
}

// The pixels a DC is read from, and the shift from device to pixel
// coordinates: a memory DC's bitmap, or a copy of the screen area.
struct Source {
    const gfx::Bitmap* pixels = nullptr;
    gfx::Bitmap copy;
    gfx::Point shift;

    gfx::Rect Map(const gfx::Rect& r) const { return r.Offset(shift.X, shift.Y); }
};

bool ReadFrom(DeviceContext* dc, const gfx::Rect& area, Source& source)
{
    if (dc->kind == DcKind::Memory) {
        SyncBitsIfCurrent(dc);
        source.pixels = &dc->bitmap->pixels;
        return true;
    }
    if (dc->kind != DcKind::Screen) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    std::shared_ptr<ScreenDevice> device = GetScreenDevice();
    gfx::Size size = ScreenSize();
    gfx::Rect part = gfx::Intersect(area, {0, 0, size.Width, size.Height});
    source.copy = gfx::Bitmap(part.Width(), part.Height(), gfx::PixelFormat::Bgrx32);
    if (device && !part.IsEmpty())
        device->Read(part, source.copy, {0, 0});
    source.pixels = &source.copy;
    source.shift = {-part.Left, -part.Top};
    return true;
}

bool Negative(int a, int b, int c = 0, int d = 0) { return a < 0 || b < 0 || c < 0 || d < 0; }

// A view of the scan lines start .. start + lines - 1 of a DIB held in
// bits, and the DIB row (counted from the top) of the view's top row.
struct DibBand {
    gfx::Bitmap view;
    int32_t top = 0;
};

DibBand BandOf(const void* bits, const DibLayout& dib, UINT start, UINT lines)
{
    DibBand band;
    if (start >= static_cast<UINT>(dib.rows))
        return band;
    auto count = static_cast<int32_t>(std::min<UINT>(lines, static_cast<UINT>(dib.rows) - start));
    band.view = gfx::Bitmap::View(const_cast<void*>(bits), dib.width, count, dib.format, dib.stride, dib.order);
    band.top = dib.order == gfx::RowOrder::BottomUp ? dib.rows - static_cast<int32_t>(start) - count
                                                    : static_cast<int32_t>(start);
    return band;
}

// A DIB rectangle whose y counts from the bottom row of bottom-up DIBs, in
// rows counted from the top.
gfx::Rect DibRect(const DibLayout& dib, int x, int y, int width, int height)
{
    int top = dib.order == gfx::RowOrder::BottomUp ? dib.rows - y - height : y;
    return gfx::Rect::FromSize(x, top, width, height);
}

// The smallest rectangle from the least to the largest coordinates.
gfx::Rect Hull(std::span<const gfx::Point> points)
{
    gfx::Rect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const gfx::Point& p : points)
        r = {std::min(r.Left, p.X), std::min(r.Top, p.Y), std::max(r.Right, p.X), std::max(r.Bottom, p.Y)};
    return r;
}

int ClampToInt(DWORD v) { return static_cast<int>(std::min<DWORD>(v, INT_MAX)); }

} // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    return Guarded([&] {
        DeviceContext* dc = Find<DeviceContext>(hdc);
        Brush* b = Find<Brush>(brush);
        if (!dc || !b)
            return 0;
        if (!rect)
            return Fail(ERROR_INVALID_PARAMETER);
        if (b->null)
            return TRUE;
        gfx::Rect area = rect->Offset(dc->viewport.X, dc->viewport.Y);
        return DrawOn(dc, area, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
            gfx::FillRect(pixels, area.Offset(shift.X, shift.Y), ColorOf(b->color), clip);
            return true;
        });
    });
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    return Guarded([&] {
        DeviceContext* dc = Find<DeviceContext>(hdc);
        if (!dc)
            return 0;
        if (!points || count < 2)
            return Fail(ERROR_INVALID_PARAMETER);
        std::vector<gfx::Point> device(points, points + count);
        for (gfx::Point& p : device)
            p = {p.X + dc->viewport.X, p.Y + dc->viewport.Y};
        // The pen's pixels reach the largest coordinates themselves.
        gfx::Rect bounds = Hull(device);
        bounds.Right = std::min(bounds.Right, INT_MAX - 1) + 1;
        bounds.Bottom = std::min(bounds.Bottom, INT_MAX - 1) + 1;
        return DrawOn(dc, bounds, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
            std::vector<gfx::Point> shape(device);
            for (gfx::Point& p : shape)
                p = {p.X + shift.X, p.Y + shift.Y};
            if (!dc->brush->null && count >= 3)
                gfx::FillRegion(pixels, gfx::PolygonInterior(shape, pixels.Bounds()), ColorOf(dc->brush->color), clip);
            if (!dc->pen->null)
                gfx::FillRegion(pixels, gfx::PolylinePixels(shape, true, pixels.Bounds()), ColorOf(dc->pen->color), clip);
            return true;
        });
    });
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop)
{
    return Guarded([&] {
        DeviceContext* d = Find<DeviceContext>(dst);
        DeviceContext* s = Find<DeviceContext>(src);
        if (!d || !s)
            return 0;
        if (rop != SRCCOPY)
            return Fail(ERROR_NOT_SUPPORTED);
        if (width <= 0 || height <= 0)
            return TRUE;
        gfx::Rect to = ToDevice(d, x, y, width, height);
        gfx::Rect wanted = ToDevice(s, srcX, srcY, width, height);
        Source in;
        if (!ReadFrom(s, wanted, in))
            return 0;
        gfx::Rect from = in.Map(wanted);
        if (d->kind == DcKind::Screen && !d->clip) {
            // A plain copy goes to the screen straight from its source.
            std::shared_ptr<ScreenDevice> device = GetScreenDevice();
            gfx::Rect part = gfx::Intersect(from, in.pixels->Bounds());
            if (device && !part.IsEmpty()) {
                device->Draw(*in.pixels, part, {to.Left + part.Left - from.Left, to.Top + part.Top - from.Top});
                d->drewOnScreen = true;
            }
            return TRUE;
        }
        return DrawOn(d, to, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
            return gfx::Copy(pixels, {to.Left + shift.X, to.Top + shift.Y}, *in.pixels, from, clip);
        });
    });
}

// The common course of StretchBlt and AlphaBlend: both DCs, the argument
// check (an error code, 0 when fine), both rectangles in device coordinates
// and the source's pixels; draw(pixels, to, source, from, clip) draws in
// pixel coordinates.
template <class Check, class Draw>
int Scaled(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
           int srcHeight, Check&& check, Draw&& draw)
{
    return Guarded([&] {
        DeviceContext* d = Find<DeviceContext>(dst);
        DeviceContext* s = Find<DeviceContext>(src);
        if (!d || !s)
            return 0;
        if (DWORD error = check(d))
            return Fail(error);
        if (Negative(width, height, srcWidth, srcHeight))
            return Fail(ERROR_INVALID_PARAMETER);
        gfx::Rect to = ToDevice(d, x, y, width, height);
        gfx::Rect wanted = ToDevice(s, srcX, srcY, srcWidth, srcHeight);
        if (to.IsEmpty() || wanted.IsEmpty())
            return TRUE;
        Source in;
        if (!ReadFrom(s, wanted, in))
            return 0;
        return DrawOn(d, to, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
            return draw(pixels, to.Offset(shift.X, shift.Y), *in.pixels, in.Map(wanted), clip);
        });
    });
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop)
{
    gfx::Filter filter = gfx::Filter::Nearest;
    return Scaled(
        dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight,
        [&](const DeviceContext* d) {
            filter = FilterOf(d);
            return rop == SRCCOPY ? 0 : ERROR_NOT_SUPPORTED;
        },
        [&](gfx::Bitmap& pixels, const gfx::Rect& to, const gfx::Bitmap& source, const gfx::Rect& from,
            const gfx::Region* clip) { return gfx::Stretch(pixels, to, source, from, filter, clip); });
}

BOOL PlgBlt(HDC dst, const POINT* points, HDC src, int srcX, int srcY, int width, int height,
            HBITMAP mask, int maskX, int maskY)
{
    return Guarded([&] {
        DeviceContext* d = Find<DeviceContext>(dst);
        DeviceContext* s = Find<DeviceContext>(src);
        Bitmap* m = mask ? Find<Bitmap>(mask) : nullptr;
        if (!d || !s || (mask && !m))
            return 0;
        if (!points || Negative(width, height)
            || (m && m->pixels.Format() != gfx::PixelFormat::Mono1))
            return Fail(ERROR_INVALID_PARAMETER);
        gfx::Point corners[3];
        for (int i = 0; i < 3; ++i)
            corners[i] = {points[i].X + d->viewport.X, points[i].Y + d->viewport.Y};
        gfx::Point fourth{corners[1].X + corners[2].X - corners[0].X, corners[1].Y + corners[2].Y - corners[0].Y};
        const gfx::Point outline[4] = {corners[0], corners[1], fourth, corners[2]};
        gfx::Rect wanted = ToDevice(s, srcX, srcY, width, height);
        if (wanted.IsEmpty())
            return TRUE;
        Source in;
        if (!ReadFrom(s, wanted, in))
            return 0;
        if (m && m->selectedInto)
            SyncBitsIfCurrent(m->selectedInto);
        return DrawOn(d, Hull(outline), [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
            gfx::Point moved[3];
            for (int i = 0; i < 3; ++i)
                moved[i] = {corners[i].X + shift.X, corners[i].Y + shift.Y};
            return gfx::TransformBlit(pixels, moved, *in.pixels, in.Map(wanted), FilterOf(d),
                                      m ? &m->pixels : nullptr, {maskX, maskY}, clip);
        });
    });
}

BOOL AlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend)
{
    // The source rectangle must lie inside the source: BlendConstant refuses
    // it otherwise.
    return Scaled(
        dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight,
        [&](const DeviceContext*) {
            bool supported = blend.BlendOp == AC_SRC_OVER && blend.BlendFlags == 0
                && (blend.AlphaFormat & ~AC_SRC_ALPHA) == 0;
            return supported ? 0 : ERROR_INVALID_PARAMETER;
        },
        [&](gfx::Bitmap& pixels, const gfx::Rect& to, const gfx::Bitmap& source, const gfx::Rect& from,
            const gfx::Region* clip) {
            return gfx::BlendConstant(pixels, to, source, from, blend.SourceConstantAlpha,
                                      blend.AlphaFormat == AC_SRC_ALPHA, clip);
        });
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    return Guarded([&] {
        Bitmap* b = Find<Bitmap>(bitmap);
        if (!Find<DeviceContext>(hdc) || !b)
            return 0;
        if (!info || usage != DIB_RGB_COLORS)
            return Fail(ERROR_INVALID_PARAMETER);
        const gfx::Bitmap& pixels = b->pixels;
        if (!bits) {
            BITMAPINFOHEADER& h = info->bmiHeader;
            h.biWidth = pixels.Width();
            h.biHeight = pixels.Height();
            h.biPlanes = 1;
            h.biBitCount = static_cast<WORD>(gfx::BitsPerPixel(pixels.Format()));
            h.biCompression = BI_RGB;
            h.biSizeImage = static_cast<DWORD>(pixels.Stride() * static_cast<size_t>(pixels.Height()));
            return static_cast<int>(pixels.Height());
        }
        DibLayout dib;
        if (!DescribeDib(info->bmiHeader, dib))
            return 0;
        if (b->selectedInto)
            SyncBitsIfCurrent(b->selectedInto);
        DibBand band = BandOf(bits, dib, start, lines);
        gfx::Rect rows{0, band.top, dib.width, band.top + band.view.Height()};
        if (band.view.IsEmpty() || !gfx::Copy(band.view, {0, 0}, pixels, rows))
            return 0;
        return gfx::Intersect(rows, pixels.Bounds()).Height();
    });
}

int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    return Guarded([&] {
        DeviceContext* dc = Find<DeviceContext>(hdc);
        if (!dc)
            return 0;
        DibLayout dib;
        if (!bits || !info || usage != DIB_RGB_COLORS)
            return Fail(ERROR_INVALID_PARAMETER);
        if (!DescribeDib(info->bmiHeader, dib))
            return 0;
        DibBand band = BandOf(bits, dib, start, lines);
        if (band.view.IsEmpty())
            return 0;
        gfx::Rect wanted = DibRect(dib, srcX, srcY, ClampToInt(width), ClampToInt(height));
        gfx::Rect part = gfx::Intersect(wanted, {0, band.top, dib.width, band.top + band.view.Height()});
        int given = band.view.Height();
        if (part.IsEmpty())
            return given;
        gfx::Rect to = ToDevice(dc, x + part.Left - wanted.Left, y + part.Top - wanted.Top, part.Width(),
                                part.Height());
        if (!DrawOn(dc, to, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
                return gfx::Copy(pixels, {to.Left + shift.X, to.Top + shift.Y}, band.view,
                                 part.Offset(0, -band.top), clip);
            }))
            return 0;
        return given;
    });
}

int StretchDIBits(HDC hdc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    return Guarded([&] {
        DeviceContext* dc = Find<DeviceContext>(hdc);
        if (!dc)
            return 0;
        if (rop != SRCCOPY)
            return Fail(ERROR_NOT_SUPPORTED);
        DibLayout dib;
        if (!bits || !info || usage != DIB_RGB_COLORS || Negative(width, height, srcWidth, srcHeight))
            return Fail(ERROR_INVALID_PARAMETER);
        if (!DescribeDib(info->bmiHeader, dib))
            return 0;
        DibBand whole = BandOf(bits, dib, 0, static_cast<UINT>(dib.rows));
        gfx::Rect from = DibRect(dib, srcX, srcY, srcWidth, srcHeight);
        gfx::Rect to = ToDevice(dc, x, y, width, height);
        if (!DrawOn(dc, to, [&](gfx::Bitmap& pixels, gfx::Point shift, const gfx::Region* clip) {
                return gfx::Stretch(pixels, to.Offset(shift.X, shift.Y), whole.view, from, FilterOf(dc), clip);
            }))
            return 0;
        return srcHeight;
    });
}

} // namespace win32
