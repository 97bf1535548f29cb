#include "ArbPixelFormat.h"

#include "GlWindowedCanvas.h"

#include "platform/win32/LastError.h"
#include "platform/win32/WglExtensions.h"

#include <climits>
#include <cstdlib>

namespace FormAnimator {

using namespace win32;

namespace {

int32_t Acceleration(const TGlPixelFormat& f, TGlSurfaceKind)
{
    switch (f.DesiredAcceleration()) {
    case aFull:
        return WGL_FULL_ACCELERATION_ARB;
    case aGeneric:
        return WGL_GENERIC_ACCELERATION_ARB;
    case aNone:
        return WGL_NO_ACCELERATION_ARB;
    default:
        return 0;
    }
}

int32_t SwapMethod(const TGlPixelFormat& f, TGlSurfaceKind)
{
    switch (f.DesiredSwapMethod()) {
    case smCopy:
        return WGL_SWAP_COPY_ARB;
    case smExchange:
        return WGL_SWAP_EXCHANGE_ARB;
    default:
        return 0;
    }
}

// A draw-to row wants 1 for its own surface kind.
template <TGlSurfaceKind Own>
int32_t DrawsTo(const TGlPixelFormat&, TGlSurfaceKind Kind)
{
    return Kind == Own ? 1 : 0;
}

} // namespace

const TArbAttribute ArbAttributeTable[ArbAttributeCount] = {
    {WGL_DRAW_TO_WINDOW_ARB, TArbRule::SurfaceKind, false, DrawsTo<skWindow>},
    {WGL_DRAW_TO_BITMAP_ARB, TArbRule::SurfaceKind, false, DrawsTo<skBitmap>},
    {WGL_DRAW_TO_PBUFFER_ARB, TArbRule::SurfaceKind, false, DrawsTo<skPBuffer>},
    {WGL_PIXEL_TYPE_ARB, TArbRule::Exact, false,
     [](const TGlPixelFormat&, TGlSurfaceKind) { return int32_t(WGL_TYPE_RGBA_ARB); }},
    {WGL_SUPPORT_OPENGL_ARB, TArbRule::Exact, false, [](const TGlPixelFormat&, TGlSurfaceKind) { return int32_t(1); }},
    {WGL_DOUBLE_BUFFER_ARB, TArbRule::Difference, false,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DoubleBuffered() ? 1 : 0); }},
    {WGL_ACCELERATION_ARB, TArbRule::Acceleration, false, Acceleration},
    {WGL_DEPTH_BITS_ARB, TArbRule::Buffer, false,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DesiredDepthBits()); }},
    {WGL_ALPHA_BITS_ARB, TArbRule::Buffer, false,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DesiredAlphaBits()); }},
    {WGL_STENCIL_BITS_ARB, TArbRule::Buffer, false,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DesiredStencilBits()); }},
    {WGL_SWAP_METHOD_ARB, TArbRule::SwapMethod, false, SwapMethod},
    {WGL_SAMPLE_BUFFERS_ARB, TArbRule::Difference, true,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DesiredAntialiasingLevel() > 0 ? 1 : 0); }},
    {WGL_SAMPLES_ARB, TArbRule::Minimum, true,
     [](const TGlPixelFormat& f, TGlSurfaceKind) { return int32_t(f.DesiredAntialiasingLevel()); }},
};

// The three draw-to rows are numbered like the surface kinds, which is how
// the surface-kind rule finds the row that matters.
static_assert(skWindow == 0 && skBitmap == 1 && skPBuffer == 2);

int32_t ArbDesiredValue(int Row, const TGlPixelFormat& f, TGlSurfaceKind Kind)
{
    if (Row < 0 || Row >= ArbAttributeCount)
        return 0;
    return ArbAttributeTable[Row].Desired(f, Kind);
}

