// WGL_ARB_pixel_format over the binding's pixel formats.

#include "LastError.h"
#include "Objects.h"
#include "WglEntryPoints.h"
#include "WglExtensions.h"

#include <limits>

namespace win32::detail {

namespace {

// How wglChoosePixelFormatARB compares a requested value with a format's.
enum class Match {
    Exact,   // must be equal
    Minimum, // must be at least the requested value
    Ignore,  // queryable, but not a selection criterion
};

struct AttributeRow {
    int id;
    Match match;
    int (*value)(const PixelFormatInfo&);
};

// One row per attribute the formats answer; wglChoosePixelFormatARB and
// wglGetPixelFormatAttribivARB both read it.
const AttributeRow attributeTable[] = {
    {WGL_DRAW_TO_WINDOW_ARB, Match::Exact, [](const PixelFormatInfo& f) { return int(f.drawToWindow); }},
    {WGL_DRAW_TO_BITMAP_ARB, Match::Exact, [](const PixelFormatInfo& f) { return int(f.drawToBitmap); }},
    {WGL_DRAW_TO_PBUFFER_ARB, Match::Exact, [](const PixelFormatInfo& f) { return int(f.drawToPbuffer); }},
    {WGL_ACCELERATION_ARB, Match::Exact, [](const PixelFormatInfo& f) { return f.acceleration; }},
    {WGL_NEED_PALETTE_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_NEED_SYSTEM_PALETTE_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SWAP_LAYER_BUFFERS_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SWAP_METHOD_ARB, Match::Exact, [](const PixelFormatInfo&) { return WGL_SWAP_UNDEFINED_ARB; }},
    {WGL_NUMBER_OVERLAYS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_NUMBER_UNDERLAYS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_TRANSPARENT_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SHARE_DEPTH_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SHARE_STENCIL_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SHARE_ACCUM_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_SUPPORT_GDI_ARB, Match::Exact, [](const PixelFormatInfo& f) { return int(f.drawToBitmap); }},
    {WGL_SUPPORT_OPENGL_ARB, Match::Exact, [](const PixelFormatInfo&) { return 1; }},
    {WGL_DOUBLE_BUFFER_ARB, Match::Exact, [](const PixelFormatInfo& f) { return int(f.doubleBuffer); }},
    {WGL_STEREO_ARB, Match::Exact, [](const PixelFormatInfo&) { return 0; }},
    {WGL_PIXEL_TYPE_ARB, Match::Exact, [](const PixelFormatInfo&) { return WGL_TYPE_RGBA_ARB; }},
    {WGL_COLOR_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.bufferSize; }},
    {WGL_RED_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.red; }},
    {WGL_RED_SHIFT_ARB, Match::Ignore, [](const PixelFormatInfo& f) { return f.blue + f.green; }},
    {WGL_GREEN_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.green; }},
    {WGL_GREEN_SHIFT_ARB, Match::Ignore, [](const PixelFormatInfo& f) { return f.blue; }},
    {WGL_BLUE_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.blue; }},
    {WGL_BLUE_SHIFT_ARB, Match::Ignore, [](const PixelFormatInfo&) { return 0; }},
    {WGL_ALPHA_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.alpha; }},
    {WGL_ALPHA_SHIFT_ARB, Match::Ignore,
     [](const PixelFormatInfo& f) { return f.alpha ? f.blue + f.green + f.red : 0; }},
    {WGL_ACCUM_BITS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_ACCUM_RED_BITS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_ACCUM_GREEN_BITS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_ACCUM_BLUE_BITS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_ACCUM_ALPHA_BITS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_DEPTH_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.depth; }},
    {WGL_STENCIL_BITS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.stencil; }},
    {WGL_AUX_BUFFERS_ARB, Match::Minimum, [](const PixelFormatInfo&) { return 0; }},
    {WGL_MAX_PBUFFER_PIXELS_ARB, Match::Ignore, [](const PixelFormatInfo& f) { return f.maxPbufferPixels; }},
    {WGL_MAX_PBUFFER_WIDTH_ARB, Match::Ignore, [](const PixelFormatInfo& f) { return f.maxPbufferWidth; }},
    {WGL_MAX_PBUFFER_HEIGHT_ARB, Match::Ignore, [](const PixelFormatInfo& f) { return f.maxPbufferHeight; }},
    {WGL_SAMPLE_BUFFERS_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.sampleBuffers; }},
    {WGL_SAMPLES_ARB, Match::Minimum, [](const PixelFormatInfo& f) { return f.samples; }},
};

