// Runs the real quistelor-cli on scratch folders of photos.

#include "support/CardImage.h"
#include "support/ChildProcess.h"
#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <sstream>

using namespace support;

namespace {

using CliRun = support::ProcessRun;

// Standard output is captured, unless the options send it elsewhere.
CliRun Cli(std::vector<std::string> args, const support::ProcessOptions& options = {})
{
    args.insert(args.begin(), QUISTELOR_CLI);
    return support::RunProcess(args, options);
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
    EXPECT_EQ(r.out, Lines({"a.JPG\tTrip 2006-05-12_1.jpg", "b.jpg\tTrip 2006-05-12_2.jpg",
                            "c.jpg\tTrip 2006-05-13_1.jpg"}));
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
    // new.jpg comes first in the list: at its turn Photo 1.jpg is still taken.
    const CliRun r = Cli({"rename", "Photo *", dir.Path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "new.jpg\tPhoto 1.jpg\tfailed: File exists\nPhoto 1.jpg\tPhoto 2.jpg\tok\n");
    EXPECT_EQ(ReadFile(dir / "Photo 2.jpg"), JpegBytes("2006:05:12 10:00:00", "Photo 1.jpg"));
    EXPECT_EQ(ReadFile(dir / "new.jpg"), JpegBytes("2006:05:12 09:00:00", "new.jpg"));
}

TEST_F(CliRename, PatternWithoutNamesIsRefusedWithTheCombinationsItNeeds)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    for (const char* command : {"preview", "rename"})
        for (const char* pattern : {"", "x", "?", "%", "*%", "?%*"}) {
            const CliRun r = Cli({command, pattern, dir.Path()});
            EXPECT_EQ(r.status, 2) << command << " '" << pattern << "'";
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, std::string("quistelor-cli ") + command + ": the pattern \"" + pattern +
                                 "\" gives no names: it needs '*' alone, '?' with '%', or '?' with '*'\n");
        }
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
}

// Names and reasons are escaped as the exif command escapes values, so that
// a newline or tab in a name cannot split a line or add a column, and an
// EXIF date cannot carry terminal codes onto the screen.
TEST_F(CliRename, NamesAndReasonsAreEscapedToOneLineEach)
{
    Photo("line\nbreak.jpg", "2006:05:12 09:00:00");
    Photo("tab\there.jpg", "2006:05:12 \x1b[2J:00");
    const std::string first = "line\\nbreak.jpg\tP 2006-05-12-09.00.00.jpg";
    const std::string second = "tab\\there.jpg\tP 2006-05-12-\\x1b[2J.00.jpg";
    const std::string refused = "\tfailed: a name cannot hold control characters\n";
    EXPECT_EQ(Cli({"preview", "P ?-%", dir.Path()}).out, first + "\n" + second + refused);
    const CliRun r = Cli({"rename", "P ?-%", dir.Path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, first + "\tok\n" + second + refused);
}

// A report that cannot be written is an error, whatever the command, and a
// pipe whose reader has gone (`| head -1`) is no exception: no death by
// SIGPIPE. The rename report goes out photo by photo, so the batch stops at
// the first line lost: one photo renamed, the others untouched, and the batch
// recorded as ended, so that undo takes it back.
TEST_F(CliRename, LostStandardOutputIsAnError)
{
    support::ProcessOptions full, closed, unread;
    full.stdoutTo = "/dev/full";
    closed.stdoutTo = "";
    unread.stdoutUnread = true;
    for (const auto& [target, options] : {std::pair{"full", full}, {"closed", closed}, {"unread pipe", unread}}) {
        SCOPED_TRACE(target);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            Photo(name, std::string("2006:05:12 09:00:0") + name[0]);
        const std::pair<std::vector<std::string>, int> cases[] = {
            {{"preview", "P *", dir.Path()}, 2}, {{"exif", dir / "a.jpg"}, 2},
            {{"--help"}, 2},                     {{"rename", "P *", dir.Path()}, 1}};
        for (const auto& [args, status] : cases) {
            const CliRun r = Cli(args, options);
            EXPECT_EQ(r.status, status) << args[0];
            EXPECT_NE(r.err.find("cannot write to standard output: "), std::string::npos) << args[0] << r.err;
        }
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "b.jpg", "c.jpg"}));
        const CliRun undo = Cli({"undo", dir.Path()});
        EXPECT_EQ(undo.status, 0) << undo.err;
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
    }
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
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.why << ": " << r.err;
        EXPECT_EQ(r.err.find('\r'), std::string::npos) << c.why;
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

