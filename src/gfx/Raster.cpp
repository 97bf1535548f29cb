#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace gfx {

namespace {

struct ImageUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageUnref>;

Image Checked(pixman_image_t* image)
{
    if (!image)
        throw std::bad_alloc();
    return Image(image);
}

bool IsMono(const Bitmap& b) { return b.Format() == PixelFormat::Mono1; }

// How a bitmap reads and writes as a pixman image. Colour sources are opaque
// unless their alpha is asked for.
pixman_format_code_t PixmanFormat(PixelFormat format, bool withAlpha)
{
    switch (format) {
    case PixelFormat::Mono1:
        return PIXMAN_a1;
    case PixelFormat::Rgb555:
        return PIXMAN_x1r5g5b5;
    case PixelFormat::Bgr24:
        return PIXMAN_r8g8b8;
    case PixelFormat::Bgrx32:
    case PixelFormat::Bgra32:
        return withAlpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8;
    }
    return PIXMAN_x8r8g8b8;
}

// Wraps the bitmap's memory; bottom-up rows get a negative stride from the
// top row. The bitmap must not be empty.
Image Wrap(const Bitmap& b, bool withAlpha = false)
{
    auto* top = const_cast<uint8_t*>(b.Row(0));
    int stride = static_cast<int>(b.Stride());
    if (b.Order() == RowOrder::BottomUp)
        stride = -stride;
    return Checked(pixman_image_create_bits(PixmanFormat(b.Format(), withAlpha), b.Width(), b.Height(),
                                            reinterpret_cast<uint32_t*>(top), stride));
}

// The destination image for drawing inside `area` (when given), the clip and
// the bitmap. Null when nothing would be drawn.
struct Target {
    Image image;
    Region region;
};

Target MakeTarget(Bitmap& dst, const Region* clip, const Region* area = nullptr)
{
    Target t;
    if (dst.IsEmpty())
        return t;
    t.region = Region(dst.Bounds());
    if (clip)
        t.region.Intersect(*clip);
    if (area)
        t.region.Intersect(*area);
    if (t.region.IsEmpty())
        return t;
    t.image = Wrap(dst, dst.Format() == PixelFormat::Bgra32);
    if (!pixman_image_set_clip_region32(t.image.get(), t.region.Native()))
        throw std::bad_alloc();
    return t;
}

Image Solid(Color c, uint16_t alpha = 0xFFFF)
{
    pixman_color_t color{static_cast<uint16_t>(c.R * 257), static_cast<uint16_t>(c.G * 257),
                         static_cast<uint16_t>(c.B * 257), alpha};
    return Checked(pixman_image_create_solid_fill(&color));
}

Image SolidFor(const Bitmap& dst, Color c)
{
    if (IsMono(dst)) {
        bool white = c.R + c.G + c.B >= 3 * 128;
        return Solid({}, white ? 0xFFFF : 0);
    }
    return Solid(c);
}

void Composite(pixman_op_t op, const Image& src, const Image& mask, const Target& t, int32_t srcX,
               int32_t srcY, int32_t maskX, int32_t maskY, const Rect& dst)
{
    pixman_image_composite32(op, src.get(), mask.get(), t.image.get(), srcX, srcY, maskX, maskY, dst.Left,
                             dst.Top, dst.Width(), dst.Height());
}

bool Overlaps(const Bitmap& a, const Bitmap& b)
{
    return a.Memory() < b.Memory() + b.ByteSize() && b.Memory() < a.Memory() + a.ByteSize();
}

// The affine map from destination to source coordinates as a pixman transform.
void SetTransform(pixman_image_t* image, const double (&m)[2][3])
{
    pixman_f_transform f{};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            f.m[r][c] = m[r][c];
    f.m[2][2] = 1;
    pixman_transform_t t;
    if (!pixman_transform_from_pixman_f_transform(&t, &f) || !pixman_image_set_transform(image, &t))
        throw std::bad_alloc();
}

void SetSmoothFilter(pixman_image_t* image, double scaleX, double scaleY)
{
    if (scaleX <= 1 && scaleY <= 1) {
        pixman_image_set_filter(image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        return;
    }
    // Shrinking: average every source pixel that falls into a destination
    // pixel instead of sampling four of them.
    int n = 0;
    pixman_fixed_t* params = pixman_filter_create_separable_convolution(
        &n, pixman_double_to_fixed(std::max(1.0, scaleX)), pixman_double_to_fixed(std::max(1.0, scaleY)),
        PIXMAN_KERNEL_LINEAR, PIXMAN_KERNEL_LINEAR, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, 2, 2);
    if (!params)
        throw std::bad_alloc();
    bool ok = pixman_image_set_filter(image, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
    std::free(params);
    if (!ok)
        throw std::bad_alloc();
}

// The part of `to` whose pixel centres map into src when `from` is scaled
// onto `to`.
Rect MappedInside(const Rect& to, const Rect& from, const Bitmap& src)
{
    auto range = [](int32_t toLo, int32_t toLen, int32_t fromLo, int32_t fromLen, int32_t srcLen,
                    int32_t& lo, int32_t& hi) {
        double k = static_cast<double>(toLen) / fromLen;
        lo = std::max<double>(toLo, std::ceil(toLo + (0.0 - fromLo) * k - 0.5));
        hi = std::min<double>(toLo + static_cast<double>(toLen), std::ceil(toLo + (srcLen - static_cast<double>(fromLo)) * k - 0.5));
    };
    Rect r;
    range(to.Left, to.Width(), from.Left, from.Width(), src.Width(), r.Left, r.Right);
    range(to.Top, to.Height(), from.Top, from.Height(), src.Height(), r.Top, r.Bottom);
    return r.IsEmpty() ? Rect{} : r;
}

void ScaleTransform(pixman_image_t* image, const Rect& to, const Rect& from)
{
    double kx = static_cast<double>(from.Width()) / to.Width();
    double ky = static_cast<double>(from.Height()) / to.Height();
    const double m[2][3] = {{kx, 0, from.Left - to.Left * kx}, {0, ky, from.Top - to.Top * ky}};
    SetTransform(image, m);
}

// The 8-bit mask of a w x h cell: the 1-bit mask's pixels from `origin`
// (0 outside it), or all ones without a mask. 8 bits because pixman samples
// an 8-bit mask through a transform several times faster than a 1-bit one.
// A mesh blits hundreds of cells per frame through one or two masks, so the
// last conversions are kept, keyed by the mask's bytes themselves.
Image CellMask(const Bitmap* mask, Point origin, int32_t w, int32_t h)
{
    std::vector<uint8_t> key(sizeof(int32_t) * 5);
    const int32_t header[5] = {origin.X, origin.Y, w, mask ? h : -h, mask ? mask->Width() : 0};
    std::memcpy(key.data(), header, sizeof header);
    if (mask) {
        // Whole rows from the first covered one: cheap and exact.
        for (int32_t y = std::max(origin.Y, 0); y < std::min(origin.Y + h, mask->Height()); ++y)
            key.insert(key.end(), mask->Row(y), mask->Row(y) + mask->Stride());
    }
    struct Entry {
        std::vector<uint8_t> key;
        Image image;
    };
    thread_local Entry cache[4];
    thread_local size_t next = 0;
    for (Entry& e : cache)
        if (e.image && e.key == key)
            return Image(pixman_image_ref(e.image.get()));

    Image cell = Checked(pixman_image_create_bits(PIXMAN_a8, w, h, nullptr, 0));
    if (mask) {
        Image bits = Wrap(*mask);
        pixman_image_composite32(PIXMAN_OP_SRC, bits.get(), nullptr, cell.get(), origin.X, origin.Y, 0, 0, 0, 0, w, h);
    } else {
        pixman_color_t opaque{0, 0, 0, 0xFFFF};
        pixman_box32_t all{0, 0, w, h};
        pixman_image_fill_boxes(PIXMAN_OP_SRC, cell.get(), &opaque, 1, &all);
    }
    Entry& slot = cache[next++ % std::size(cache)];
    slot.key = std::move(key);
    slot.image = Image(pixman_image_ref(cell.get()));
    return cell;
}

bool SameSize(const Rect& a, const Rect& b) { return a.Width() == b.Width() && a.Height() == b.Height(); }

bool BadOrEmpty(const Rect& to, const Rect& from, bool& bad)
{
    bad = to.Width() < 0 || to.Height() < 0 || from.Width() < 0 || from.Height() < 0;
    return bad || to.IsEmpty() || from.IsEmpty();
}

bool Inside(const Rect& r, const Bitmap& b) { return Intersect(r, b.Bounds()) == r; }

__int128 CeilDiv(__int128 n, __int128 d)
{
    if (d < 0) {
        n = -n;
        d = -d;
    }
    __int128 q = n / d;
    return (n % d != 0 && n > 0) ? q + 1 : q;
}

int32_t ClampToInt(__int128 v)
{
    return static_cast<int32_t>(std::clamp<__int128>(v, INT32_MIN, INT32_MAX));
}

} // namespace

void FillRect(Bitmap& dst, const Rect& area, Color color, const Region* clip)
{
    FillRegion(dst, Region(area), color, clip);
}

void FillRegion(Bitmap& dst, const Region& area, Color color, const Region* clip)
{
    Target t = MakeTarget(dst, clip, &area);
    if (!t.image)
        return;
    Composite(PIXMAN_OP_SRC, SolidFor(dst, color), nullptr, t, 0, 0, 0, 0, t.region.Bounds());
}

bool Copy(Bitmap& dst, Point to, const Bitmap& src, const Rect& from, const Region* clip)
{
    if (IsMono(dst) && !IsMono(src))
        return false;
    if (from.Width() < 0 || from.Height() < 0)
        return false;
    Rect part = Intersect(from, src.Bounds());
    if (part.IsEmpty())
        return true;
    Point at{to.X + part.Left - from.Left, to.Y + part.Top - from.Top};
    Rect area = Rect::FromSize(at.X, at.Y, part.Width(), part.Height());
    if (Overlaps(dst, src)) {
        Bitmap between(part.Width(), part.Height(), src.Format());
        Copy(between, {0, 0}, src, part);
        return Copy(dst, at, between, between.Bounds(), clip);
    }
    Region areaRegion(area);
    Target t = MakeTarget(dst, clip, &areaRegion);
    if (!t.image)
        return true;
    Image source = Wrap(src);
    if (IsMono(src) && !IsMono(dst)) {
        // 0 bits black, 1 bits white: black first, then white through the bits.
        Composite(PIXMAN_OP_SRC, Solid({}), nullptr, t, 0, 0, 0, 0, area);
        Composite(PIXMAN_OP_OVER, Solid({255, 255, 255}), source, t, 0, 0, part.Left, part.Top, area);
        return true;
    }
    Composite(PIXMAN_OP_SRC, source, nullptr, t, part.Left, part.Top, 0, 0, area);
    return true;
}

bool Stretch(Bitmap& dst, const Rect& to, const Bitmap& src, const Rect& from, Filter filter,
             const Region* clip)
{
    bool bad = false;
    if (BadOrEmpty(to, from, bad))
        return !bad;
    if (IsMono(dst) && !IsMono(src))
        return false;
    if (SameSize(to, from))
        return Copy(dst, {to.Left, to.Top}, src, from, clip);
    if (IsMono(src) && !IsMono(dst)) {
        Bitmap colour(src.Width(), src.Height(), PixelFormat::Bgrx32);
        Copy(colour, {0, 0}, src, src.Bounds());
        return Stretch(dst, to, colour, from, filter, clip);
    }
    if (Overlaps(dst, src)) {
        Bitmap copy = src.Clone();
        return Stretch(dst, to, copy, from, filter, clip);
    }
    Region area(MappedInside(to, from, src));
    Target t = MakeTarget(dst, clip, &area);
    if (!t.image)
        return true;
    Image source = Wrap(src);
    ScaleTransform(source.get(), to, from);
    if (filter == Filter::Smooth) // edge pixels continue outward
        pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
    if (filter == Filter::Smooth)
        SetSmoothFilter(source.get(), static_cast<double>(from.Width()) / to.Width(),
                        static_cast<double>(from.Height()) / to.Height());
    else
        pixman_image_set_filter(source.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
    Rect box = t.region.Bounds();
    Composite(PIXMAN_OP_SRC, source, nullptr, t, box.Left, box.Top, 0, 0, box);
    return true;
}

bool BlendConstant(Bitmap& dst, const Rect& to, const Bitmap& src, const Rect& from, uint8_t alpha,
                   bool sourceAlpha, const Region* clip)
{
    bool bad = false;
    if (BadOrEmpty(to, from, bad))
        return !bad;
    if (IsMono(dst) || IsMono(src) || !Inside(from, src))
        return false;
    if (Overlaps(dst, src)) {
        Bitmap copy = src.Clone();
        return BlendConstant(dst, to, copy, from, alpha, sourceAlpha, clip);
    }
    Region area(to);
    Target t = MakeTarget(dst, clip, &area);
    if (!t.image)
        return true;
    Image source = Wrap(src, sourceAlpha);
    Image mask = Solid({}, static_cast<uint16_t>(alpha * 257));
    if (SameSize(to, from)) {
        Composite(PIXMAN_OP_OVER, source, mask, t, from.Left, from.Top, 0, 0, to);
        return true;
    }
    // Nearest samples of pixel centres stay inside `from`: no repeat needed,
    // which keeps pixman on its scaled fast paths.
    ScaleTransform(source.get(), to, from);
    pixman_image_set_filter(source.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
    Rect box = t.region.Bounds();
    Composite(PIXMAN_OP_OVER, source, mask, t, box.Left, box.Top, 0, 0, box);
    return true;
}

bool TransformBlit(Bitmap& dst, const Point (&corners)[3], const Bitmap& src, const Rect& from,
                   Filter filter, const Bitmap* mask, Point maskOrigin, const Region* clip)
{
    if (from.Width() < 0 || from.Height() < 0)
        return false;
    if (from.IsEmpty())
        return true;
    if (IsMono(dst) || IsMono(src) || !Inside(from, src) || (mask && !IsMono(*mask)))
        return false;
    const Point& o = corners[0];
    double ax = corners[1].X - o.X, ay = corners[1].Y - o.Y; // image of the top edge
    double bx = corners[2].X - o.X, by = corners[2].Y - o.Y; // image of the left edge
    double w = from.Width(), h = from.Height();
    // Forward: D = o + u / w * a + v / h * b, so the inverse needs det != 0.
    double det = (ax * by - bx * ay) / (w * h);
    if (det == 0)
        return true;
    const double i00 = by / h / det, i01 = -bx / h / det;
    const double i10 = -ay / w / det, i11 = ax / w / det;
    Point fourth{corners[1].X + corners[2].X - o.X, corners[1].Y + corners[2].Y - o.Y};
    Rect box{std::min({o.X, corners[1].X, corners[2].X, fourth.X}), std::min({o.Y, corners[1].Y, corners[2].Y, fourth.Y}),
             std::max({o.X, corners[1].X, corners[2].X, fourth.X}), std::max({o.Y, corners[1].Y, corners[2].Y, fourth.Y})};
    if (Overlaps(dst, src)) {
        Bitmap copy = src.Clone();
        return TransformBlit(dst, corners, copy, from, filter, mask, maskOrigin, clip);
    }
    Region area(box);
    Target t = MakeTarget(dst, clip, &area);
    if (!t.image)
        return true;

    // The mask of the source rectangle alone: the caller's bits under it, or
    // all ones, and nothing outside. Sampled through the same map as the
    // source, it gives the parallelogram its shape, so one composite over
    // the bounding box draws it (a clip region of one box per row would
    // cost a composite call per row).
    Image cell = CellMask(mask, maskOrigin, from.Width(), from.Height());

    auto mapping = [&](double left, double top, double (&m)[2][3]) {
        m[0][0] = i00;
        m[0][1] = i01;
        m[0][2] = left - i00 * o.X - i01 * o.Y;
        m[1][0] = i10;
        m[1][1] = i11;
        m[1][2] = top - i10 * o.X - i11 * o.Y;
    };
    double m[2][3];
    Image source = Wrap(src);
    mapping(from.Left, from.Top, m);
    SetTransform(source.get(), m);
    pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
    pixman_image_set_filter(source.get(), filter == Filter::Smooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST,
                            nullptr, 0);
    Image maskImage = std::move(cell);
    // The cell mask may be shared with the cache: every use sets its map.
    mapping(0, 0, m);
    SetTransform(maskImage.get(), m);
    pixman_image_set_filter(maskImage.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
    // The source is opaque, so OVER through a 1-bit mask copies where the
    // bit is 1 and keeps the destination where it is 0.
    box = t.region.Bounds();
    Composite(PIXMAN_OP_OVER, source, maskImage, t, box.Left, box.Top, box.Left, box.Top, box);
    return true;
}

Region PolygonInterior(std::span<const Point> points, const Rect& within)
{
    if (points.size() < 3 || within.IsEmpty())
        return {};
    int32_t top = INT32_MAX, bottom = INT32_MIN;
    for (const Point& p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    top = std::max(top, within.Top);
    bottom = std::min(bottom, within.Bottom);
    std::vector<Rect> spans;
    std::vector<int32_t> starts;
    for (int32_t y = top; y < bottom; ++y) {
        starts.clear();
        for (size_t k = 0; k < points.size(); ++k) {
            const Point& a = points[k];
            const Point& b = points[(k + 1) % points.size()];
            if (y < std::min(a.Y, b.Y) || y >= std::max(a.Y, b.Y))
                continue;
            // The first pixel on or right of the edge on this row, in exact
            // integers: ceil(a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y)).
            __int128 dy = static_cast<__int128>(b.Y) - a.Y;
            __int128 n = static_cast<__int128>(a.X) * dy
                + (static_cast<__int128>(y) - a.Y) * (static_cast<__int128>(b.X) - a.X);
            starts.push_back(ClampToInt(CeilDiv(n, dy)));
        }
        std::sort(starts.begin(), starts.end());
        for (size_t k = 0; k + 1 < starts.size(); k += 2) {
            int32_t l = std::max(starts[k], within.Left), r = std::min(starts[k + 1], within.Right);
            if (l < r)
                spans.push_back({l, y, r, y + 1});
        }
    }
    return Region::FromRects(spans);
}

Region PolylinePixels(std::span<const Point> points, bool closed, const Rect& within)
{
    std::vector<Rect> runs;
    size_t lines = points.size() < 2 ? 0 : (closed ? points.size() : points.size() - 1);
    for (size_t k = 0; k < lines; ++k) {
        const Point& a = points[k];
        const Point& b = points[(k + 1) % points.size()];
        int64_t dx = static_cast<int64_t>(b.X) - a.X, dy = static_cast<int64_t>(b.Y) - a.Y;
        int64_t n = std::max(std::llabs(dx), std::llabs(dy));
        if (n == 0)
            continue;
        // Steps k of the line whose pixels can fall inside `within`.
        double lo = 0, hi = static_cast<double>(n);
        auto narrow = [&](int64_t start, int64_t delta, int32_t min, int32_t max) {
            if (delta == 0) {
                if (start < min - 1 || start > max + 1)
                    hi = -1;
                return;
            }
            double s0 = (min - 2.0 - start) * n / delta, s1 = (max + 2.0 - start) * n / delta;
            lo = std::max(lo, std::min(s0, s1));
            hi = std::min(hi, std::max(s0, s1));
        };
        narrow(a.X, dx, within.Left, within.Right);
        narrow(a.Y, dy, within.Top, within.Bottom);
        int64_t first = static_cast<int64_t>(std::max(0.0, std::floor(lo)));
        int64_t last = static_cast<int64_t>(std::min(static_cast<double>(n), std::ceil(hi)));
        for (int64_t step = first; step < last; ++step) {
            // Nearest pixel to the exact line point, halves rounded up.
            auto at = [&](int64_t start, int64_t delta) {
                __int128 num = 2 * static_cast<__int128>(step) * delta + n;
                __int128 q = num / (2 * n);
                if (num % (2 * n) != 0 && num < 0)
                    --q;
                return static_cast<int64_t>(start + q);
            };
            int64_t x = at(a.X, dx), y = at(a.Y, dy);
            if (!within.Contains(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                                 static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX))))
                continue;
            auto px = static_cast<int32_t>(x), py = static_cast<int32_t>(y);
            if (!runs.empty() && runs.back().Top == py && runs.back().Right == px)
                ++runs.back().Right;
            else if (!runs.empty() && runs.back().Top == py && runs.back().Left == px + 1)
                --runs.back().Left;
            else
                runs.push_back({px, py, px + 1, py + 1});
        }
    }
    return Region::FromRects(runs);
}

} // namespace gfx
