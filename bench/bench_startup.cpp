// The program's first seconds, watched from outside on the real X screen:
//
//   xvfb-run -a -s '-screen 0 1920x1080x24' build/bench/bench_startup [--runs N] [--first-run] [--program PATH]
//
// (--program: another build of the program, to compare two versions.)
//
// Each run starts the real program on a folder of 20 photos (the camera
// samples of ../shared/fixtures/exif-samples; generated photos when that
// folder is absent) as a user with settings (with --first-run: as a new user,
// whose first window is the language chooser over the main window), with a
// fresh HOME and TMPDIR, and watches the display over its own connection:
//
// - first frame: the animation overlay (the override-redirect window over the
//   whole screen) is mapped; the program maps it with its first frame and
//   syncs, so the frame is on the screen when the map is seen;
// - entrance end: the overlay is unmapped; "entrance" is how long it was up;
// - photos drawn: from the entrance's end the main window's rectangle is read
//   every 10 ms; the time is that of the first read from which on the
//   window looks as it does 3 s after the entrance ended (every later read
//   the same), i.e. the window's final look with the photos drawn.
//
// Runs alternate warm (MESA_SHADER_CACHE_DIR filled by an earlier run) and
// cold (MESA_SHADER_CACHE_DIR a new empty folder: a fresh installation).
// Printed: each run, then per kind the median, the smallest and the largest.

#include "support/JpegSamples.h"
#include "support/ScratchFolder.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct RunFigures {
    bool cold = false;
    std::optional<double> firstFrame, entrance, mainMapped, photosAfterEntrance;
    int entrances = 0;
};

// The photos: 20 camera samples, or 20 generated 1600 x 1200 photos.
void MakeFolder(const std::string& folder)
{
    const fs::path samples = fs::path(QUISTELOR_FIXTURES_DIR) / "exif-samples";
    int copied = 0;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(samples, ec))
        if (entry.path().extension() == ".jpg" && entry.path().filename().string().find("corrupt") == std::string::npos)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        if (copied == 20)
            break;
        if (fs::copy_file(f, fs::path(folder) / f.filename(), ec))
            ++copied;
    }
    for (int i = copied; i < 20; ++i) {
        const auto jpeg = support::QuadrantJpeg(1600, 1200, {200, 40, 40}, {40, 200, 40}, {40, 40, 200},
                                                {uint8_t(10 * i), 120, 200});
        support::WriteFile(folder + "/photo" + std::to_string(i) + ".jpg", jpeg);
    }
}

// What the display shows of a rectangle, every second pixel of every second row.
std::vector<uint32_t> Look(Display* display, Window root, int x, int y, int w, int h)
{
    std::vector<uint32_t> look;
    XImage* image = XGetImage(display, root, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image)
        return look;
    look.reserve(size_t(w / 2 + 1) * size_t(h / 2 + 1));
    for (int row = 0; row < h; row += 2)
        for (int col = 0; col < w; col += 2)
            look.push_back(uint32_t(XGetPixel(image, col, row)));
    XDestroyImage(image);
    return look;
}

class Watcher {
public:
    Watcher() : display_(XOpenDisplay(nullptr))
    {
        if (!display_)
            return;
        root_ = DefaultRootWindow(display_);
        screenW_ = DisplayWidth(display_, DefaultScreen(display_));
        screenH_ = DisplayHeight(display_, DefaultScreen(display_));
        XSelectInput(display_, root_, SubstructureNotifyMask);
        XSync(display_, False);
    }
    ~Watcher()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool Ok() const { return display_ != nullptr; }

    RunFigures Run(const std::string& program, const std::string& folder, const std::string& home,
                   const std::string& temp, const std::string& shaderCache, bool cold)
    {
        RunFigures f;
        f.cold = cold;
        while (XPending(display_)) { // events of an earlier run
            XEvent e;
            XNextEvent(display_, &e);
        }
        const Clock::time_point start = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("TMPDIR", temp.c_str(), 1);
            setenv("TEMP", temp.c_str(), 1);
            setenv("MESA_SHADER_CACHE_DIR", shaderCache.c_str(), 1);
            unsetenv("QT_QPA_PLATFORM");
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(program.c_str(), program.c_str(), folder.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }

        std::vector<Window> overlays;
        Window mainWindow = 0;
        bool ended = false; // the first entrance has ended, at entranceEnd
        Clock::time_point entranceEnd;
        std::vector<std::pair<Clock::time_point, std::vector<uint32_t>>> looks;
        int mx = 0, my = 0, mw = 0, mh = 0;
        const auto readLook = [&] {
            if (mainWindow && mw > 0)
                looks.emplace_back(Clock::now(), Look(display_, root_, mx, my, mw, mh));
        };
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (Ms(start, now) > 15000 || (ended && Ms(entranceEnd, now) > 3000))
                break;
            while (XPending(display_)) {
                XEvent e;
                XNextEvent(display_, &e);
                const Clock::time_point at = Clock::now();
                if (e.type == CreateNotify && e.xcreatewindow.override_redirect &&
                    e.xcreatewindow.width >= screenW_ && e.xcreatewindow.height >= screenH_)
                    overlays.push_back(e.xcreatewindow.window);
                const bool overlay = std::find(overlays.begin(), overlays.end(),
                                               e.type == MapNotify ? e.xmap.window : e.xunmap.window) != overlays.end();
                if (e.type == MapNotify && overlay) {
                    ++f.entrances;
                    if (!f.firstFrame)
                        f.firstFrame = Ms(start, at);
                    overlayUp_ = at;
                } else if (e.type == UnmapNotify && overlay) {
                    if (f.entrances == 1) {
                        f.entrance = Ms(overlayUp_, at);
                        entranceEnd = at;
                        ended = true;
                    }
                } else if (e.type == MapNotify && !e.xmap.override_redirect && !mainWindow) {
                    mainWindow = e.xmap.window;
                    f.mainMapped = Ms(start, at);
                    XWindowAttributes a{};
                    Window child = 0;
                    if (XGetWindowAttributes(display_, mainWindow, &a) &&
                        XTranslateCoordinates(display_, mainWindow, root_, 0, 0, &mx, &my, &child)) {
                        mx = std::max(0, mx);
                        my = std::max(0, my);
                        mw = std::min(a.width, screenW_ - mx);
                        mh = std::min(a.height, screenH_ - my);
                    }
                }
            }
            if (ended)
                readLook();
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(ConnectionNumber(display_), &fds);
            timeval wait{0, 10000};
            select(ConnectionNumber(display_) + 1, &fds, nullptr, nullptr, &wait);
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);