// Whatever rename will refuse, preview marks beforehand with rename's own
// reason, and marks nothing that rename will do.
TEST_F(CliRename, PreviewMarksWhatRenameRefusesWithRenamesReason)
{
    struct Case {
        const char* why;
        const char* pattern;
        const char* exifDate;  // of b.jpg; a.jpg is shot first
        const char* outsider;  // a file outside the list, or nullptr
    } cases[] = {
        {"taken by a file outside the batch", "P *", "2006:05:12 10:00:00", "P 2.jpg"},
        {"held by a later photo of the batch", "P *", "2006:05:12 10:00:00", nullptr},
        {"slash", "P/ *", "2006:05:12 10:00:00", nullptr},
        {"leading dot", ".P *", "2006:05:12 10:00:00", nullptr},
        {"control bytes", "P ?-%", "2006:05:12 \x1b[2J:00", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScratchFolder folder;
        WriteFile(folder / "P 1.jpg", JpegBytes("2006:05:12 09:00:00"));  // due to become P 2.jpg after a.jpg
        WriteFile(folder / "a.jpg", JpegBytes("2006:05:12 08:00:00"));
        WriteFile(folder / "b.jpg", JpegBytes(c.exifDate));
        if (c.outsider)
            WriteFile(folder / c.outsider, "not a photo");
        const CliRun preview = Cli({"preview", c.pattern, folder.Path()});
        EXPECT_EQ(preview.status, 0) << preview.err;
        const CliRun rename = Cli({"rename", c.pattern, folder.Path()});
        ASSERT_EQ(std::count(preview.out.begin(), preview.out.end(), '\n'),
                  std::count(rename.out.begin(), rename.out.end(), '\n'));
        std::istringstream previewLines(preview.out), renameLines(rename.out);
        bool anyFailed = false;
        for (std::string p, r; std::getline(previewLines, p) && std::getline(renameLines, r);) {
            const std::size_t failed = r.find("\tfailed: ");
            anyFailed |= failed != std::string::npos;
            EXPECT_EQ(p, failed == std::string::npos ? r.substr(0, r.rfind("\tok")) : r);
        }
        EXPECT_TRUE(anyFailed) << rename.out;
    }
}

TEST_F(CliRename, PreviewDatesSayWhichDateNumberedEachPhoto)
{
    Photo("a.jpg", "2001:02:03 04:05:06");
    Photo("b.jpg", "", 1147444201);  // no EXIF: its file time, seconds made even
    EXPECT_EQ(Cli({"preview", "--dates", "P *", dir.Path()}).out,
              "a.jpg\tP 1.jpg\t2001-02-03_04.05.06\texif\nb.jpg\tP 2.jpg\t2006-05-12_14.30.00\tfile\n");
    EXPECT_EQ(Cli({"preview", "--no-exif", "--dates", "P *", dir.Path()}).out,
              "a.jpg\tP 2.jpg\t2006-05-12_14.30.00\tfile\nb.jpg\tP 1.jpg\t2006-05-12_14.30.00\tfile\n");
    EXPECT_EQ(Cli({"rename", "--dates", "P *", dir.Path()}).status, 2);
}

TEST_F(CliRename, CompanionsFollowTheirPhotoOnlyWhenAskedAndUndoWithIt)
{
    Photo("IMG_1.JPG", "2006:05:12 09:00:00");
    Photo("IMG_2.jpg", "2006:05:12 10:00:00");
    for (const char* name : {"IMG_1.cr2", "IMG_1.JPG.XMP", "img_2.mov", "P 2.mov"})
        WriteFile(dir / name, name);
    const std::string taken = "\tfailed: \"P 2.mov\": File exists\n";
    const CliRun preview = Cli({"preview", "--companions", "P *", dir.Path()});
    EXPECT_EQ(preview.out, "IMG_1.JPG\tP 1.jpg\nIMG_1.cr2\tP 1.cr2\nIMG_1.JPG.XMP\tP 1.jpg.XMP\n"
                           "IMG_2.jpg\tP 2.jpg" + taken + "img_2.mov\tP 2.mov\tfailed: File exists\n");
    EXPECT_EQ(Cli({"preview", "P *", dir.Path()}).out, "IMG_1.JPG\tP 1.jpg\nIMG_2.jpg\tP 2.jpg\n");

    const CliRun r = Cli({"rename", "--companions", "P *", dir.Path()});
    EXPECT_EQ(r.status, 1);
    std::string expected = preview.out;
    for (const char* ok : {"P 1.jpg\n", "P 1.jpg.XMP\n", "P 1.cr2\n"})
        expected.replace(expected.find(ok), std::strlen(ok), std::string(ok, std::strlen(ok) - 1) + "\tok\n");
    EXPECT_EQ(r.out, expected);
    const std::vector<std::string> after = {"IMG_2.jpg", "P 1.cr2", "P 1.jpg", "P 1.jpg.XMP", "P 2.mov", "img_2.mov"};
    EXPECT_EQ(Listing(dir.Path()), after);
    EXPECT_EQ(ReadFile(dir / "P 1.jpg.XMP"), "IMG_1.JPG.XMP");

    EXPECT_EQ(Cli({"undo", dir.Path()}).status, 0);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"IMG_1.JPG", "IMG_1.JPG.XMP", "IMG_1.cr2", "IMG_2.jpg",
                                                             "P 2.mov", "img_2.mov"}));
}

