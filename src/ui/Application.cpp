#include "ui/Application.h"

#include "platform/qt/MessageBox.h"

#include <QMessageBox>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quistelor"));
    // Lets the desktop match the windows to the installed desktop entry, for
    // their icon and grouping.
    setDesktopFileName(QStringLiteral(QUISTELOR_APP_ID));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return false;
}

void TApplication::ShowException(const std::exception& e)
{
    ShowException(QString::fromUtf8(e.what()));
}

void TApplication::ShowException(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Quistelor"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    platform::qt::ExecMessageBox(box);
}
