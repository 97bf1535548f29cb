#include "platform/MoveFile.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace support;
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

// ---- file systems that lack a method ------------------------------------------

// The chain as file systems answer it, with the answers of the exclusive
// rename and of link put in by hand (0 for the real call) and the rest real.
TEST(MoveFileA, FallsBackOnlyWhereTheFileSystemLacksTheMethod)
{
    struct Case {
        const char* fileSystem;
        int renameAnswer, linkAnswer;
        bool taken;
        int error;  // of the whole rename
    } cases[] = {
        {"FAT or exFAT through FUSE", EINVAL, EPERM, false, 0},
        {"FAT or exFAT through FUSE, name taken", EINVAL, 0, true, EEXIST},
        {"no exclusive rename, links unsupported", ENOSYS, EOPNOTSUPP, false, 0},
        {"no exclusive rename, hard links", EINVAL, 0, false, 0},
        {"no exclusive rename, link refused", EINVAL, EACCES, false, EACCES},
        {"sticky folder", EPERM, 0, false, EPERM},
        {"read-only", EROFS, 0, false, EROFS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileSystem);
        ScratchFolder dir;
        WriteFile(dir / "old.jpg", "photo");
        if (c.taken)
            WriteFile(dir / "new.jpg", "other");
        int links = 0;
        const auto answer = [](int code, auto real) {
            return [code, real](const char* from, const char* to) {
                errno = code;
                return code ? -1 : real(from, to);
            };
        };
        platform::MoveSystemCalls calls{answer(c.renameAnswer, platform::MoveSystemCalls::Real().RenameNoReplace),
                                        [&](const char* from, const char* to) {
                                            ++links;
                                            return answer(c.linkAnswer, platform::MoveSystemCalls::Real().Link)(from, to);
                                        }};
        const platform::MoveReport r = platform::MoveFileReporting(platform::mmAuto, dir / "old.jpg", dir / "new.jpg", calls);
        EXPECT_EQ(r.Error, c.error) << strerror(r.Error);
        EXPECT_EQ(r.Leftover, platform::mlNothing);
        EXPECT_EQ(links, c.renameAnswer == EINVAL || c.renameAnswer == ENOSYS ? 1 : 0);
        if (c.error == 0) {
            EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"new.jpg"}));
            EXPECT_EQ(ReadFile(dir / "new.jpg"), "photo");
        } else {
            EXPECT_EQ(ReadFile(dir / "old.jpg"), "photo");
            EXPECT_EQ(Listing(dir.Path()).size(), c.taken ? 2u : 1u);
        }
    }
}

// ---- folders that forbid removing a name ----------------------------------------

// renameat2 answers EPERM in a sticky folder (another user's photo, renamed by
// a third user) and in an append-only one. That is a refusal, not a missing
// feature: the fallback would link the new name, fail to drop either name and
// leave the photo with two. Forced, that fallback must say so.
TEST(MoveFileA, FoldersForbiddingRemovalRefuseAndLeaveOneName)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users and to set the append-only flag";
    const std::string user = "qst-renamer-" + std::to_string(getpid());
    const passwd* pw = std::system(("useradd --system --no-create-home " + user + " 2>/dev/null").c_str()) == 0
                           ? getpwnam(user.c_str()) : nullptr;
    if (!pw)
        GTEST_SKIP() << "useradd could not make a throwaway user";
    struct Remove {
        std::string user;
        ~Remove() { std::system(("userdel " + user + " 2>/dev/null").c_str()); }
    } removeAtEnd{user};
    const uid_t renamer = pw->pw_uid;
    for (const bool sticky : {true, false}) {
        SCOPED_TRACE(sticky ? "sticky" : "append-only");
        ScratchFolder dir;
        WriteFile(dir / "a.jpg", "photo");
        const int folder = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (sticky) {
            ASSERT_EQ(chown((dir / "a.jpg").c_str(), 65534, 65534), 0);  // nobody's
            ASSERT_EQ(chmod((dir / "a.jpg").c_str(), 0666), 0);
            ASSERT_EQ(chmod(dir.Path().c_str(), 01777), 0);
        } else if (ioctl(folder, FS_IOC_GETFLAGS, &flags) != 0 ||
                   (flags |= FS_APPEND_FL, ioctl(folder, FS_IOC_SETFLAGS, &flags)) != 0) {
            std::cout << "[  SKIPPED ] append-only: the flag is not available on this file system\n";
            close(folder);
            continue;
        }
        // The report as "error + 64 * leftover", from a child under the renamer's id.
        auto move = [&](platform::MoveMethod method) {
            const pid_t child = fork();
            if (child == 0) {
                if (sticky && (setresgid(renamer, renamer, renamer) != 0 || setresuid(renamer, renamer, renamer) != 0))
                    _exit(127);
                const platform::MoveReport r = platform::MoveFileReporting(method, dir / "a.jpg", dir / "b.jpg");
                _exit(r.Error + 64 * r.Leftover);
            }
            int status = 0;
            waitpid(child, &status, 0);
            return WEXITSTATUS(status);
        };
        EXPECT_EQ(move(platform::mmAuto), EPERM);
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
        EXPECT_EQ(move(platform::mmLinkUnlink), EPERM + 64 * platform::mlBothNames);

        flags &= ~FS_APPEND_FL;
        EXPECT_TRUE(sticky || ioctl(folder, FS_IOC_SETFLAGS, &flags) == 0);
        close(folder);
    }
}
