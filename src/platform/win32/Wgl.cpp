#include "Wgl.h"

#include "LastError.h"
#include "Objects.h"
#include "WglEntryPoints.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <EGL/eglext.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace win32 {

namespace detail {

std::recursive_mutex& BindingLock()
{
    static std::recursive_mutex lock;
    return lock;
}

ThreadCurrent& Current()
{
    thread_local ThreadCurrent current;
    return current;
}

// A thread that ends with a context current gives it back, so that another
// thread can make it current afterwards.
ThreadCurrent::~ThreadCurrent()
{
    if (!context)
        return;
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (const EglState* egl = Egl())
        eglMakeCurrent(egl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (Lookup<GlContext>(context))
        context->current = false;
    if (Lookup<DeviceContext>(dc))
        --dc->currentCount;
    context = nullptr;
    dc = nullptr;
}

EGLSurface CreatePbufferSurface(int pixelFormat, int width, int height, bool largest)
{
    const PixelFormatInfo* f = FormatAt(pixelFormat);
    if (!f)
        return EGL_NO_SURFACE;
    const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height,
                                 EGL_LARGEST_PBUFFER, largest ? EGL_TRUE : EGL_FALSE, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(Egl()->display, f->config, attributes);
    if (surface == EGL_NO_SURFACE)
        SetLastErrorFromEgl();
    return surface;
}

void DestroyOwnSurface(DeviceContext* dc)
{
    if (dc->ownsSurface && dc->surface != EGL_NO_SURFACE)
        eglDestroySurface(Egl()->display, dc->surface);
    dc->surface = EGL_NO_SURFACE;
    dc->ownsSurface = false;
    dc->surfaceWidth = dc->surfaceHeight = 0;
}

bool EnsureMemorySurface(DeviceContext* dc)
{
    int width = 1, height = 1;
    if (dc->bitmap && !dc->bitmap->stock) {
        width = dc->bitmap->pixels.Width();
        height = dc->bitmap->pixels.Height();
    }
    if (dc->surface != EGL_NO_SURFACE && dc->surfaceWidth == width && dc->surfaceHeight == height)
        return true;
    EGLSurface surface = CreatePbufferSurface(dc->pixelFormat, width, height);
    if (surface == EGL_NO_SURFACE)
        return false;
    DestroyOwnSurface(dc);
    dc->surface = surface;
    dc->ownsSurface = true;
    dc->surfaceWidth = width;
    dc->surfaceHeight = height;
    return true;
}

namespace {

// Neutral pixel-pack state for reading the current surface, from
// construction to destruction: pack and pixel-transfer state at defaults,
// no pack buffer and the default read framebuffer. The application's state
// comes back afterwards.
class NeutralPixelPack {
public:
    NeutralPixelPack()
    {
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer_);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPushAttrib(GL_PIXEL_MODE_BIT);
        if (packBuffer_)
            glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        if (readFramebuffer_)
            glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
        glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
        for (GLenum scale : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE})
            glPixelTransferf(scale, 1.0f);
        for (GLenum bias : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS})
            glPixelTransferf(bias, 0.0f);
    }
    ~NeutralPixelPack()
    {
        if (readFramebuffer_)
            glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer_));
        if (packBuffer_)
            glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer_));
        glPopAttrib();
        glPopClientAttrib();
    }
    NeutralPixelPack(const NeutralPixelPack&) = delete;
    NeutralPixelPack& operator=(const NeutralPixelPack&) = delete;

private:
    GLint packBuffer_ = 0;
    GLint readFramebuffer_ = 0;
};

} // namespace

void SyncBitsIfCurrent(DeviceContext* dc)
{
    ThreadCurrent& current = Current();
    if (!dc || current.dc != dc || !current.context || dc->kind != DcKind::Memory)
        return;
    Bitmap* b = dc->bitmap;
    if (!b || b->stock || b->pixels.Format() == gfx::PixelFormat::Mono1)
        return;
    gfx::Bitmap& pixels = b->pixels;
    int rows = std::min(pixels.Height(), dc->surfaceHeight);
    int width = std::min(pixels.Width(), dc->surfaceWidth);
    if (width <= 0 || rows <= 0)
        return;

    NeutralPixelPack neutral;
    GLenum format = gfx::BitsPerPixel(pixels.Format()) == 32 ? GL_BGRA : GL_BGR;
    if (pixels.Order() == gfx::RowOrder::BottomUp && pixels.Stride() == gfx::PaddedRowBytes(width, pixels.Format())) {
        // GL's rows run bottom-up like those of a bottom-up DIB.
        glReadPixels(0, 0, width, rows, format, GL_UNSIGNED_BYTE, pixels.Row(rows - 1));
    } else {
        for (int y = 0; y < rows; ++y)
            glReadPixels(0, rows - 1 - y, width, 1, format, GL_UNSIGNED_BYTE, pixels.Row(y));
    }
}

