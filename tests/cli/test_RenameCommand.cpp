// Runs the real quistelor-cli on scratch folders of photos.

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testphotos;

extern char** environ;

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args)
{
    ScratchFolder io;
    const std::string outPath = io / "out", errPath = io / "err";
    std::vector<std::string> all = {QUISTELOR_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    CliRun r;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int st = 0;
        waitpid(pid, &st, 0);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    return r;
}

// A folder of photos with EXIF dates; file times are all the same, so any
// name that follows the EXIF dates proves they were read.
class CliRename : public ::testing::Test {
protected:
    void SetUp() override { UseUtc(); }
    void Photo(const std::string& name, const std::string& exifDate, std::time_t mtime = 1147444200)
    {
        WriteFile(dir / name, JpegBytes(exifDate, name));
        SetModified(dir / name, mtime);
    }
    // The folder's list in file-system order, as the command sees it.
    std::vector<std::string> ListOrder() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(e.path().filename().string());
        return names;
    }
    ScratchFolder dir;
};

std::string Lines(const std::vector<std::string>& lines)
{
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

} // namespace

TEST_F(CliRename, PreviewListsOldAndNewNamesInListOrderAndChangesNothing)
{
    Photo("b.jpg", "2006:05:12 10:00:00");
    Photo("a.JPG", "2006:05:12 09:00:00");
    Photo("c.jpg", "2006:05:13 08:00:00");
    WriteFile(dir / "notes.txt", "not a photo");
    const auto before = Listing(dir.Path());

    const CliRun r = Cli({"preview", "Trip ?_*", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> expected = {{"a.JPG", "Trip 2006-05-12_1.jpg"},
                                                   {"b.jpg", "Trip 2006-05-12_2.jpg"},
                                                   {"c.jpg", "Trip 2006-05-13_1.jpg"}};
    std::vector<std::string> lines;
    for (const auto& name : ListOrder())
        if (expected.count(name))
            lines.push_back(name + "\t" + expected[name]);
    EXPECT_EQ(r.out, Lines(lines));
    EXPECT_EQ(Listing(dir.Path()), before);
}

TEST_F(CliRename, NoExifUsesFileTimesWithEvenSeconds)
{
    Photo("a.jpg", "2001:01:01 00:00:00", 1147444200 + 5);
    const CliRun r = Cli({"preview", "--no-exif", "?-%", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "a.jpg\t2006-05-12-14.30.04.jpg\n");
    const CliRun exif = Cli({"preview", "?-%", dir.Path()});
    EXPECT_EQ(exif.out, "a.jpg\t2001-01-01-00.00.00.jpg\n");
}

TEST_F(CliRename, NamedPhotosAreTheSelection)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    Photo("b.jpg", "2006:05:12 10:00:00");
    Photo("c.jpg", "2006:05:12 11:00:00");
    const CliRun r = Cli({"rename", "P *", dir.Path(), "c.jpg", "a.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "b.jpg"}));
    EXPECT_EQ(ReadFile(dir / "P 2.jpg"), JpegBytes("2006:05:12 11:00:00", "c.jpg"));
}

TEST_F(CliRename, RenameFailsOnANameHeldByAPhotoOutsideTheSelection)
{
    Photo("new.jpg", "2006:05:12 09:00:00");
    Photo("Photo 1.jpg", "2006:05:12 10:00:00");
    const CliRun r = Cli({"rename", "Photo *", dir.Path(), "new.jpg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "new.jpg\tPhoto 1.jpg\tfailed: File exists\n");
    EXPECT_EQ(ReadFile(dir / "new.jpg"), JpegBytes("2006:05:12 09:00:00", "new.jpg"));
    EXPECT_EQ(ReadFile(dir / "Photo 1.jpg"), JpegBytes("2006:05:12 10:00:00", "Photo 1.jpg"));
}

TEST_F(CliRename, NameStillHeldByALaterPhotoOfTheBatchFails)
{
    Photo("new.jpg", "2006:05:12 09:00:00");      // due to become Photo 1.jpg
    Photo("Photo 1.jpg", "2006:05:12 10:00:00");  // becomes Photo 2.jpg
    // Whether Photo 1.jpg is still taken at new.jpg's turn depends on the
    // file system's listing order, which the command follows.
    const std::vector<std::string> order = ListOrder();
    const bool newFirst = order.front() == "new.jpg";
    const CliRun r = Cli({"rename", "Photo *", dir.Path()});
    const std::string newLine = newFirst ? "new.jpg\tPhoto 1.jpg\tfailed: File exists\n" : "new.jpg\tPhoto 1.jpg\tok\n";
    const std::string otherLine = "Photo 1.jpg\tPhoto 2.jpg\tok\n";
    EXPECT_EQ(r.status, newFirst ? 1 : 0);
    EXPECT_EQ(r.out, newFirst ? newLine + otherLine : otherLine + newLine);
    EXPECT_EQ(ReadFile(dir / "Photo 2.jpg"), JpegBytes("2006:05:12 10:00:00", "Photo 1.jpg"));
    EXPECT_EQ(ReadFile(dir / (newFirst ? "new.jpg" : "Photo 1.jpg")), JpegBytes("2006:05:12 09:00:00", "new.jpg"));
}

TEST_F(CliRename, PatternWithoutNamesSkipsEveryPhotoWithSuccess)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    const CliRun p = Cli({"preview", "only %", dir.Path()});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.out, "a.jpg\t\n");
    const CliRun r = Cli({"rename", "only %", dir.Path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "a.jpg\t\tskipped\n");
    EXPECT_TRUE(Exists(dir / "a.jpg"));
}

TEST_F(CliRename, BadArgumentsAndUnreadableInputsExitWithTwoAndRenameNothing)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    struct Case {
        std::vector<std::string> args;
        const char* why;
    } cases[] = {
        {{"rename"}, "no pattern"},
        {{"rename", "P *"}, "no folder"},
        {{"rename", "--bogus", "P *", dir.Path()}, "unknown option"},
        {{"rename", "P *", dir / "missing"}, "missing folder"},
        {{"rename", "P *", dir / "a.jpg"}, "folder is a file"},
        {{"rename", "P *", dir.Path(), "zzz.jpg"}, "name not in the folder"},
        {{"preview", "P *", dir.Path(), "zzz.jpg"}, "name not in the folder"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, 2) << c.why;
        EXPECT_FALSE(r.err.empty()) << c.why;
        EXPECT_TRUE(r.out.empty()) << c.why;
    }
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
}

TEST_F(CliRename, UnreadablePhotoEndsTheCommandBeforeAnyRename)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    // A photo that vanishes between listing and reading cannot be simulated
    // from outside; a dangling link named like a photo fails the same way.
    ASSERT_EQ(symlink("nowhere.jpg", (dir / "b.jpg").c_str()), 0);
    const CliRun r = Cli({"rename", "P *", dir.Path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("b.jpg"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(Exists(dir / "a.jpg"));
}

TEST_F(CliRename, TruncatedPhotoEndsTheCommandOnlyWhenExifIsRead)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    WriteFile(dir / "b.jpg", std::string("\xFF\xD8\xFF\xE1", 4));
    const CliRun r = Cli({"rename", "P *", dir.Path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("b.jpg"), std::string::npos) << r.err;
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    // Without EXIF the file time serves and the batch runs.
    const CliRun noExif = Cli({"rename", "--no-exif", "P *", dir.Path()});
    EXPECT_EQ(noExif.status, 0) << noExif.err;
    EXPECT_EQ(Listing(dir.Path()).size(), 2u);
    EXPECT_FALSE(Exists(dir / "a.jpg"));
}

TEST_F(CliRename, OptionsEndAtDoubleDashSoPatternsMayStartWithDashes)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    const CliRun r = Cli({"preview", "--", "--no-exif *", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "a.jpg\t--no-exif 1.jpg\n");
}
