#include "platform/FileStream.h"
#include "platform/TempFolder.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::TempFile;
using platform::TempFolder;
using support::ScratchFolder;

namespace {

void SetOrUnset(const char* name, const std::optional<std::string>& value)
{
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

std::optional<std::string> Get(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

// Each test sets the three variables it depends on; the temporary folder
// that the next test's scratch folders need is put back afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void TearDown() override { SetOrUnset("TMPDIR", tmpdir_); }

private:
    std::optional<std::string> tmpdir_ = Get("TMPDIR");
};

void Use(const std::optional<std::string>& temp, const std::optional<std::string>& runtime, const std::string& tmpdir)
{
    SetOrUnset("TEMP", temp);
    SetOrUnset("XDG_RUNTIME_DIR", runtime);
    setenv("TMPDIR", tmpdir.c_str(), 1);
}

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
TEST_F(TempFolderTest, IsTheUsersOwnPrivateFolder)
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
        Use(c.temp, c.runtime, shared.Path());
        EXPECT_EQ(TempFolder(), c.expected);
        EXPECT_EQ(TempFile("fondexport.bitmap"), c.expected + "/fondexport.bitmap");
        if (!c.temp || c.temp->empty()) {
            EXPECT_EQ(ModeOf(c.expected), S_IFDIR | 0700);
        }
    }
}

// A name that another user could have planted where the folder goes is
// refused, and whatever it points at is left as it was.
TEST_F(TempFolderTest, RefusesAFolderThatIsNotPrivatelyOurs)
{
    const struct {
        const char* why;
        mode_t type, mode;
        uid_t owner;
        const char* reason;
    } cases[] = {
        {"a link to a folder", S_IFLNK, 0, geteuid(), "it is a symbolic link"},
        {"a file", S_IFREG, 0600, geteuid(), "it is not a folder"},
        {"open to others", S_IFDIR, 0755, geteuid(), "other users can reach it (it must have mode 0700)"},
        {"another user's", S_IFDIR, 0700, 65534, "it belongs to another user"},
    };
    ScratchFolder shared, elsewhere;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.owner != geteuid() && geteuid() != 0) {
            std::cout << "[  SKIPPED ] " << c.why << ": needs root to give a folder to another user\n";
            continue;
        }
        const std::string tmpdir = shared / c.why;
        ASSERT_EQ(mkdir(tmpdir.c_str(), 0700), 0);
        Use(std::nullopt, std::nullopt, tmpdir);
        const std::string planted = tmpdir + "/" + kOwnName;
        if (c.type == S_IFLNK) {
            ASSERT_EQ(symlink(elsewhere.Path().c_str(), planted.c_str()), 0);
        } else if (c.type == S_IFREG) {
            std::ofstream{planted};
        } else {
            ASSERT_EQ(mkdir(planted.c_str(), 0700), 0);
        }
        if (c.type != S_IFLNK) {
            ASSERT_EQ(chmod(planted.c_str(), c.mode) | chown(planted.c_str(), c.owner, c.owner), 0);
        }
        try {
            TempFile("fondexport.bitmap");
            ADD_FAILURE() << "accepted";
        } catch (const platform::ECreateFileError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot use the working folder \"" + planted + "\": " + c.reason + ".");
        }
        EXPECT_EQ(ModeOf(elsewhere.Path()), S_IFDIR | 0700);
    }
}

// Two users of one machine, one after the other, each get a working folder
// and files of their own.
TEST_F(TempFolderTest, TwoUsersNeverMeet)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second user";
    ScratchFolder shared;
    ASSERT_EQ(chmod(shared.Path().c_str(), 01777), 0);
    Use(std::nullopt, std::nullopt, shared.Path());
    const auto makeFiles = [] {
        platform::OpenWorkingFile(TempFile("fondexport.bitmap"));
        platform::OpenWorkingFile(TempFile("Quistelor-FTmpStream.dat"));
    };
    // The other user goes first and leaves its files behind, as a program
    // that has quit does.
    const pid_t child = fork();
    if (child == 0) {
        const bool other = setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0;
        try {
            makeFiles();
        } catch (...) {
            _exit(1);
        }
        _exit(other ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NO_THROW(makeFiles());
    EXPECT_EQ(TempFolder(), shared / kOwnName);
    EXPECT_EQ(ModeOf(shared / "quistelor-65534"), S_IFDIR | 0700);
}
