// The form animators: each style played on a 1920 x 1080 screen with a
// 732 x 521 form, on the in-memory screen (default) or on the real X screen
// (--x11, under Xvfb or a desktop). Prints per style the frames per
// animation, the median and 95th-percentile frame time, and the capture time
// (Animate called to first frame on the screen), beside the bare cost of
// putting the whole screen on the device once.
//
// As in the program, one animator per style plays every animation (the GL
// surface lives as long as the animator). "cold ms" is the capture time of
// its first animation, which for the OpenGL style includes building the
// driver's shaders; "capture ms" is the median of the others. For the OpenGL
// style the capture time includes the background read-back and the texture
// upload, and the last "frame" is the snapshot put back.
//
//   bench_animators [--x11] [--runs N] [--duration MS] [--style classic|system|vista|gl] [--prepared]
//     --prepared: the OpenGL animator is prepared beforehand, as the program
//     does at start-up (its surface made and one small frame drawn).
//   bench_animators --demo classic|system|vista|gl [--duration MS]
//     shows a form entering with that style on the X screen, for screenshots.

#include "FormAnimator/FormAnimator.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GLFormAnimator.h"

#include "platform/Random.h"
#include "gfx/Raster.h"
#include "platform/win32/MemoryScreen.h"
#include "platform/qt/X11Screen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <ctime>
#include <vector>

using Clock = std::chrono::steady_clock;

// The calling thread's processor time in ms: what a frame costs whatever
// else the machine runs.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
using namespace FormAnimator;

namespace {

constexpr int SW = 1920, SH = 1080, FW = 732, FH = 521;

// Forwards to the real device and notes when each frame reached the screen.
class TTimedScreen : public win32::ScreenDevice {
public:
    explicit TTimedScreen(std::shared_ptr<win32::ScreenDevice> inner) : inner_(std::move(inner)) {}
    gfx::Size Size() override { return inner_->Size(); }
    void Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at) override { inner_->Read(area, into, at); }
    void Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at) override
    {
        inner_->Draw(pixels, from, at);
        Draws.push_back(Clock::now());
        CpuDraws.push_back(CpuMs());
    }
    void EndDrawing() override { inner_->EndDrawing(); }

    std::vector<Clock::time_point> Draws;
    std::vector<double> CpuDraws;

private:
    std::shared_ptr<win32::ScreenDevice> inner_;
};

// A dialog-like form with some controls.
std::unique_ptr<QWidget> MakeForm()
{
    auto form = std::make_unique<QWidget>();
    form->setWindowTitle("Quistelor");
    auto* layout = new QVBoxLayout(form.get());
    auto* group = new QGroupBox("Pattern");
    auto* fields = new QFormLayout(group);
    fields->addRow("Prefix", new QLineEdit("Holiday "));
    fields->addRow("Pattern", new QLineEdit("Holiday ?_*"));
    fields->addRow("Preview", new QLabel("Holiday 2026-12-09_01.jpg"));
    layout->addWidget(group);
    layout->addWidget(new QLabel("The photos are renamed in shooting order."));
    layout->addStretch();
    layout->addWidget(new QPushButton("Rename"));
    form->setGeometry((SW - FW) / 2, (SH - FH) / 2, FW, FH);
    return form;
}

double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * (v.size() - 1) + 0.5))];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct TStyle {
    const char* name;
    TFormAnimatorClass cls;
};
const TStyle Styles[] = {{"classic", ClassOf<TClassicAnimator>()},
                         {"system", ClassOf<TWinAnimator>()},
                         {"vista", ClassOf<TVistaEmulationAnimator>()},
                         {"gl", ClassOf<TGLFormAnimator>()}};

std::shared_ptr<win32::ScreenDevice> OpenScreen(bool x11)
{
    if (!x11)
        return std::make_shared<win32::MemoryScreen>(SW, SH);
    const char* display = std::getenv("DISPLAY");
    return platform::qt::X11Screen::Open(display ? display : "", 0, 0, SW, SH);
}

