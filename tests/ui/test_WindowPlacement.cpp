#include "ui/WindowPlacement.h"

#include "support/QtTestEnv.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

QPoint CentredFrame(const QRect& frame)
{
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    return QPoint(s.x() + (s.width() - frame.width()) / 2, s.y() + (s.height() - frame.height()) / 2);
}

void ShowAndSettle(QWidget& window)
{
    window.show();
    for (int i = 0; i < 5; ++i)
        testenv::ProcessEvents();
}

} // namespace

// The frame is known only once the window is shown: a window placed before
// is centred and sized again by its frame then, whether it was placed before
// or while it was being shown.
TEST(WindowPlacement, WindowsAreCentredAndSizedByTheirFrameOnceItIsKnown)
{
    testenv::App();
    for (bool whileShown : {false, true}) {
        QDialog dialog;
        dialog.resize(300, 200);
        auto place = [&] {
            SetFixedOuterSize(&dialog, QSize(123, 147));
            CentreOnScreen(&dialog);
        };
        if (!whileShown)
            place();
        ShowAndSettle(dialog);
        if (whileShown) {
            place();
            for (int i = 0; i < 5; ++i)
                testenv::ProcessEvents();
        }
        const QRect frame = dialog.frameGeometry();
        ASSERT_NE(frame.size(), dialog.size()) << "the platform gives windows a frame";
        EXPECT_EQ(frame.size(), QSize(123, 147)) << whileShown;
        EXPECT_EQ(frame.topLeft(), CentredFrame(frame)) << whileShown;
    }
}

TEST(WindowPlacement, AMaximizedWindowKeepsItsPlace)
{
    testenv::App();
    QDialog dialog;
    dialog.resize(300, 200);
    CentreOnScreen(&dialog);
    dialog.setWindowState(Qt::WindowMaximized);
    ShowAndSettle(dialog);
    EXPECT_TRUE(dialog.isMaximized());
    EXPECT_EQ(dialog.frameGeometry().topLeft(), QGuiApplication::primaryScreen()->geometry().topLeft());
}
