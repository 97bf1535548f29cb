// The program itself, started as a separate process.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The program on /tmp without any display, with environment changes.
support::ProcessRun Start(const char* environment)
{
    std::vector<std::string> change = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    if (*environment)
        change.push_back(environment);
    support::ProcessRun run = support::RunProcess({QUISTELOR_EXE, "/tmp"}, support::ProcessOptions::Environment(change));
    run.out += run.err;
    return run;
}

} // namespace

TEST(ProgramEntry, WithoutADisplayItSaysHowToRunItInOneLineAndFails)
{
    for (const char* env : {"", "DISPLAY=", "DISPLAY=:987654"}) {
        const support::ProcessRun run = Start(env);
        EXPECT_EQ(run.status, 2) << env;
        ASSERT_FALSE(run.out.empty()) << env;
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line: " << run.out;
        EXPECT_NE(run.out.find("xvfb-run"), std::string::npos) << run.out;
    }
}