int Demo(const std::string& style, QApplication& app)
{
    const TStyle* chosen = nullptr;
    for (const TStyle& s : Styles)
        if (style == s.name)
            chosen = &s;
    if (!chosen) {
        std::fprintf(stderr, "unknown style %s: classic, system, vista or gl\n", style.c_str());
        return 2;
    }
    auto screen = OpenScreen(true);
    if (!screen) {
        std::fprintf(stderr, "no X screen to draw on\n");
        return 1;
    }
    win32::SetScreenDevice(std::move(screen));
    // A window under the form, so the screenshots show what the animation
    // draws over.
    QLabel backdrop("Quistelor: the screen under the animation");
    backdrop.setAlignment(Qt::AlignCenter);
    backdrop.setStyleSheet("background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #1d4e89, stop:1 #7fb8d4);"
                           "color: white; font-size: 48px;");
    backdrop.setGeometry(0, 0, SW, SH);
    backdrop.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        app.processEvents();
    auto form = MakeForm();
    chosen->cls->Create()->Animate(form.get());
    form->show();
    QTimer::singleShot(1500, &app, &QApplication::quit);
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    bool x11 = false, prepared = false;
    int runs = 10;
    std::string demo, only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--x11"))
            x11 = true;
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--duration") && i + 1 < argc)
            AnimationDuration = win32::DWORD(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--demo") && i + 1 < argc)
            demo = argv[++i];
        else if (!std::strcmp(argv[i], "--style") && i + 1 < argc)
            only = argv[++i];
        else if (!std::strcmp(argv[i], "--prepared"))
            prepared = true;
    }
    setenv("QT_QPA_PLATFORM", x11 || !demo.empty() ? "xcb" : "offscreen", 1);
    QApplication app(argc, argv);
    platform::ProgramRandom().Seed(1);
    if (!FormAnimatorStartup())
        std::fprintf(stderr, "no OpenGL, the gl style is left out: %s\n", FormAnimatorStartupError().c_str());
    if (!demo.empty())
        return Demo(demo, app);

    auto device = OpenScreen(x11);
    if (!device) {
        std::fprintf(stderr, "no X screen to draw on (run under xvfb-run -a -s '-screen 0 1920x1080x24')\n");
        return 1;
    }
    auto screen = std::make_shared<TTimedScreen>(std::move(device));
    win32::SetScreenDevice(screen);
    auto form = MakeForm();

    std::printf("%s screen %d x %d, form %d x %d, %u ms per animation, %d animations per style\n",
                x11 ? "X" : "in-memory", SW, SH, FW, FH, unsigned(AnimationDuration), runs);
    std::printf("%-8s %7s | %9s %9s %7s %10s %8s | %9s %9s %7s %10s %8s\n", "", "", "wall", "", "", "", "", "cpu", "", "",
                "", "");
    std::printf("%-8s %7s | %9s %9s %7s %10s %8s | %9s %9s %7s %10s %8s\n", "style", "frames", "median ms", "p95 ms",
                "fps", "capture ms", "cold ms", "median ms", "p95 ms", "fps", "capture ms", "cold ms");
    for (const TStyle& style : Styles) {
        if ((!only.empty() && only != style.name) || (style.cls == ClassOf<TGLFormAnimator>() && !OpenGlAvailable()))
            continue;
        std::vector<double> frameMs, captureMs, frameCpu, captureCpu;
        double coldMs = 0, coldCpu = 0;
        size_t frames = 0;
        const Clock::time_point prepareStart = Clock::now();
        if (prepared && style.cls == ClassOf<TGLFormAnimator>())
            TGLFormAnimator::Prepare(SW, SH);
        const double prepareMs = Ms(Clock::now() - prepareStart);
        auto animator = style.cls->Create();
        for (int r = 0; r <= runs; ++r) {
            screen->Draws.clear();
            screen->CpuDraws.clear();
            const auto start = Clock::now();
            const double startCpu = CpuMs();
            animator->Animate(form.get());
            if (screen->Draws.empty())
                continue;
            if (r == 0) {
                coldMs = Ms(screen->Draws.front() - start);
                coldCpu = screen->CpuDraws.front() - startCpu;
                continue;
            }
            captureMs.push_back(Ms(screen->Draws.front() - start));
            captureCpu.push_back(screen->CpuDraws.front() - startCpu);
            for (size_t i = 1; i < screen->Draws.size(); ++i) {
                frameMs.push_back(Ms(screen->Draws[i] - screen->Draws[i - 1]));
                frameCpu.push_back(screen->CpuDraws[i] - screen->CpuDraws[i - 1]);
            }
            frames += screen->Draws.size();
        }
        const double median = Percentile(frameMs, 0.5), medianCpu = Percentile(frameCpu, 0.5);
        std::printf("%-8s %7.1f | %9.2f %9.2f %7.0f %10.2f %8.2f | %9.2f %9.2f %7.0f %10.2f %8.2f\n", style.name,
                    double(frames) / runs, median, Percentile(frameMs, 0.95), median > 0 ? 1000 / median : 0,
                    Percentile(captureMs, 0.5), coldMs, medianCpu, Percentile(frameCpu, 0.95),
                    medianCpu > 0 ? 1000 / medianCpu : 0, Percentile(captureCpu, 0.5), coldCpu);
        if (prepared && style.cls == ClassOf<TGLFormAnimator>())
            std::printf("%-8s animator prepared beforehand (surface and one small frame) in %.1f ms\n", "",
                        prepareMs);
    }

    // The floor of a frame: the whole screen put on the device once.
    gfx::Bitmap pixels(SW, SH, gfx::PixelFormat::Bgrx32);
    std::vector<double> bare;
    for (int i = 0; i < 20; ++i) {
        const auto t = Clock::now();
        screen->Draw(pixels, pixels.Bounds(), {0, 0});
        bare.push_back(Ms(Clock::now() - t));
    }
    screen->EndDrawing();
    std::printf("bare: whole screen to the device %.2f ms (median)\n", Percentile(bare, 0.5));
    return 0;
}