int32_t ScoreAttribute(int32_t Row, int32_t Desired, int32_t Actual, int32_t Kind)
{
    constexpr int64_t excluded = 0x1000000;
    if (Row < 0 || Row >= ArbAttributeCount)
        return 0;
    // Differences are taken in 64 bits: a driver may answer any value.
    const int64_t d = Desired, a = Actual;
    const int64_t difference = d > a ? d - a : a - d;
    int64_t penalty = 0;
    switch (ArbAttributeTable[Row].Rule) {
    case TArbRule::SurfaceKind:
        penalty = (Row == Kind && a == 0) ? excluded : 0;
        break;
    case TArbRule::Exact:
        penalty = a != d ? excluded : 0;
        break;
    case TArbRule::Difference:
        penalty = difference;
        break;
    case TArbRule::Acceleration:
        penalty = d == 0 ? 0 : difference * 256;
        break;
    case TArbRule::Buffer:
        penalty = a >= d ? 0 : (a == 0 ? ArbExcluded : d - a);
        break;
    case TArbRule::SwapMethod:
        penalty = d == 0 ? 0 : difference;
        break;
    case TArbRule::Minimum:
        penalty = a >= d ? 0 : d - a;
        break;
    }
    return static_cast<int32_t>(penalty > INT32_MAX ? INT32_MAX : penalty);
}

int SelectArbPixelFormat(const TGlPixelFormat* PixelFormat, TGlSurfaceKind Kind, TArbScorer Scorer)
{
    TNullWindowedCanvas* null = NullWindowedCanvas;
    if (!null || !null->HasArbPixelFormat || !null->wglChoosePixelFormatARB || !null->wglGetPixelFormatAttribivARB)
        return -1;
    const TGlPixelFormat defaults;
    const TGlPixelFormat& wish = PixelFormat ? *PixelFormat : defaults;
    if (!Scorer)
        Scorer = ScoreAttribute;

    // Fixed working storage: no heap allocation per call.
    int attributes[ArbAttributeCount * 2 + 1];
    const float noFloats[1] = {0};
    int formats[ArbMaxFormats];
    int ids[ArbAttributeCount], desired[ArbAttributeCount], rows[ArbAttributeCount], values[ArbAttributeCount];

    // Exact pass: every non-zero wish is a requirement.
    int n = 0;
    for (int row = 0; row < ArbAttributeCount; ++row) {
        if (ArbAttributeTable[row].MultisampleOnly && !null->HasMultisample)
            continue;
        int32_t value = ArbDesiredValue(row, wish, Kind);
        if (value == 0)
            continue;
        attributes[n++] = ArbAttributeTable[row].Attribute;
        attributes[n++] = value;
    }
    attributes[n] = 0;
    UINT count = 0;
    if (!null->wglChoosePixelFormatARB(null->DC, attributes, noFloats, ArbMaxFormats, formats, &count))
        RaiseLastOSError();
    if (count >= 1)
        return formats[0];

    // Scoring pass over every format the driver offers.
    int used = 0;
    for (int row = 0; row < ArbAttributeCount; ++row) {
        if (ArbAttributeTable[row].MultisampleOnly && !null->HasMultisample)
            continue;
        ids[used] = ArbAttributeTable[row].Attribute;
        desired[used] = ArbDesiredValue(row, wish, Kind);
        rows[used] = row;
        ++used;
    }
    attributes[0] = 0;
    count = 0;
    if (!null->wglChoosePixelFormatARB(null->DC, attributes, noFloats, ArbMaxFormats, formats, &count))
        RaiseLastOSError();
    if (count > static_cast<UINT>(ArbMaxFormats))
        count = ArbMaxFormats;

    int best = -1;
    int64_t bestScore = ArbExcluded;
    for (UINT i = 0; i < count; ++i) {
        if (!null->wglGetPixelFormatAttribivARB(null->DC, formats[i], 0, static_cast<UINT>(used), ids, values))
            RaiseLastOSError();
        int64_t score = 0;
        for (int k = 0; k < used; ++k)
            score += Scorer(rows[k], desired[k], values[k], Kind);
        if (score < bestScore) {
            best = formats[i];
            bestScore = score;
        }
    }
    return best;
}

} // namespace FormAnimator