        // The first read from which on the window keeps its final look.
        if (ended && !looks.empty()) {
            const std::vector<uint32_t>& last = looks.back().second;
            size_t i = looks.size();
            while (i > 0 && looks[i - 1].second == last)
                --i;
            f.photosAfterEntrance = Ms(entranceEnd, looks[i].first);
        }
        return f;
    }

private:
    Display* display_;
    Window root_ = 0;
    int screenW_ = 0, screenH_ = 0;
    Clock::time_point overlayUp_;
};

std::string Figure(const std::optional<double>& v)
{
    if (!v)
        return "     -";
    char text[32];
    std::snprintf(text, sizeof text, "%6.0f", *v);
    return text;
}

void Summary(const char* kind, const std::vector<RunFigures>& runs, bool cold)
{
    const auto stats = [&](std::optional<double> RunFigures::* field) {
        std::vector<double> v;
        for (const RunFigures& r : runs)
            if (r.cold == cold && (r.*field))
                v.push_back(*(r.*field));
        if (v.empty())
            return std::string("     -");
        std::sort(v.begin(), v.end());
        char text[64];
        std::snprintf(text, sizeof text, "%6.0f (%.0f-%.0f)", v[v.size() / 2], v.front(), v.back());
        return std::string(text);
    };
    std::printf("%-5s median (min-max): first frame %s, entrance %s, photos after entrance %s ms\n", kind,
                stats(&RunFigures::firstFrame).c_str(), stats(&RunFigures::entrance).c_str(),
                stats(&RunFigures::photosAfterEntrance).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    bool firstRun = false;
    std::string program = QUISTELOR_EXE;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--first-run"))
            firstRun = true;
        else if (!std::strcmp(argv[i], "--program") && i + 1 < argc)
            program = argv[++i];
    }
    Watcher watcher;
    if (!watcher.Ok()) {
        std::fprintf(stderr, "no X display (run under xvfb-run -a -s '-screen 0 1920x1080x24')\n");
        return 1;
    }
    support::ScratchFolder scratch;
    const std::string photos = scratch / "photos", warmCache = scratch / "mesa-warm";
    fs::create_directories(photos);
    MakeFolder(photos);

    int made = 0;
    const auto freshFolder = [&](const char* what) {
        const std::string path = scratch / (what + std::to_string(++made));
        fs::create_directories(path);
        return path;
    };
    const auto freshHome = [&] {
        const std::string home = freshFolder("home");
        if (!firstRun) {
            fs::create_directories(home + "/.config/Morvik");
            std::ofstream(home + "/.config/Morvik/Veltra Rename.conf") << "[General]\nLanguage=EN\nPatern=Photo *\n";
        }
        return home;
    };

    // One run unmeasured: the program's files in the page cache and the warm
    // shader cache filled.
    watcher.Run(program, photos, freshHome(), freshFolder("tmp"), warmCache, false);

    std::printf("%s, 20 photos, %s; ms from the program's start\n", program.c_str(),
                firstRun ? "first run (language chooser)" : "settings present");
    std::printf("%-5s %11s %9s %12s %21s %9s\n", "cache", "main mapped", "1st frame", "entrance", "photos after entrance",
                "overlays");
    std::vector<RunFigures> all;
    for (int i = 0; i < 2 * runs; ++i) {
        const bool cold = i % 2 == 1;
        RunFigures f = watcher.Run(program, photos, freshHome(), freshFolder("tmp"),
                                   cold ? freshFolder("mesa-cold") : warmCache, cold);
        std::printf("%-5s %11s %9s %12s %21s %9d\n", cold ? "cold" : "warm", Figure(f.mainMapped).c_str(),
                    Figure(f.firstFrame).c_str(), Figure(f.entrance).c_str(), Figure(f.photosAfterEntrance).c_str(),
                    f.entrances);
        std::fflush(stdout);
        all.push_back(f);
    }
    Summary("warm", all, false);
    Summary("cold", all, true);
    return 0;
}
