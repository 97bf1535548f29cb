// Costs of the OpenGL images on the real driver, each beside the bare calls
// it rests on, measured in the same run:
// - TGl2DTexture::LoadFromBitmap of a 732 x 521 form image against
//   GetDIBits + glTexSubImage2D into a texture of that size, with the
//   context already current;
// - TGlBitmap::CopyRectTo of a 732 x 521 rectangle of a 1920 x 1080
//   pbuffer bitmap against glReadPixels + SetDIBitsToDevice into a
//   preallocated buffer, with the context already current. CopyRectTo runs
//   inside the caller's lock of the bitmap's canvas, as the animator calls
//   it, and once more with a lock of its own: the outermost unlock finishes
//   GL, which costs the driver a copy of the whole surface.
//
// bench_gl_images [iterations]

#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GlBitmap.h"
#include "FormAnimator/GlTexture.h"
#include "FormAnimator/PBufferCanvas.h"

#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"

#include "support/MemoryDC.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace FormAnimator;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int FormWidth = 732, FormHeight = 521;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds per call of ours and of the bare calls: batches of
// `iterations` calls, alternating so both see the same machine load, median
// of 9 batches each. A batch runs its calls itself, so that it can hold what
// the calls need (a lock, a bound texture) for the whole batch.
template <class Ours, class Bare>
std::pair<double, double> Alternate(int iterations, Ours&& ours, Bare&& bare)
{
    std::vector<double> oursTimes, bareTimes;
    for (int run = 0; run < 9; ++run) {
        auto start = Clock::now();
        ours(iterations);
        oursTimes.push_back(Milliseconds(Clock::now() - start) / iterations);
        start = Clock::now();
        bare(iterations);
        bareTimes.push_back(Milliseconds(Clock::now() - start) / iterations);
    }
    return {Median(oursTimes), Median(bareTimes)};
}

// A memory DC with a 32-bit DIB section selected, filled with a pattern.
struct TMemoryBitmap : support::MemoryDC {
    TMemoryBitmap(int Width, int Height) : MemoryDC(Width, Height, TopDownDib{})
    {
        for (int i = 0; i < Width * Height; ++i)
            bits[i] = static_cast<uint32_t>(i) * 2654435761u;
    }
};

void Row(const char* what, double ours, double bare)
{
    std::printf("%-44s %9.3f ms %9.3f ms %7.2f\n", what, ours, bare, ours / bare);
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    if (!FormAnimatorStartup()) {
        std::printf("OpenGL cannot be started here: %s\n", FormAnimatorStartupError().c_str());
        return 0;
    }
    const win32::TRect form{0, 0, FormWidth, FormHeight};

    // LoadFromBitmap: the texture works in the share group, as the animator's.
    std::pair<double, double> load;
    {
        TGlBitmap screen;
        screen.SetWidth(1920);
        screen.SetHeight(1080);
        TMemoryBitmap image(FormWidth, FormHeight);
        TGl2DTexture texture(screen.Canvas);
        texture.LoadFromBitmap(image.dc, image.bitmap, form);

        std::vector<unsigned char> pixels(static_cast<size_t>(ScanLineBytes(FormWidth * 24)) * FormHeight);
        win32::BITMAPINFO info = DIBInfo(FormWidth, FormHeight, 24);
        TGlCanvas* share = texture.Canvas;
        GLuint name = 0;
        WithLock(share, [&] {
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, FormWidth, FormHeight, 0, GL_BGR, GL_UNSIGNED_BYTE, nullptr);
        });
        load = Alternate(
            iterations,
            [&](int n) {
                for (int i = 0; i < n; ++i)
                    texture.LoadFromBitmap(image.dc, image.bitmap, form);
            },
            [&](int n) {
                WithLock(share, [&] {
                    glBindTexture(GL_TEXTURE_2D, name);
                    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
                    for (int i = 0; i < n; ++i) {
                        win32::GetDIBits(image.dc, image.bitmap, 0, FormHeight, pixels.data(), &info,
                                         win32::DIB_RGB_COLORS);
                        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, FormWidth, FormHeight, GL_BGR, GL_UNSIGNED_BYTE,
                                        pixels.data());
                    }
                });
            });
        WithLock(share, [&] { glDeleteTextures(1, &name); });
    }

    // CopyRectTo from a screen-sized pbuffer bitmap.
    std::pair<double, double> copy, copyOutermost;
    {
        TGlBitmap screen;
        screen.SetWidth(1920);
        screen.SetHeight(1080);
        TMemoryBitmap target(1920, 1080);
        const win32::TRect source{600, 300, 600 + FormWidth, 300 + FormHeight};
        std::vector<unsigned char> pixels(static_cast<size_t>(ScanLineBytes(FormWidth * 24)) * FormHeight);
        win32::BITMAPINFO info = DIBInfo(FormWidth, FormHeight, 24);
        auto ours = [&](int n) {
            for (int i = 0; i < n; ++i)
                screen.CopyRectTo(source, target.dc, 600, 300);
        };
        auto bare = [&](int n) {
            WithLock(screen.Canvas, [&] {
                for (int i = 0; i < n; ++i) {
                    glReadPixels(source.Left, 1080 - source.Bottom, FormWidth, FormHeight, GL_BGR, GL_UNSIGNED_BYTE,
                                 pixels.data());
                    win32::SetDIBitsToDevice(target.dc, 600, 300, FormWidth, FormHeight, 0, 0, 0, FormHeight,
                                             pixels.data(), &info, win32::DIB_RGB_COLORS);
                }
            });
        };
        ours(1);
        copyOutermost = Alternate(iterations, ours, bare);
        // The animator holds the canvas lock for a whole animation.
        WithLock(screen.Canvas, [&] { copy = Alternate(iterations, ours, bare); });
    }
    FormAnimatorShutdown();

    std::printf("OpenGL images, %d x %d (%d calls per batch, medians of 9 alternating batches)\n\n", FormWidth, FormHeight,
                iterations);
    std::printf("%-44s %12s %12s %7s\n", "", "ours", "bare calls", "ratio");
    Row("LoadFromBitmap vs GetDIBits+glTexSubImage2D", load.first, load.second);
    Row("CopyRectTo vs glReadPixels+SetDIBitsToDevice", copy.first, copy.second);
    Row("  the same with its own outermost lock", copyOutermost.first, copyOutermost.second);
    return 0;
}
