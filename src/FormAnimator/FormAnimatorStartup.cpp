#include "FormAnimatorStartup.h"

#include "Describe.h"
#include "GlBitmap.h"
#include "GlCanvas.h"
#include "GlFont.h"

#include "platform/win32/Fpu.h"

#include <exception>

namespace FormAnimator {

namespace {

std::string lastError;

} // namespace

bool FormAnimatorStartup()
{
    lastError.clear();
    win32::Set8087CW(win32::DefaultGlControlWord);
    bool started = true;
    try {
        GlFontInitialization();
        GlCanvasInitialization();
    } catch (...) {
        // An OpenGL failure must not end the program: the photo renamer works
        // without animations.
        lastError = Describe(std::current_exception());
        started = false;
    }
    // Needs no OpenGL: a ".glb" file loads as an empty bitmap either way.
    GlBitmapInitialization();
    return started;
}

void FormAnimatorShutdown()
{
    try {
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
