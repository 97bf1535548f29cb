// Costs of the GDI stand-in on a 1920 x 1080 work image with a 732 x 521
// form image, the sizes of a window entrance: one warped-mesh frame (450
// masked PlgBlt cells, smooth, then the fade's AlphaBlend over the frame),
// one zoom-and-fade frame (the form stretched and blended), a full-screen
// BitBlt and a polygon mask. Peers measured in the same run: the same
// pixman composites called bare (the floor under the adapters) and memcpy
// of the screen image (the floor of any copy).
//
// bench_gdi [frames]

#include "gfx/Raster.h"
#include "platform/win32/Win32.h"

#include "support/MemoryDC.h"

#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

using namespace win32;
using support::MemoryDC;

namespace {

constexpr int SW = 1920, SH = 1080, FW = 732, FH = 521, Mesh = 15;

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median thread CPU time of a run: the figures stay comparable on a machine
// busy with other work.
template <class F>
double MedianMs(int runs, F&& body)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = ThreadCpuMs();
        body();
        times.push_back(ThreadCpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The mesh point of cell corner (i, j) for a frame at the middle of its
// way: a slight shear and scale of the form's place.
POINT MeshPoint(int i, int j)
{
    return {600 + i * FW / Mesh * 9 / 10 + j * 3, 250 + j * FH / Mesh * 9 / 10 + i * 2};
}

} // namespace

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    MemoryDC work(SW, SH), back(SW, SH), form(FW, FH);
    RECT all{0, 0, FW, FH};
    HBRUSH brush = CreateSolidBrush(RGB(90, 140, 200));
    FillRect(form.dc, &all, brush);
    DeleteObject(brush);
    int cw = FW / Mesh + 1, ch = FH / Mesh + 1;
    MemoryDC mask(cw, ch, CreateBitmap(cw, ch, 1, 1, nullptr));

    double maskMs = MedianMs(frames, [&] {
        RECT r{0, 0, cw, ch};
        FillRect(mask.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(mask.dc, GetStockObject(BLACK_BRUSH));
        POINT t[3] = {{cw, ch}, {cw + 2, 0}, {0, ch + 2}};
        Polygon(mask.dc, t, 3);
        SelectObject(mask.dc, GetStockObject(WHITE_BRUSH));
    });

    SetStretchBltMode(work.dc, HALFTONE);
    double meshMs = MedianMs(frames, [&] {
        for (int i = 0; i < Mesh; ++i)
            for (int j = 0; j < Mesh; ++j) {
                int x0 = i * FW / Mesh, x1 = (i + 1) * FW / Mesh, y0 = j * FH / Mesh, y1 = (j + 1) * FH / Mesh;
                POINT a = MeshPoint(i, j), b = MeshPoint(i + 1, j), c = MeshPoint(i, j + 1), d = MeshPoint(i + 1, j + 1);
                POINT upper[3] = {a, b, c};
                POINT lower[3] = {{b.X + c.X - d.X, b.Y + c.Y - d.Y}, b, c};
                PlgBlt(work.dc, upper, form.dc, x0, y0, x1 - x0, y1 - y0, mask.bitmap, 0, 0);
                PlgBlt(work.dc, lower, form.dc, x0, y0, x1 - x0, y1 - y0, mask.bitmap, 0, 0);
            }
        AlphaBlend(work.dc, 600, 250, FW, FH, back.dc, 600, 250, FW, FH, {AC_SRC_OVER, 0, 128, 0});
    });

    double zoomMs = MedianMs(frames, [&] {
        AlphaBlend(work.dc, 500, 200, 900, 640, form.dc, 0, 0, FW, FH, {AC_SRC_OVER, 0, 128, 0});
    });
    double blitMs = MedianMs(frames, [&] { BitBlt(back.dc, 0, 0, SW, SH, work.dc, 0, 0, SRCCOPY); });

    // Peers: bare pixman for the same blend and copy, and memcpy.
    std::vector<uint32_t> a(static_cast<size_t>(SW) * SH), b(a.size()), f(static_cast<size_t>(FW) * FH);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, SW, SH, a.data(), SW * 4);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, SW, SH, b.data(), SW * 4);
    pixman_image_t* fi = pixman_image_create_bits(PIXMAN_x8r8g8b8, FW, FH, f.data(), FW * 4);
    pixman_color_t half{0, 0, 0, 128 * 257};
    pixman_image_t* alpha = pixman_image_create_solid_fill(&half);
    double bareFadeMs = MedianMs(frames, [&] {
        pixman_image_composite32(PIXMAN_OP_OVER, src, alpha, dst, 600, 250, 0, 0, 600, 250, FW, FH);
    });
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(double(FW) / 900), pixman_double_to_fixed(double(FH) / 640));
    pixman_image_set_transform(fi, &t);
    double bareZoomMs = MedianMs(frames, [&] {
        pixman_image_composite32(PIXMAN_OP_OVER, fi, alpha, dst, 0, 0, 0, 0, 500, 200, 900, 640);
    });
    double bareBlitMs = MedianMs(frames, [&] {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, SW, SH);
    });
    double memcpyMs = MedianMs(frames, [&] { std::memcpy(a.data(), b.data(), a.size() * 4); });
    for (pixman_image_t* i : {dst, src, fi, alpha})
        pixman_image_unref(i);

    std::printf("GDI stand-in, %d x %d screen, %d x %d form, median CPU time of %d runs (ms)\n", SW, SH, FW, FH, frames);
    std::printf("  warped-mesh frame: 450 PlgBlt + fade   %8.3f\n", meshMs);
    std::printf("  zoom-and-fade frame: AlphaBlend        %8.3f   bare pixman %8.3f\n", zoomMs, bareZoomMs);
    std::printf("  fade of the form area (bare pixman)              bare pixman %8.3f\n", bareFadeMs);
    std::printf("  full-screen BitBlt                     %8.3f   bare pixman %8.3f   memcpy %8.3f\n", blitMs,
                bareBlitMs, memcpyMs);
    std::printf("  cell mask: FillRect + Polygon          %8.3f\n", maskMs);
    return 0;
}
