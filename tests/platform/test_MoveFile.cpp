#include "platform/MoveFile.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <iostream>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testphotos;
using platform::MoveMethod;

namespace {

class MoveFileTest : public ::testing::TestWithParam<MoveMethod> {
protected:
    bool Move(const std::string& from, const std::string& to)
    {
        errno = 0;
        return platform::MoveFileUsing(GetParam(), dir / from, dir / to);
    }
    ScratchFolder dir;
};

} // namespace

TEST_P(MoveFileTest, RenamesOntoAFreeName)
{
    WriteFile(dir / "old.jpg", "photo");
    ASSERT_TRUE(Move("old.jpg", "new.jpg")) << strerror(errno);
    EXPECT_FALSE(Exists(dir / "old.jpg"));
    EXPECT_EQ(ReadFile(dir / "new.jpg"), "photo");
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"new.jpg"}));
}

TEST_P(MoveFileTest, RefusesATakenNameAndKeepsBothFiles)
{
    WriteFile(dir / "a.jpg", "first");
    WriteFile(dir / "b.jpg", "second");
    EXPECT_FALSE(Move("a.jpg", "b.jpg"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "first");
    EXPECT_EQ(ReadFile(dir / "b.jpg"), "second");
}

TEST_P(MoveFileTest, RefusesNamesHeldByDirectoriesAndDanglingLinks)
{
    WriteFile(dir / "a.jpg", "first");
    ASSERT_EQ(mkdir((dir / "sub.jpg").c_str(), 0700), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "link.jpg").c_str()), 0);
    EXPECT_FALSE(Move("a.jpg", "sub.jpg"));
    EXPECT_FALSE(Move("a.jpg", "link.jpg"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "first");
    char target[32] = {};
    ASSERT_GT(readlink((dir / "link.jpg").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "nowhere");
}

TEST_P(MoveFileTest, TheFileItselfIsASuccess)
{
    WriteFile(dir / "a.jpg", "photo");
    EXPECT_TRUE(Move("a.jpg", "a.jpg")) << strerror(errno);
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "photo");
}

