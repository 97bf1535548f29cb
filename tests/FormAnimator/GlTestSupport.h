#pragma once
// Shared by the canvas tests: the library's globals for a test suite, and
// small helpers on the real Mesa driver.

#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GlCanvas.h"
#include "FormAnimator/PBufferCanvas.h"

#include "platform/OSError.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace FormAnimator::testing {

// Starts the library once per suite and shuts it down after; every test of a
// suite is skipped when OpenGL cannot be started here.
class GlSuite : public ::testing::Test {
public:
    static void SetUpTestSuite() { started = FormAnimatorStartup(); }
    static void TearDownTestSuite() { FormAnimatorShutdown(); }

protected:
    void SetUp() override
    {
        if (!started)
            GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimatorStartupError();
    }
    static inline bool started = false;
};

// Runs fn and expects an assertion failure "<text> (<unit>, line <n>)".
template <class F>
void ExpectAssertion(F&& fn, const std::string& text, const std::string& unit = GlCanvasUnit)
{
    try {
        fn();
        ADD_FAILURE() << "no assertion failure, expected: " << text;
    } catch (const platform::EAssertionFailed& e) {
        std::string pattern = std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
        EXPECT_TRUE(std::regex_match(e.what(), std::regex(pattern + R"( \()" + unit + R"(, line [0-9]+\))")))
            << e.what();
    }
}

template <class F>
void ExpectGlError(F&& fn, const std::string& message)
{
    try {
        fn();
        ADD_FAILURE() << "no EGlError, expected: " << message;
    } catch (const EGlError& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

// A pbuffer canvas that counts how often it is made current and released,
// and at which lock depth it was released.
class TCountingPBufferCanvas : public TPBufferCanvas {
public:
    void MakeCurrent() override
    {
        ++Made;
        TPBufferCanvas::MakeCurrent();
    }
    void ReleaseCurrent() override
    {
        ReleasedAt.push_back(LockCount);
        TPBufferCanvas::ReleaseCurrent();
    }
    int Made = 0;
    std::vector<uint32_t> ReleasedAt;
};

template <class Canvas = TPBufferCanvas>
Canvas* NewPBufferCanvas(int Width = 8, int Height = 8, TGlPixelFormat* Format = nullptr)
{
    auto* canvas = new Canvas;
    canvas->CreateSurface(Width, Height, Format);
    return canvas;
}

template <class T>
void FreeCanvas(T*& Canvas)
{
    if (Canvas)
        Canvas->ReleaseSurface();
    FreeAndNil(Canvas);
}

} // namespace FormAnimator::testing
