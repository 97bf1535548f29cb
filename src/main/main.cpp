#include "main/MainWindow.h"
#include "ui/Application.h"

#include "FormAnimator/AnimatorManager.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "platform/qt/Screen.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

bool EnvSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether a display to open windows on is likely there. A local X display
// ":N" must have its socket; other forms are left to the toolkit.
bool DisplayAvailable()
{
    if (EnvSet("QT_QPA_PLATFORM") || EnvSet("WAYLAND_DISPLAY"))
        return true;
    if (!EnvSet("DISPLAY"))
        return false;
    const std::string display = std::getenv("DISPLAY");
    if (display.size() > 1 && display[0] == ':') {
        const std::string number = display.substr(1, display.find('.') - 1);
        struct stat st {};
        return ::stat(("/tmp/.X11-unix/X" + number).c_str(), &st) == 0;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Animations read and draw the screen, which X allows and Wayland does not.
    platform::qt::PreferXWayland(argc, argv);
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "quistelor: no display to open the window on; start it from a desktop session, "
                     "or without one under a virtual display: xvfb-run -a %s [FOLDER]\n",
                     argv[0]);
        return 2;
    }
    TApplication app(argc, argv);

    // Window-animation library: the screen is opened, OpenGL starts and the
    // entrance the main window selects is made ready, on a thread of its own
    // while the main window is built; both are done before the window is shown. Without
    // OpenGL the program still runs, without animations.
    const QSize screen = platform::qt::PrimaryScreenSize();
    FormAnimator::FormAnimatorStartupBegin(screen.width(), screen.height(), platform::qt::PrimaryScreenOpener());
    // The animator manager: every form shown from now on opens with the
    // selected style's entrance; the main window selects it when shown.
    FormAnimator::AnimatorManagerInitialization();

    int result = 0;
    {
        TForm1 form(app.arguments().mid(1));
        if (!FormAnimator::FormAnimatorStartupWait())
            std::fprintf(stderr, "quistelor: OpenGL is not available, windows open without animation: %s\n",
                         FormAnimator::FormAnimatorStartupError().c_str());
        form.show();
        result = app.exec();
    }

    // Window-animation library: the manager, then its globals, after the main window.
    FormAnimator::AnimatorManagerFinalization();
    FormAnimator::FormAnimatorShutdown();
    return result;
}
