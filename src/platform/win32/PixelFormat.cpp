#include "PixelFormat.h"

#include "LastError.h"
#include "Objects.h"
#include "WglExtensions.h"

#include <climits>
#include <cstring>

namespace win32 {

using namespace detail;

namespace {

DWORD FlagsOf(const PixelFormatInfo& f)
{
    DWORD flags = PFD_SUPPORT_OPENGL;
    if (f.drawToWindow)
        flags |= PFD_DRAW_TO_WINDOW;
    if (f.drawToBitmap)
        flags |= PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    if (f.doubleBuffer)
        flags |= PFD_DOUBLEBUFFER;
    if (f.acceleration == WGL_NO_ACCELERATION_ARB)
        flags |= PFD_GENERIC_FORMAT;
    else if (f.acceleration == WGL_GENERIC_ACCELERATION_ARB)
        flags |= PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED;
    return flags;
}

PIXELFORMATDESCRIPTOR Describe(const PixelFormatInfo& f)
{
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = FlagsOf(f);
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(f.bufferSize);
    // Memory order B, G, R, A from the lowest bit, as in a DIB.
    pfd.cBlueBits = static_cast<BYTE>(f.blue);
    pfd.cBlueShift = 0;
    pfd.cGreenBits = static_cast<BYTE>(f.green);
    pfd.cGreenShift = static_cast<BYTE>(f.blue);
    pfd.cRedBits = static_cast<BYTE>(f.red);
    pfd.cRedShift = static_cast<BYTE>(f.blue + f.green);
    pfd.cAlphaBits = static_cast<BYTE>(f.alpha);
    pfd.cAlphaShift = static_cast<BYTE>(f.alpha ? f.blue + f.green + f.red : 0);
    pfd.cDepthBits = static_cast<BYTE>(f.depth);
    pfd.cStencilBits = static_cast<BYTE>(f.stencil);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// Penalty of a format against a request; -1 when it cannot serve at all.
long long Penalty(const PixelFormatInfo& f, const PIXELFORMATDESCRIPTOR& want)
{
    DWORD have = FlagsOf(f);
    constexpr DWORD required = PFD_DRAW_TO_WINDOW | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL;
    if ((want.dwFlags & required) & ~have)
        return -1;
    if (want.iPixelType != PFD_TYPE_RGBA)
        return -1;
    long long penalty = 0;
    if (!(want.dwFlags & PFD_DOUBLEBUFFER_DONTCARE)
        && ((want.dwFlags & PFD_DOUBLEBUFFER) != 0) != f.doubleBuffer)
        penalty += 1LL << 30;
    auto bits = [](int have, int wanted) -> long long {
        // Fewer bits than asked cost most; surplus bits cost a little.
        if (have < wanted)
            return (1LL << 24) + (wanted - have);
        return have - wanted;
    };
    penalty += bits(f.bufferSize, want.cColorBits) << 8;
    penalty += bits(f.alpha, want.cAlphaBits) << 8;
    if (!(want.dwFlags & PFD_DEPTH_DONTCARE))
        penalty += bits(f.depth, want.cDepthBits) << 4;
    penalty += bits(f.stencil, want.cStencilBits) << 4;
    penalty += static_cast<long long>(f.samples) << 2;
    return penalty;
}

} // namespace

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return 0;
    if (!ppfd || ppfd->nSize != sizeof(PIXELFORMATDESCRIPTOR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const EglState* egl = Egl();
    if (!egl)
        return 0;
    int best = 0;
    long long bestPenalty = LLONG_MAX;
    for (size_t i = 0; i < egl->formats.size(); ++i) {
        long long p = Penalty(egl->formats[i], *ppfd);
        if (p >= 0 && p < bestPenalty) {
            bestPenalty = p;
            best = static_cast<int>(i + 1);
        }
    }
    if (best == 0)
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return best;
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return FALSE;
    const PixelFormatInfo* f = FormatAt(format);
    if (!f)
        return FALSE;
    if (dc->pixelFormat != 0) {
        if (dc->pixelFormat == format)
            return TRUE;
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    switch (dc->kind) {
    case DcKind::Screen:
    case DcKind::Pbuffer:
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    case DcKind::Window: {
        if (!f->drawToWindow) {
            SetLastError(ERROR_INVALID_PIXEL_FORMAT);
            return FALSE;
        }
        // A headless display has no native windows: a 1 x 1 pbuffer stands in.
        EGLSurface surface = CreatePbufferSurface(format, 1, 1);
        if (surface == EGL_NO_SURFACE)
            return FALSE;
        dc->surface = surface;
        dc->surfaceWidth = dc->surfaceHeight = 1;
        dc->ownsSurface = true;
        break;
    }
    case DcKind::Memory:
        if (!f->drawToBitmap) {
            SetLastError(ERROR_INVALID_PIXEL_FORMAT);
            return FALSE;
        }
        break; // the surface follows the selected bitmap, made at first use
    }
    dc->pixelFormat = format;
    return TRUE;
}

int GetPixelFormat(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return 0;
    if (dc->pixelFormat == 0)
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return dc->pixelFormat;
}

int DescribePixelFormat(HDC hdc, int format, UINT nBytes, PIXELFORMATDESCRIPTOR* ppfd)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return 0;
    const EglState* egl = Egl();
    if (!egl)
        return 0;
    int count = static_cast<int>(egl->formats.size());
    if (!ppfd)
        return count;
    const PixelFormatInfo* f = FormatAt(format);
    if (!f)
        return 0;
    PIXELFORMATDESCRIPTOR pfd = Describe(*f);
    std::memcpy(ppfd, &pfd, nBytes < sizeof pfd ? nBytes : sizeof pfd);
    return count;
}

} // namespace win32