void ReleaseThreadCurrent()
{
    ThreadCurrent& current = Current();
    if (!current.context)
        return;
    SyncBitsIfCurrent(current.dc);
    eglMakeCurrent(Egl()->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    current.context->current = false;
    current.context->owner = std::thread::id();
    if (current.dc)
        --current.dc->currentCount;
    current.context = nullptr;
    current.dc = nullptr;
}

namespace {

long long ShareClassOf(const DeviceContext* dc)
{
    if (dc->kind != DcKind::Memory)
        return 0;
    const PixelFormatInfo* f = FormatAt(dc->pixelFormat);
    if (!f)
        return -1;
    return 1 + (static_cast<long long>(f->red) << 0) + (static_cast<long long>(f->green) << 6)
        + (static_cast<long long>(f->blue) << 12) + (static_cast<long long>(f->alpha) << 18)
        + (static_cast<long long>(f->depth) << 24) + (static_cast<long long>(f->stencil) << 30);
}

EGLContext CreateEglContext(EGLContext share)
{
    BindOpenGlApi();
    const EGLint attributes[] = {EGL_NONE};
    EGLContext context = eglCreateContext(Egl()->display, EGL_NO_CONFIG_KHR, share, attributes);
    if (context == EGL_NO_CONTEXT)
        SetLastErrorFromEgl();
    return context;
}

struct NamedProc {
    const char* name;
    PROC proc;
};

const NamedProc wglProcs[] = {
    {"wglGetExtensionsStringARB", reinterpret_cast<PROC>(&wglGetExtensionsStringARB)},
    {"wglGetPixelFormatAttribivARB", reinterpret_cast<PROC>(&wglGetPixelFormatAttribivARB)},
    {"wglGetPixelFormatAttribfvARB", reinterpret_cast<PROC>(&wglGetPixelFormatAttribfvARB)},
    {"wglChoosePixelFormatARB", reinterpret_cast<PROC>(&wglChoosePixelFormatARB)},
    {"wglCreatePbufferARB", reinterpret_cast<PROC>(&wglCreatePbufferARB)},
    {"wglGetPbufferDCARB", reinterpret_cast<PROC>(&wglGetPbufferDCARB)},
    {"wglReleasePbufferDCARB", reinterpret_cast<PROC>(&wglReleasePbufferDCARB)},
    {"wglDestroyPbufferARB", reinterpret_cast<PROC>(&wglDestroyPbufferARB)},
    {"wglQueryPbufferARB", reinterpret_cast<PROC>(&wglQueryPbufferARB)},
};

} // namespace

const char* wglGetExtensionsStringARB(HDC)
{
    static const std::string withMultisample =
        "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_ARB_pbuffer WGL_ARB_multisample";
    static const std::string plain = "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_ARB_pbuffer";
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    const EglState* egl = Egl();
    return egl && egl->anyMultisample ? withMultisample.c_str() : plain.c_str();
}

} // namespace detail

using namespace detail;

HGLRC wglCreateContext(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return nullptr;
    if (dc->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    if (!Egl())
        return nullptr;
    EGLContext egl = CreateEglContext(EGL_NO_CONTEXT);
    if (egl == EGL_NO_CONTEXT)
        return nullptr;
    auto* context = new GlContext;
    context->egl = egl;
    context->pixelFormat = dc->pixelFormat;
    context->shareClass = ShareClassOf(dc);
    return reinterpret_cast<HGLRC>(Register(context));
}

BOOL wglDeleteContext(HGLRC hglrc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    GlContext* context = Find<GlContext>(hglrc);
    if (!context)
        return FALSE;
    if (context->current) {
        if (context->owner != std::this_thread::get_id()) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
        ReleaseThreadCurrent();
    }
    eglDestroyContext(Egl()->display, context->egl);
    Unregister(context);
    delete context;
    return TRUE;
}

BOOL wglMakeCurrent(HDC hdc, HGLRC hglrc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    ThreadCurrent& current = Current();
    if (!hglrc) {
        ReleaseThreadCurrent();
        return TRUE;
    }
    GlContext* context = Find<GlContext>(hglrc);
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!context || !dc)
        return FALSE;
    if (dc->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (context->current && context->owner != std::this_thread::get_id()) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (current.context == context && current.dc == dc)
        return TRUE;
    if (dc->kind == DcKind::Memory && current.dc != dc && !EnsureMemorySurface(dc))
        return FALSE;
    if (dc->surface == EGL_NO_SURFACE) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    // What GL drew on a DIB must be in its bits before the DC stops being current.
    SyncBitsIfCurrent(current.dc);
    BindOpenGlApi();
    if (!eglMakeCurrent(Egl()->display, dc->surface, dc->surface, context->egl)) {
        SetLastErrorFromEgl();
        return FALSE;
    }
    if (current.context && current.context != context) {
        current.context->current = false;
        current.context->owner = std::thread::id();
    }
    if (current.dc)
        --current.dc->currentCount;
    context->current = true;
    context->owner = std::this_thread::get_id();
    ++dc->currentCount;
    current.context = context;
    current.dc = dc;
    return TRUE;
}

HDC wglGetCurrentDC()
{
    return reinterpret_cast<HDC>(Current().dc);
}

HGLRC wglGetCurrentContext()
{
    return reinterpret_cast<HGLRC>(Current().context);
}

PROC wglGetProcAddress(const char* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const NamedProc& p : wglProcs)
        if (std::strcmp(p.name, name) == 0)
            return p.proc;
    if (std::strncmp(name, "gl", 2) == 0 && name[2] != '\0') {
        if (PROC proc = reinterpret_cast<PROC>(eglGetProcAddress(name)))
            return proc;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL wglShareLists(HGLRC hglrcSrc, HGLRC hglrcDst)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    GlContext* source = Find<GlContext>(hglrcSrc);
    GlContext* joining = Find<GlContext>(hglrcDst);
    if (!source || !joining)
        return FALSE;
    if (source == joining)
        return TRUE;
    if (source->shareClass != joining->shareClass) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (joining->current) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    EGLContext egl = CreateEglContext(source->egl);
    if (egl == EGL_NO_CONTEXT)
        return FALSE;
    eglDestroyContext(Egl()->display, joining->egl);
    joining->egl = egl;
    return TRUE;
}

BOOL SwapBuffers(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return FALSE;
    if (dc->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    return TRUE;
}

} // namespace win32
