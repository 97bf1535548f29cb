#pragma once
// Test environment for the Qt-based parts: HOME, XDG_CONFIG_HOME and TEMP
// point into one fresh temporary folder before any settings are read or the
// application is created, so tests never touch the user's own files.

#include "platform/qt/Registry.h"
#include "support/ScratchFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testenv {

struct TEnv {
    support::ScratchFolder Folder;
    std::filesystem::path Root, Home, Config, Temp, Desktop;

    TEnv()
    {
        Root = Folder.Path();
        Home = Root / "home";
        Config = Root / "config";
        Temp = Root / "temp";
        Desktop = Home / "Desktop";
        for (const auto& p : {Home, Config, Temp, Desktop})
            std::filesystem::create_directories(p);
        setenv("HOME", Home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
        setenv("TEMP", Temp.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        unsetenv("XDG_DESKTOP_DIR");
    }
};

inline TEnv& Env()
{
    static TEnv env;
    return env;
}

// Set up at program start, before main() and before any test.
inline const bool EnvReady = (Env(), true);

// The one application object of the test program; Application is
// QApplication or the program's own TApplication.
template <class Application = QApplication>
Application& App()
{
    static int argc = 1;
    static char name[] = "quistelor-test";
    static char* argv[] = {name, nullptr};
    static Application* app = new Application(argc, argv);
    return *app;
}

// Removes the settings store: the next start is a first run.
inline void DeleteSettings()
{
    QFile::remove(platform::TRegistry::FileName());
}

// A test that starts and ends without a settings store, on the one
// application.
class TWithoutSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        DeleteSettings();
    }
    void TearDown() override { DeleteSettings(); }
};

// A settings store holding exactly these string values.
inline void ResetSettings(std::initializer_list<std::pair<const char*, QString>> values = {{"Language", "EN"}})
{
    DeleteSettings();
    platform::TRegistry reg;
    reg.OpenKey(true);
    for (const auto& [name, value] : values)
        reg.WriteString(QString::fromUtf8(name), value);
}

// A stored string value; "<no store>" when there is no settings store.
inline QString Stored(const char* name)
{
    platform::TRegistry reg;
    return reg.OpenKey(false) ? reg.ReadString(QString::fromUtf8(name)) : QStringLiteral("<no store>");
}

// Fills a widget's background with one colour.
inline void Paint(QWidget& w, const QColor& colour)
{
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    w.setPalette(palette);
    w.setAutoFillBackground(true);
}

inline void ProcessEvents(int rounds = 3)
{
    for (int i = 0; i < rounds; ++i)
        QApplication::processEvents();
}

// Hands every modal window that opens while it lives (dialogs, message
// boxes, choosers) to `onModal`, at each tick until the window is handled:
// a callback returning bool says whether it has (false: look again at the
// next tick), one returning nothing handles every window at once. The
// callback must close the windows it handles.
class TModalWatcher {
public:
    template <class OnModal>
    explicit TModalWatcher(OnModal onModal)
    {
        if constexpr (std::is_void_v<std::invoke_result_t<OnModal&, QWidget*>>)
            handle_ = [f = std::move(onModal)](QWidget* w) mutable {
                f(w);
                return true;
            };
        else
            handle_ = std::move(onModal);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                if (w != handled_ && handle_(w)) {
                    handled_ = w;
                    ++count_;
                }
            } else {
                handled_ = nullptr;
            }
        });
        timer_.start();
    }
    // How many windows were handled.
    int Count() const { return count_; }

private:
    std::function<bool(QWidget*)> handle_;
    QTimer timer_;
    // Cleared when the window goes, so that a new window at the same address
    // counts as new.
    QPointer<QWidget> handled_;
    int count_ = 0;
};

// Closes message boxes and keeps their texts.
class TMessageBoxCatcher : public TModalWatcher {
public:
    TMessageBoxCatcher()
        : TModalWatcher([this](QWidget* w) {
              if (auto* box = qobject_cast<QMessageBox*>(w)) {
                  texts += box->text();
                  box->done(QMessageBox::Ok);
              } else {
                  w->close();
              }
          })
    {
    }
    QStringList texts;
};

} // namespace testenv
