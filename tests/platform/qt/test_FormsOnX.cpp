// The program's forms on a real X server (a private Xvfb): what the screen
// shows of them when an entrance takes its snapshot.

#include "platform/qt/Forms.h"

#include "support/Xvfb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

// After gtest and Qt: Xlib defines macros (None, Bool) that collide with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace {

// Handles events until done() holds, or for a generous while on a loaded
// machine; whether it holds is for the caller to check.
template <class Done>
void RunEventsUntil(Done done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// How many pixels of area differ between the screen, as another client reads
// it, and the window's own rendering.
int DifferingPixels(const std::string& display, QWidget& window, const QRect& area)
{
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return -1;
    const QPoint at = window.mapToGlobal(area.topLeft());
    XImage* shown = XGetImage(d, DefaultRootWindow(d), at.x(), at.y(), unsigned(area.width()),
                              unsigned(area.height()), AllPlanes, ZPixmap);
    const QImage drawn = window.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            differing += (XGetPixel(shown, x, y) & 0xFFFFFF) != (drawn.pixel(x, y) & 0xFFFFFF);
    XDestroyImage(shown);
    XCloseDisplay(d);
    return differing;
}

// A menu closed a moment before an entrance left its rows on the screen over
// the parts of the window that had nothing new to paint (the folder tree),
// and the entrance's snapshot showed them.
TEST(FormsOnX, AClosedMenuLeavesNothingOnTheScreenOnceTheFormsAreRefreshed)
{
    support::Xvfb server("640x480x24");
    if (server.display.empty())
        GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", server.display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QMainWindow window;
    window.addToolBar("tools")->addAction("Refresh");
    auto* tree = new QTreeWidget;
    for (int i = 0; i < 30; ++i)
        new QTreeWidgetItem(tree, {QString("folder %1").arg(i)});
    window.setCentralWidget(tree);
    window.setGeometry(20, 20, 400, 300);
    window.show();
    const QRect whole = window.rect();
    RunEventsUntil([&] { return DifferingPixels(server.display, window, whole) == 0; });
    ASSERT_EQ(DifferingPixels(server.display, window, whole), 0) << "the window is on the screen";

    QMenu menu;
    for (const char* text : {"Select All", "Select None", "Choose Language", "Undo Rename"})
        menu.addAction(text);
    const QPoint overTree = tree->mapToGlobal(QPoint(10, 10));
    menu.popup(overTree);
    const QRect menuArea(window.mapFromGlobal(overTree), menu.sizeHint());
    RunEventsUntil([&] { return DifferingPixels(server.display, window, menuArea) > 0; });
    ASSERT_GT(DifferingPixels(server.display, window, menuArea), 0) << "the menu is on the screen";

    // As when an action of the menu opens a dialog: the menu hides, and the
    // dialog's entrance refreshes the forms before any event is handled.
    menu.hide();
    QWidget dialog;
    platform::qt::RefreshActiveForm(&dialog);
    EXPECT_EQ(DifferingPixels(server.display, window, menuArea), 0);
}

} // namespace