TEST_F(CliRename, OptionsEndAtDoubleDashSoPatternsMayStartWithDashes)
{
    Photo("a.jpg", "2006:05:12 09:00:00");
    const CliRun r = Cli({"preview", "--", "--no-exif *", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "a.jpg\t--no-exif 1.jpg\n");
}

// Memory cards mounted through FUSE have neither an exclusive rename nor
// hard links: the batch must reach its last way of renaming there, never
// replace a file, and undo must take it back.
TEST(CliOnCards, RenamesAndUndoesOnRealFuseCards)
{
    UseUtc();
    for (const auto kind : {support::CardImage::ckExfat, support::CardImage::ckFat}) {
        SCOPED_TRACE(support::CardImage::Name(kind));
        const support::CardImage card(kind);
        if (!card.SkipReason().empty()) {
            std::cout << "[  SKIPPED ] " << support::CardImage::Name(kind) << ": " << card.SkipReason() << '\n';
            continue;
        }
        const std::string dir = card.Path();
        WriteFile(dir + "/b.jpg", JpegBytes("2006:05:12 09:00:00", "b"));
        WriteFile(dir + "/c.jpg", JpegBytes("2006:05:12 10:00:00", "c"));
        WriteFile(dir + "/P 1.jpg", "not a photo of the batch");

        const CliRun r = Cli({"rename", "P *", dir, "b.jpg", "c.jpg"});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.out, "b.jpg\tP 1.jpg\tfailed: File exists\nc.jpg\tP 2.jpg\tok\n");
        EXPECT_EQ(Listing(dir), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "b.jpg"}));
        EXPECT_EQ(ReadFile(dir + "/P 2.jpg"), JpegBytes("2006:05:12 10:00:00", "c"));
        EXPECT_EQ(ReadFile(dir + "/P 1.jpg"), "not a photo of the batch");

        const CliRun undo = Cli({"undo", dir});
        EXPECT_EQ(undo.status, 0) << undo.err;
        EXPECT_EQ(Listing(dir), (std::vector<std::string>{"P 1.jpg", "b.jpg", "c.jpg"}));
    }
}

// ---- undo and recover ----------------------------------------------------