const AttributeRow* FindRow(int id)
{
    for (const AttributeRow& row : attributeTable)
        if (row.id == id)
            return &row;
    return nullptr;
}

struct Wish {
    const AttributeRow* row;
    long long value;
};

// Reads the (id, value) pairs of both lists; false when one names an
// attribute that cannot select formats.
bool ParseWishes(const int* ints, const float* floats, Wish* wishes, size_t capacity, size_t& count)
{
    count = 0;
    auto add = [&](int id, long long value) {
        const AttributeRow* row = FindRow(id);
        if (!row || row->match == Match::Ignore || count == capacity)
            return false;
        wishes[count++] = {row, value};
        return true;
    };
    for (const int* p = ints; p && p[0] != 0; p += 2)
        if (!add(p[0], p[1]))
            return false;
    for (const float* p = floats; p && p[0] != 0.0f; p += 2)
        if (!add(static_cast<int>(p[0]), static_cast<long long>(p[1])))
            return false;
    return true;
}

bool Matches(const PixelFormatInfo& f, const Wish* wishes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        long long have = wishes[i].row->value(f);
        if (wishes[i].row->match == Match::Exact ? have != wishes[i].value : have < wishes[i].value)
            return false;
    }
    return true;
}

template <class T>
BOOL GetAttributes(HDC hdc, int iPixelFormat, int iLayerPlane, UINT nAttributes,
                   const int* piAttributes, T* values)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return FALSE;
    if (iLayerPlane != 0 || nAttributes == 0 || !piAttributes || !values) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const EglState* egl = Egl();
    if (!egl)
        return FALSE;
    const PixelFormatInfo* f = nullptr;
    for (UINT i = 0; i < nAttributes; ++i) {
        if (piAttributes[i] == WGL_NUMBER_PIXEL_FORMATS_ARB) {
            values[i] = static_cast<T>(egl->formats.size());
            continue;
        }
        const AttributeRow* row = FindRow(piAttributes[i]);
        if (!row) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!f && !(f = FormatAt(iPixelFormat)))
            return FALSE;
        values[i] = static_cast<T>(row->value(*f));
    }
    return TRUE;
}

} // namespace

BOOL wglGetPixelFormatAttribivARB(HDC hdc, int iPixelFormat, int iLayerPlane, UINT nAttributes,
                                  const int* piAttributes, int* piValues)
{
    return GetAttributes(hdc, iPixelFormat, iLayerPlane, nAttributes, piAttributes, piValues);
}

BOOL wglGetPixelFormatAttribfvARB(HDC hdc, int iPixelFormat, int iLayerPlane, UINT nAttributes,
                                  const int* piAttributes, float* pfValues)
{
    return GetAttributes(hdc, iPixelFormat, iLayerPlane, nAttributes, piAttributes, pfValues);
}

// Matching formats in index order; at most nMaxFormats are written and
// *nNumFormats says how many were.
BOOL wglChoosePixelFormatARB(HDC hdc, const int* piAttribIList, const float* pfAttribFList,
                             UINT nMaxFormats, int* piFormats, UINT* nNumFormats)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (nNumFormats)
        *nNumFormats = 0;
    if (!Find<DeviceContext>(hdc))
        return FALSE;
    if (!nNumFormats || (nMaxFormats > 0 && !piFormats)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    constexpr size_t capacity = std::size(attributeTable) * 2;
    Wish wishes[capacity];
    size_t wishCount = 0;
    if (!ParseWishes(piAttribIList, pfAttribFList, wishes, capacity, wishCount)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const EglState* egl = Egl();
    if (!egl)
        return FALSE;
    UINT written = 0;
    for (size_t i = 0; i < egl->formats.size() && written < nMaxFormats; ++i)
        if (Matches(egl->formats[i], wishes, wishCount))
            piFormats[written++] = static_cast<int>(i + 1);
    *nNumFormats = written;
    return TRUE;
}

} // namespace win32::detail
