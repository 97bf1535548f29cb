// Costs of the OpenGL surfaces: creating the library's globals at start-up
// (the hidden window canvas with its contexts and extension probing), and one
// Lock/Unlock pair of a canvas. The peer is bare EGL on the same display and
// driver: creating a context with a 1 x 1 pbuffer, and one make-current /
// release pair, which is the floor under any lock protocol.
//
// bench_gl_canvas [iterations]

#include "FormAnimator/DIBCanvas.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GlCanvas.h"
#include "FormAnimator/PBufferCanvas.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace FormAnimator;
using Clock = std::chrono::steady_clock;

namespace {

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

template <class F>
double Median(int runs, F&& body)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        body();
        times.push_back(Microseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Per-iteration cost of a pair, averaged over a batch, median of batches.
template <class F>
double PerPair(int iterations, F&& pair)
{
    return Median(7, [&] {
               for (int i = 0; i < iterations; ++i)
                   pair();
           })
        / iterations;
}

struct BareEgl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;

    bool Open()
    {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return false;
        display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major, minor, count = 0;
        if (!eglInitialize(display, &major, &minor))
            return false;
        const EGLint wish[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE, 8, EGL_NONE};
        return eglChooseConfig(display, wish, &config, 1, &count) && count == 1 && eglBindAPI(EGL_OPENGL_API);
    }
};

} // namespace

int main(int argc, char** argv)
{
    int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;

    auto first = Clock::now();
    if (!FormAnimatorStartup()) {
        std::printf("OpenGL cannot be started here: %s\n", FormAnimatorStartupError().c_str());
        return 0;
    }
    double firstStartup = Microseconds(Clock::now() - first);
    FormAnimatorShutdown();
    double startup = Median(15, [] {
        FormAnimatorStartup();
        FormAnimatorShutdown();
    });
    FormAnimatorStartup();

    auto* pbuffer = new TPBufferCanvas;
    pbuffer->CreateSurface(64, 64, nullptr);
    auto* dib = new TDIBCanvas;
    dib->CreateSurface(64, 64, nullptr);
    auto* screenDib = new TDIBCanvas;
    screenDib->CreateSurface(1920, 1080, nullptr);

    double pbufferPair = PerPair(iterations, [&] {
        pbuffer->Lock();
        pbuffer->Unlock();
    });
    double nestedPair = 0;
    pbuffer->Lock();
    nestedPair = PerPair(iterations, [&] {
        pbuffer->Lock();
        pbuffer->Unlock();
    });
    pbuffer->Unlock();
    double dibPair = PerPair(iterations / 4 + 1, [&] {
        dib->Lock();
        dib->Unlock();
    });
    double screenDibPair = PerPair(50, [&] {
        screenDib->Lock();
        screenDib->Unlock();
    });

    for (TGlCanvas* canvas : {static_cast<TGlCanvas*>(pbuffer), static_cast<TGlCanvas*>(dib),
                              static_cast<TGlCanvas*>(screenDib)}) {
        canvas->ReleaseSurface();
        delete canvas;
    }
    FormAnimatorShutdown();

    // Peer: bare EGL.
    BareEgl egl;
    double eglCreate = 0, eglPair = 0, eglPairFinish = 0;
    if (egl.Open()) {
        const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        eglCreate = Median(15, [&] {
            EGLContext c = eglCreateContext(egl.display, egl.config, EGL_NO_CONTEXT, nullptr);
            EGLSurface s = eglCreatePbufferSurface(egl.display, egl.config, size);
            eglMakeCurrent(egl.display, s, s, c);
            glGetString(GL_EXTENSIONS);
            eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroySurface(egl.display, s);
            eglDestroyContext(egl.display, c);
        });
        const EGLint big[] = {EGL_WIDTH, 64, EGL_HEIGHT, 64, EGL_NONE};
        EGLContext c = eglCreateContext(egl.display, egl.config, EGL_NO_CONTEXT, nullptr);
        EGLSurface s = eglCreatePbufferSurface(egl.display, egl.config, big);
        eglPair = PerPair(iterations, [&] {
            eglMakeCurrent(egl.display, s, s, c);
            eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        });
        eglPairFinish = PerPair(iterations, [&] {
            eglMakeCurrent(egl.display, s, s, c);
            glGetError();
            glFlush();
            glFinish();
            eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        });
        eglDestroySurface(egl.display, s);
        eglDestroyContext(egl.display, c);
    }

    std::printf("OpenGL surfaces (%d iterations per batch, medians)\n\n", iterations);
    std::printf("%-58s %12s\n", "Start-up", "time");
    std::printf("%-58s %9.0f us\n", "first FormAnimatorStartup (EGL display and driver load)", firstStartup);
    std::printf("%-58s %9.0f us\n", "FormAnimatorStartup + FormAnimatorShutdown, warm", startup);
    std::printf("%-58s %9.0f us\n", "peer: bare EGL context + 1x1 pbuffer, current, freed", eglCreate);
    std::printf("\n%-58s %12s\n", "One Lock/Unlock pair", "time");
    std::printf("%-58s %9.2f us\n", "pbuffer canvas 64x64, outermost", pbufferPair);
    std::printf("%-58s %9.2f us\n", "pbuffer canvas, nested inside its own lock", nestedPair);
    std::printf("%-58s %9.2f us\n", "DIB canvas 64x64 (bits copied at each unlock)", dibPair);
    std::printf("%-58s %9.2f us\n", "DIB canvas 1920x1080 (bits copied at each unlock)", screenDibPair);
    std::printf("%-58s %9.2f us\n", "peer: bare eglMakeCurrent + release", eglPair);
    std::printf("%-58s %9.2f us\n", "peer: bare make current, glGetError/Flush/Finish, release", eglPairFinish);
    return 0;
}
