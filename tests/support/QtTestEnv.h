#pragma once
// Test environment for the Qt-based parts: HOME, XDG_CONFIG_HOME and TEMP
// point into one fresh temporary folder before any settings are read or the
// application is created, so tests never touch the user's own files.

#include "platform/qt/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testenv {

struct TEnv {
    std::filesystem::path Root, Home, Config, Temp, Desktop;

    TEnv()
    {
        char tmpl[] = "/tmp/quistelor-testXXXXXX";
        Root = mkdtemp(tmpl);
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
    ~TEnv()
    {
        std::error_code ec;
        std::filesystem::remove_all(Root, ec);
    }
};

inline TEnv& Env()
{
    static TEnv env;
    return env;
}

// Set up at program start, before main() and before any test.
inline const bool EnvReady = (Env(), true);

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "quistelor-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Removes the settings store: the next start is a first run.
inline void DeleteSettings()
{
    QFile::remove(platform::TRegistry::FileName());
}

// A settings store holding exactly these string values.
inline void ResetSettings(std::initializer_list<std::pair<const char*, const char*>> values = {{"Language", "EN"}})
{
    DeleteSettings();
    platform::TRegistry reg;
    reg.OpenKey(true);
    for (const auto& [name, value] : values)
        reg.WriteString(QString::fromUtf8(name), QString::fromUtf8(value));
}

inline void ProcessEvents()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// Runs `onModal` for every modal window that opens while it lives (message
// boxes, choosers). The callback must close the window.
class TModalWatcher {
public:
    explicit TModalWatcher(std::function<void(QWidget*)> onModal) : onModal_(std::move(onModal))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                if (w != last_) {
                    last_ = w;
                    ++count_;
                    onModal_(w);
                }
            } else {
                last_ = nullptr;
            }
        });
        timer_.start();
    }
    int Count() const { return count_; }

private:
    std::function<void(QWidget*)> onModal_;
    QTimer timer_;
    QWidget* last_ = nullptr;
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