class CliJournal : public CliRename {
protected:
    void SetUp() override
    {
        CliRename::SetUp();
        Photo("a\tb.jpg", "2006:05:12 09:00:00");
        Photo("c.jpg", "2006:05:12 10:00:00");
        Photo("d.jpg", "2006:05:12 11:00:00");
        const CliRun r = Cli({"rename", "P *", dir.Path()});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // The batch as a crash after its second rename would have left it: no
    // completion mark, the last photo under its old name.
    void Interrupt()
    {
        const std::string journal = dir / ".quistelor-rename-journal";
        std::string text = ReadFile(journal);
        ASSERT_EQ(text.substr(text.size() - 5), "done\n");
        text.resize(text.size() - 5);
        WriteFile(journal, text);
        ASSERT_EQ(rename((dir / "P 3.jpg").c_str(), (dir / "d.jpg").c_str()), 0);
    }
    // The interrupted batch blocks rename and undo until recovered `how`.
    void Recover(const std::string& how, const std::string& lines, const std::vector<std::string>& names)
    {
        Interrupt();
        const CliRun refused = Cli({"rename", "Q *", dir.Path()});
        EXPECT_EQ(refused.status, 2);
        EXPECT_NE(refused.err.find("recover '" + dir.Path() + "' --finish"), std::string::npos) << refused.err;
        EXPECT_EQ(Cli({"undo", dir.Path()}).status, 2);
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "d.jpg"}));

        const CliRun r = Cli({"recover", dir.Path(), how});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, lines);
        EXPECT_EQ(Listing(dir.Path()), names);
        EXPECT_EQ(Cli({"recover", dir.Path(), how}).status, 2);
        EXPECT_EQ(Cli({"rename", "Q *", dir.Path()}).status, 0);
    }
};

TEST_F(CliJournal, UndoPrintsNewOldAndStatusEscapedAndUndoesOnce)
{
    const CliRun r = Cli({"undo", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Lines({"P 3.jpg\td.jpg\tok", "P 2.jpg\tc.jpg\tok", "P 1.jpg\ta\\tb.jpg\tok"}));
    EXPECT_EQ(ReadFile(dir / "a\tb.jpg"), JpegBytes("2006:05:12 09:00:00", "a\tb.jpg"));

    const CliRun again = Cli({"undo", dir.Path()});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("already undone"), std::string::npos) << again.err;
}

TEST_F(CliJournal, InterruptedBatchIsFinished)
{
    Recover("--finish", Lines({"a\\tb.jpg\tP 1.jpg\tok", "c.jpg\tP 2.jpg\tok", "d.jpg\tP 3.jpg\tok"}),
            {"P 1.jpg", "P 2.jpg", "P 3.jpg"});
}

TEST_F(CliJournal, InterruptedBatchIsUndone)
{
    Recover("--undo",
            Lines({"P 3.jpg\td.jpg\tskipped: not renamed by the batch", "P 2.jpg\tc.jpg\tok", "P 1.jpg\ta\\tb.jpg\tok"}),
            {"a\tb.jpg", "c.jpg", "d.jpg"});
}

TEST_F(CliJournal, DamagedJournalIsReportedAndLeftAlone)
{
    WriteFile(dir / ".quistelor-rename-journal", "Quistelor rename journal 2\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"undo", dir.Path()},
                                                 {"recover", dir.Path(), "--undo"},
                                                 {"rename", "Q *", dir.Path()}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "P 3.jpg"}));
}

// A recovery whose report is lost, or whose journal cannot take its mark,
// says so (status 1) and leaves the batch to be recovered again.
TEST_F(CliJournal, RecoveryThatCannotReportOrMarkLeavesTheBatchInterrupted)
{
    Interrupt();
    support::ProcessOptions full;
    full.stdoutTo = "/dev/full";
    const CliRun lost = Cli({"recover", dir.Path(), "--finish"}, full);
    EXPECT_EQ(lost.status, 1) << lost.err;
    const std::string journal = dir / ".quistelor-rename-journal";
    const std::string size = std::to_string(std::filesystem::file_size(journal));
    const CliRun unmarked = support::RunProcess(
        {"sh", "-c", "trap '' XFSZ; exec prlimit --fsize=" + size + " \"$0\" recover \"$1\" --finish", QUISTELOR_CLI,
         dir.Path()});
    EXPECT_EQ(unmarked.status, 1) << unmarked.err;
    EXPECT_NE(unmarked.err.find("reads as interrupted"), std::string::npos) << unmarked.err;
    const CliRun r = Cli({"recover", dir.Path(), "--finish"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "P 3.jpg"}));
}

// While another program holds the folder's rename lock, every command that
// would rename there says so, with status 2, and touches nothing.
TEST_F(CliJournal, RenameInProgressRefusesEveryCommand)
{
    const int fd = open((dir / ".quistelor-rename-lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"undo", dir.Path()},
                                                 {"recover", dir.Path(), "--finish"},
                                                 {"rename", "Q *", dir.Path()}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("in progress"), std::string::npos) << r.err;
    }
    close(fd);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"P 1.jpg", "P 2.jpg", "P 3.jpg"}));
}
