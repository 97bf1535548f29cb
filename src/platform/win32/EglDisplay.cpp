#include "EglDisplay.h"

#include "LastError.h"
#include "WglExtensions.h"

#include <EGL/eglext.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace win32::detail {

namespace {

EGLint Attrib(EGLDisplay display, EGLConfig config, EGLint attribute)
{
    EGLint value = 0;
    if (!eglGetConfigAttrib(display, config, attribute, &value))
        return 0;
    return value;
}

// Colour layouts in the order formats are numbered: the display's own 32-bit
// layout first, so that the first match of a plain request is the usual one.
int LayoutRank(const PixelFormatInfo& f)
{
    struct Layout {
        int r, g, b, a;
    };
    static constexpr Layout order[] = {
        {8, 8, 8, 8}, {8, 8, 8, 0}, {5, 6, 5, 0}, {10, 10, 10, 2}, {10, 10, 10, 0},
    };
    for (size_t i = 0; i < std::size(order); ++i)
        if (f.red == order[i].r && f.green == order[i].g && f.blue == order[i].b && f.alpha == order[i].a)
            return static_cast<int>(i);
    return static_cast<int>(std::size(order));
}

bool IsSoftwareDriver(EGLDisplay display)
{
    using QueryDriverName = const char* (*)(EGLDisplay);
    auto query = reinterpret_cast<QueryDriverName>(eglGetProcAddress("eglGetDisplayDriverName"));
    if (!query)
        return false;
    const char* name = query(display);
    if (!name)
        return false;
    return std::strstr(name, "swrast") != nullptr || std::strcmp(name, "softpipe") == 0
        || std::strcmp(name, "llvmpipe") == 0;
}

bool HasToken(const char* list, const char* token)
{
    if (!list)
        return false;
    size_t n = std::strlen(token);
    for (const char* p = list; (p = std::strstr(p, token)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}

EglState* Initialise()
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasToken(clientExtensions, "EGL_MESA_platform_surfaceless"))
        return nullptr;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return nullptr;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return nullptr;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return nullptr;
    // Contexts are created without a config so that any surface of the
    // display can be made current with them.
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!HasToken(extensions, "EGL_KHR_no_config_context") && !HasToken(extensions, "EGL_MESA_configless_context"))
        return nullptr;
    if (!eglBindAPI(EGL_OPENGL_API))
        return nullptr;

    EGLint count = 0;
    eglGetConfigs(display, nullptr, 0, &count);
    std::vector<EGLConfig> configs(static_cast<size_t>(std::max(count, 0)));
    if (count > 0)
        eglGetConfigs(display, configs.data(), count, &count);

    auto* state = new EglState;
    state->display = display;
    state->softwareDriver = IsSoftwareDriver(display);
    for (EGLConfig config : configs) {
        if (!(Attrib(display, config, EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT))
            continue;
        // Every surface of the binding is a pbuffer underneath.
        if (!(Attrib(display, config, EGL_SURFACE_TYPE) & EGL_PBUFFER_BIT))
            continue;
        if (Attrib(display, config, EGL_COLOR_BUFFER_TYPE) != EGL_RGB_BUFFER)
            continue;
#ifdef EGL_COLOR_COMPONENT_TYPE_EXT
        EGLint componentType = Attrib(display, config, EGL_COLOR_COMPONENT_TYPE_EXT);
        if (componentType != 0 && componentType != EGL_COLOR_COMPONENT_TYPE_FIXED_EXT)
            continue;
#endif
        PixelFormatInfo f;
        f.config = config;
        f.configId = Attrib(display, config, EGL_CONFIG_ID);
        f.red = Attrib(display, config, EGL_RED_SIZE);
        f.green = Attrib(display, config, EGL_GREEN_SIZE);
        f.blue = Attrib(display, config, EGL_BLUE_SIZE);
        f.alpha = Attrib(display, config, EGL_ALPHA_SIZE);
        f.bufferSize = Attrib(display, config, EGL_BUFFER_SIZE);
        f.depth = Attrib(display, config, EGL_DEPTH_SIZE);
        f.stencil = Attrib(display, config, EGL_STENCIL_SIZE);
        f.sampleBuffers = Attrib(display, config, EGL_SAMPLE_BUFFERS);
        f.samples = Attrib(display, config, EGL_SAMPLES);
        f.drawToPbuffer = true;
        // Hidden windows are backed by a pbuffer, so any format can serve them.
        f.drawToWindow = true;
        // A 32- or 24-bit DIB holds 8-bit channels exactly; client memory has
        // no multisample buffer.
        f.drawToBitmap = f.red == 8 && f.green == 8 && f.blue == 8 && f.sampleBuffers == 0;
        // Pbuffers are single-buffered.
        f.doubleBuffer = false;
        if (state->softwareDriver)
            f.acceleration = WGL_NO_ACCELERATION_ARB;
        else if (Attrib(display, config, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG)
            f.acceleration = WGL_GENERIC_ACCELERATION_ARB;
        else
            f.acceleration = WGL_FULL_ACCELERATION_ARB;
        f.maxPbufferWidth = Attrib(display, config, EGL_MAX_PBUFFER_WIDTH);
        f.maxPbufferHeight = Attrib(display, config, EGL_MAX_PBUFFER_HEIGHT);
        f.maxPbufferPixels = Attrib(display, config, EGL_MAX_PBUFFER_PIXELS);
        if (f.sampleBuffers > 0)
            state->anyMultisample = true;
        state->formats.push_back(f);
    }
    std::stable_sort(state->formats.begin(), state->formats.end(),
                     [](const PixelFormatInfo& a, const PixelFormatInfo& b) {
                         int ra = LayoutRank(a), rb = LayoutRank(b);
                         if (ra != rb)
                             return ra < rb;
                         return a.configId < b.configId;
                     });
    if (state->formats.empty()) {
        delete state;
        return nullptr;
    }
    return state;
}

} // namespace

const EglState* Egl()
{
    // Kept for the life of the process: terminating the display while other
    // static objects may still release GL resources would be worse than
    // leaving it to process exit.
    static EglState* state = Initialise();
    if (!state)
        SetLastError(ERROR_NO_GRAPHICS_DEVICE);
    return state;
}

const PixelFormatInfo* FormatAt(int index)
{
    const EglState* egl = Egl();
    if (!egl)
        return nullptr;
    if (index < 1 || static_cast<size_t>(index) > egl->formats.size()) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    return &egl->formats[static_cast<size_t>(index) - 1];
}

void BindOpenGlApi() { eglBindAPI(EGL_OPENGL_API); }

void SetLastErrorFromEgl()
{
    switch (eglGetError()) {
    case EGL_SUCCESS:
        SetLastError(ERROR_INVALID_PARAMETER);
        break;
    case EGL_BAD_ALLOC:
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        break;
    case EGL_BAD_ACCESS:
        SetLastError(ERROR_BUSY);
        break;
    case EGL_NOT_INITIALIZED:
        SetLastError(ERROR_NO_GRAPHICS_DEVICE);
        break;
    case EGL_BAD_CONTEXT:
    case EGL_BAD_SURFACE:
    case EGL_BAD_DISPLAY:
    case EGL_BAD_CONFIG:
        SetLastError(ERROR_INVALID_HANDLE);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        break;
    }
}

} // namespace win32::detail
