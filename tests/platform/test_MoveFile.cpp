#include "platform/MoveFile.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
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
