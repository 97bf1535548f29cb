#pragma once
// Classes: TApplication.
//
// The application object. An exception that no handler caught ends up here:
// its message is shown in a message box and the program goes on.

#include <QApplication>

#include <exception>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    static void ShowException(const std::exception& e);
    static void ShowException(const QString& message);
};
