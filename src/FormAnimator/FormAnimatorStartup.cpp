#include "FormAnimatorStartup.h"

#include "Describe.h"
#include "GlBitmap.h"
#include "GlCanvas.h"
#include "GlFont.h"
#include "GLFormAnimator.h"

#include "platform/win32/Fpu.h"

#include <exception>
#include <thread>

namespace FormAnimator {

namespace {

std::string lastError;

std::thread starter;
bool started = false;

} // namespace

bool FormAnimatorStartup()
{
    lastError.clear();
    win32::Set8087CW(win32::DefaultGlControlWord);
    bool ok = true;
    try {
        GlFontInitialization();
        GlCanvasInitialization();
    } catch (...) {
        // An OpenGL failure must not end the program: the photo renamer works
        // without animations.
        lastError = Describe(std::current_exception());
        ok = false;
    }
    // Needs no OpenGL: a ".glb" file loads as an empty bitmap either way.
    GlBitmapInitialization();
    return ok;
}

void FormAnimatorStartupBegin(int32_t ScreenWidth, int32_t ScreenHeight, std::function<void()> OpenScreen)
{
    FormAnimatorStartupWait();
    win32::Set8087CW(win32::DefaultGlControlWord);
    starter = std::thread([ScreenWidth, ScreenHeight, OpenScreen = std::move(OpenScreen)] {
        if (OpenScreen)
            OpenScreen();
        started = FormAnimatorStartup();
        if (!started || ScreenWidth <= 0 || ScreenHeight <= 0)
            return;
        try {
            TGLFormAnimator::Prepare(ScreenWidth, ScreenHeight);
        } catch (...) {
            // Choosing the style makes the animator again, on the window
            // thread, and reports what goes wrong there.
        }
    });
}

bool FormAnimatorStartupWait()
{
    if (!starter.joinable())
        return OpenGlAvailable();
    starter.join();
    return started;
}

void FormAnimatorShutdown()
{
    FormAnimatorStartupWait();
    try {
        TGLFormAnimator::DropPrepared();
        GlCanvasFinalization();
    } catch (...) {
        lastError = Describe(std::current_exception());
    }
    try {
        GlFontFinalization();
    } catch (...) {
        if (lastError.empty())
            lastError = Describe(std::current_exception());
    }
}

const std::string& FormAnimatorStartupError() { return lastError; }

bool OpenGlAvailable() { return NullWindowedCanvas != nullptr; }

} // namespace FormAnimator
