// The program itself, started as a separate process.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct TRun {
    int status = -1;
    std::string output;
};

TRun Start(const std::string& environment)
{
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment + " '"
                                + QUISTELOR_EXE + "' /tmp 2>&1";
    TRun run;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return run;
    char buf[512];
    while (fgets(buf, sizeof buf, p))
        run.output += buf;
    const int rc = pclose(p);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return run;
}

} // namespace

TEST(ProgramEntry, WithoutADisplayItSaysHowToRunItInOneLineAndFails)
{
    for (const char* env : {"", "DISPLAY=", "DISPLAY=:987654"}) {
        const TRun run = Start(env);
        EXPECT_EQ(run.status, 2) << env;
        ASSERT_FALSE(run.output.empty()) << env;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "one line: " << run.output;
        EXPECT_NE(run.output.find("xvfb-run"), std::string::npos) << run.output;
    }
}
