// WGL_ARB_pbuffer over EGL pbuffer surfaces. A pbuffer hands out one DC at a
// time; releasing it and asking again gives a new one.

#include "LastError.h"
#include "Objects.h"
#include "WglEntryPoints.h"
#include "WglExtensions.h"

#include <EGL/egl.h>

namespace win32::detail {

HPBUFFERARB wglCreatePbufferARB(HDC hdc, int iPixelFormat, int iWidth, int iHeight,
                                const int* piAttribList)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return nullptr;
    const PixelFormatInfo* f = FormatAt(iPixelFormat);
    if (!f)
        return nullptr;
    if (!f->drawToPbuffer) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    bool largest = false;
    for (const int* p = piAttribList; p && p[0] != 0; p += 2) {
        if (p[0] != WGL_PBUFFER_LARGEST_ARB) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        largest = p[1] != 0;
    }
    if (iWidth <= 0 || iHeight <= 0) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    if ((f->maxPbufferWidth > 0 && iWidth > f->maxPbufferWidth && !largest)
        || (f->maxPbufferHeight > 0 && iHeight > f->maxPbufferHeight && !largest)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    EGLSurface surface = CreatePbufferSurface(iPixelFormat, iWidth, iHeight, largest);
    if (surface == EGL_NO_SURFACE)
        return nullptr;
    auto* pbuffer = new Pbuffer;
    pbuffer->surface = surface;
    pbuffer->pixelFormat = iPixelFormat;
    EGLint width = iWidth, height = iHeight;
    eglQuerySurface(Egl()->display, surface, EGL_WIDTH, &width);
    eglQuerySurface(Egl()->display, surface, EGL_HEIGHT, &height);
    pbuffer->width = width;
    pbuffer->height = height;
    return reinterpret_cast<HPBUFFERARB>(Register(pbuffer));
}

HDC wglGetPbufferDCARB(HPBUFFERARB hPbuffer)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Pbuffer* pbuffer = Find<Pbuffer>(hPbuffer);
    if (!pbuffer)
        return nullptr;
    if (!pbuffer->dc) {
        DeviceContext* dc = NewDeviceContext(DcKind::Pbuffer);
        dc->pixelFormat = pbuffer->pixelFormat;
        dc->surface = pbuffer->surface;
        dc->surfaceWidth = pbuffer->width;
        dc->surfaceHeight = pbuffer->height;
        dc->pbuffer = pbuffer;
        pbuffer->dc = dc;
    }
    return reinterpret_cast<HDC>(pbuffer->dc);
}

int wglReleasePbufferDCARB(HPBUFFERARB hPbuffer, HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Pbuffer* pbuffer = Lookup<Pbuffer>(hPbuffer);
    DeviceContext* dc = Lookup<DeviceContext>(hdc);
    if (!pbuffer || !dc || pbuffer->dc != dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (dc->currentCount > 0) {
        SetLastError(ERROR_BUSY);
        return 0;
    }
    pbuffer->dc = nullptr;
    ForgetDeviceContext(dc);
    return 1;
}

BOOL wglDestroyPbufferARB(HPBUFFERARB hPbuffer)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Pbuffer* pbuffer = Find<Pbuffer>(hPbuffer);
    if (!pbuffer)
        return FALSE;
    if (pbuffer->dc) {
        if (pbuffer->dc->currentCount > 0) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
        ForgetDeviceContext(pbuffer->dc);
    }
    eglDestroySurface(Egl()->display, pbuffer->surface);
    Unregister(pbuffer);
    delete pbuffer;
    return TRUE;
}

BOOL wglQueryPbufferARB(HPBUFFERARB hPbuffer, int iAttribute, int* piValue)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Pbuffer* pbuffer = Find<Pbuffer>(hPbuffer);
    if (!pbuffer)
        return FALSE;
    if (!piValue) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    switch (iAttribute) {
    case WGL_PBUFFER_WIDTH_ARB:
        *piValue = pbuffer->width;
        return TRUE;
    case WGL_PBUFFER_HEIGHT_ARB:
        *piValue = pbuffer->height;
        return TRUE;
    case WGL_PBUFFER_LOST_ARB:
        *piValue = 0; // memory-backed pbuffers are never lost
        return TRUE;
    default:
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
}

} // namespace win32::detail
