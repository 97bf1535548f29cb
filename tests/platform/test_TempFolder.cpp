#include "platform/FileStream.h"
#include "platform/TempFolder.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::TempFile;
using platform::TempFolder;
using support::ScratchFolder;

namespace {

// Sets or (with nullopt) removes the variables for one test, and puts them
// back afterwards.
class Environment {
public:
    Environment(std::initializer_list<std::pair<const char*, std::optional<std::string>>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved_)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

const std::string kOwnName = "quistelor-" + std::to_string(geteuid());

} // namespace

// $TEMP is the user's own choice and is taken as it is; otherwise the
// program makes a private folder of its own, in the session's runtime folder
// when that is private, else in the temporary folder.
TEST(TempFolder, IsTheUsersOwnPrivateFolder)
{
    ScratchFolder runtime, open, shared;
    ASSERT_EQ(chmod(open.Path().c_str(), 0755), 0);
    const struct {
        const char* why;
        std::optional<std::string> temp, runtime;
        std::string expected;
    } cases[] = {
        {"TEMP as it is", "/some/where/", runtime.Path(), "/some/where"},
        {"private runtime folder", std::nullopt, runtime.Path(), runtime / "quistelor"},
        {"runtime folder open to others", "", open.Path(), shared / kOwnName},
        {"no runtime folder", std::nullopt, std::nullopt, shared / kOwnName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const Environment env{{"TEMP", c.temp}, {"XDG_RUNTIME_DIR", c.runtime}, {"TMPDIR", shared.Path()}};
        EXPECT_EQ(TempFolder(), c.expected);
        EXPECT_EQ(TempFile("fondexport.bitmap"), c.expected + "/fondexport.bitmap");
        if (c.temp && !c.temp->empty())
            continue;
        EXPECT_EQ(ModeOf(c.expected), S_IFDIR | 0700);
    }
}

// A name that another user could have planted where the folder goes is
// refused, and whatever it points at is left as it was.
TEST(TempFolder, RefusesAFolderThatIsNotPrivatelyOurs)
{
    const struct {
        const char* why;
        bool rootOnly;
        void (*plant)(const std::string& path, const std::string& elsewhere);
        const char* reason;
    } cases[] = {
        {"a link to a folder", false,
         [](const std::string& path, const std::string& elsewhere) {
             ASSERT_EQ(symlink(elsewhere.c_str(), path.c_str()), 0);
         },
         "it is a symbolic link"},
        {"a file", false, [](const std::string& path, const std::string&) { std::ofstream{path}; },
         "it is not a folder"},
        {"open to others", false,
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
             ASSERT_EQ(chmod(path.c_str(), 0755), 0);
         },
         "other users can reach it (it must have mode 0700)"},
        {"another user's", true,
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
             ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
         },
         "it belongs to another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.rootOnly && geteuid() != 0) {
            std::cout << "[  SKIPPED ] " << c.why << ": needs root to give a folder to another user\n";
            continue;
        }
        ScratchFolder shared, elsewhere;
        const Environment env{{"TEMP", std::nullopt}, {"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", shared.Path()}};
        c.plant(shared / kOwnName, elsewhere.Path());
        try {
            TempFile("fondexport.bitmap");
            ADD_FAILURE() << "accepted";
        } catch (const platform::ECreateFileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot use the working folder \"" + (shared / kOwnName) + "\": " + c.reason + ".");
        }
        EXPECT_EQ(ModeOf(elsewhere.Path()), S_IFDIR | 0700);
    }
}

// Two users on one machine, one after the other or at once, each get a
// working folder and files of their own.
TEST(TempFolder, TwoUsersNeverMeet)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second user";
    ScratchFolder shared;
    ASSERT_EQ(chmod(shared.Path().c_str(), 01777), 0);
    const Environment env{{"TEMP", std::nullopt}, {"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", shared.Path()}};
    // The other user goes first and leaves its files behind, as a program
    // that has quit does.
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
            _exit(2);
        try {
            platform::OpenWorkingFile(TempFile("fondexport.bitmap"));
            platform::OpenWorkingFile(TempFile("Quistelor-FTmpStream.dat"));
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NO_THROW(platform::OpenWorkingFile(TempFile("fondexport.bitmap")));
    EXPECT_NO_THROW(platform::OpenWorkingFile(TempFile("Quistelor-FTmpStream.dat")));
    EXPECT_EQ(TempFolder(), shared / kOwnName);
    EXPECT_EQ(ModeOf(shared / "quistelor-65534"), S_IFDIR | 0700);
}