// A second hard link is another name in the folder: renaming onto it must be
// refused, not reported as done while the old name stays.
TEST_P(MoveFileTest, AnotherHardLinkOfTheFileIsATakenName)
{
    WriteFile(dir / "a.jpg", "photo");
    ASSERT_EQ(link((dir / "a.jpg").c_str(), (dir / "b.jpg").c_str()), 0);
    EXPECT_FALSE(Move("a.jpg", "b.jpg"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "photo");
}

TEST_P(MoveFileTest, FailuresLeaveNoTraceBehind)
{
    // A missing source must not leave a reservation or link under the new name.
    EXPECT_FALSE(Move("missing.jpg", "new.jpg"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(Exists(dir / "new.jpg"));
    // A path into a folder that does not exist.
    WriteFile(dir / "a.jpg", "photo");
    EXPECT_FALSE(Move("a.jpg", "no/such/folder.jpg"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
}

TEST_P(MoveFileTest, MovesIntoAnExistingSubfolder)
{
    WriteFile(dir / "a.jpg", "photo");
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0700), 0);
    ASSERT_TRUE(Move("a.jpg", "sub/b.jpg")) << strerror(errno);
    EXPECT_EQ(ReadFile(dir / "sub/b.jpg"), "photo");
    EXPECT_FALSE(Exists(dir / "a.jpg"));
}

static std::string MethodName(const ::testing::TestParamInfo<MoveMethod>& info)
{
    static const char* const names[] = {"Auto", "NoReplace", "LinkUnlink", "Reservation"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryMethod, MoveFileTest,
                         ::testing::Values(platform::mmAuto, platform::mmNoReplace, platform::mmLinkUnlink,
                                           platform::mmReservation),
                         MethodName);

TEST(MoveFileA, RenamesDirectoriesListedAsPhotos)
{
    ScratchFolder dir;
    ASSERT_EQ(mkdir((dir / "d.jpg").c_str(), 0700), 0);
    WriteFile(dir / "d.jpg/inside", "x");
    ASSERT_TRUE(platform::MoveFileA(dir / "d.jpg", dir / "e.jpg"));
    EXPECT_EQ(ReadFile(dir / "e.jpg/inside"), "x");
}

// ---- folders that forbid removing a name ----------------------------------------

namespace {

// Runs fn in a child process under another user id and returns its report.
platform::MoveReport RunAs(uid_t uid, const std::function<platform::MoveReport()>& fn)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {errno};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        platform::MoveReport r{EPERM};
        if (setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 && setresuid(uid, uid, uid) == 0)
            r = fn();
        const ssize_t written = write(pipeFds[1], &r, sizeof r);
        _exit(written == sizeof r ? 0 : 1);
    }
    close(pipeFds[1]);
    platform::MoveReport r{-1};
    if (child < 0 || read(pipeFds[0], &r, sizeof r) != sizeof r)
        r = {-1};
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return r;
}

// A throwaway user for the length of a test, removed again afterwards.
class ThrowawayUser {
public:
    ThrowawayUser() : name_("qst-renamer-" + std::to_string(getpid()))
    {
        const std::string add = "useradd --system --no-create-home --shell /usr/sbin/nologin " + name_ + " 2>/dev/null";
        if (std::system(add.c_str()) == 0)
            if (const passwd* pw = getpwnam(name_.c_str()))
                uid_ = pw->pw_uid;
    }
    ~ThrowawayUser()
    {
        if (uid_ != 0)
            std::system(("userdel " + name_ + " 2>/dev/null").c_str());
    }
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;
    uid_t Uid() const { return uid_; }  // 0 when it could not be made

private:
    std::string name_;
    uid_t uid_ = 0;
};

} // namespace

// renameat2 answers EPERM in a sticky folder (another user's photo) and in an
// append-only one. That is a refusal, not a missing feature: the fallback
// would link the new name, fail to drop either name and leave the photo with
// two. Forced, that fallback must say so.
TEST(MoveFileA, FoldersForbiddingRemovalRefuseAndLeaveOneName)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two other users and to set the append-only flag";
    const ThrowawayUser renamer;
    if (renamer.Uid() == 0)
        GTEST_SKIP() << "useradd could not make a throwaway user";
    struct Kind {
        const char* name;
        bool sticky;  // else append-only
    };
    for (const Kind kind : {Kind{"sticky", true}, Kind{"append-only", false}}) {
        SCOPED_TRACE(kind.name);
        ScratchFolder dir;
        WriteFile(dir / "a.jpg", "photo");
        int flags = 0;
        if (kind.sticky) {
            const passwd* owner = getpwnam("nobody");
            ASSERT_NE(owner, nullptr);
            ASSERT_EQ(chown((dir / "a.jpg").c_str(), owner->pw_uid, owner->pw_gid), 0);
            ASSERT_EQ(chmod((dir / "a.jpg").c_str(), 0666), 0);
            ASSERT_EQ(chmod(dir.Path().c_str(), 01777), 0);
        } else {
            const int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
            ASSERT_GE(fd, 0);
            const bool set = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                             (flags |= FS_APPEND_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
            close(fd);
            if (!set) {
                std::cout << "[  SKIPPED ] the append-only flag is not available on this file system\n";
                continue;
            }
        }
        auto move = [&](platform::MoveMethod method) {
            auto run = [&] { return platform::MoveFileReporting(method, dir / "a.jpg", dir / "b.jpg"); };
            return kind.sticky ? RunAs(renamer.Uid(), run) : run();
        };
        const platform::MoveReport automatic = move(platform::mmAuto);
        EXPECT_EQ(automatic.Error, EPERM);
        EXPECT_EQ(automatic.Leftover, platform::mlNothing);
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));

        const platform::MoveReport forced = move(platform::mmLinkUnlink);
        EXPECT_EQ(forced.Error, EPERM);
        EXPECT_EQ(forced.Leftover, platform::mlBothNames);

        if (!kind.sticky) {
            const int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
            flags &= ~FS_APPEND_FL;
            EXPECT_EQ(ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
            close(fd);
        }
    }
}
