// The rename journal on real folders: batches, undos and recoveries killed
// part-way in a child process, then finished or undone; undo after changes
// by hand and on folders holding other photos; the folder's lock; file
// systems played through the facts layer; damaged and unwritable journals.
// As root, also on loop-device, overlay and FUSE mounts.

#include "rename/RenameJournal.h"

#include "support/ChildProcess.h"
#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace support;

namespace {

// A folder of photos and the batch that renames them.
struct Journaled {
    ScratchFolder dir;
    photarrtyp photos;
    std::vector<bool> selected;
    std::vector<std::optional<std::string>> newNames;
    CompanionLists companions;

    void Add(const std::string& from, const std::string& to)
    {
        WriteFile(dir / from, "bytes of " + from);
        PhotoType p;
        p.FileName = from;
        photos.push_back(p);
        selected.push_back(true);
        newNames.emplace_back(to);
    }
    // Chained names: each photo takes the name the previous one gave up.
    void AddChain(std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            Add("p" + std::to_string(i + 1) + ".jpg", "p" + std::to_string(i) + ".jpg");
    }
    JournalRun Run(const RenameDone& done = {})
    {
        return JournaledRename(dir.Path(), "p*", photos, selected, newNames, {}, done, companions);
    }
    TRenameJournal Latest() const { return LatestJournal(dir.Path()); }
    // Each photo's bytes, by the name that holds them.
    std::map<std::string, std::string> Contents() const
    {
        std::map<std::string, std::string> all;
        for (const std::string& name : Listing(dir.Path()))
            all[name] = ReadFile(dir / name);
        return all;
    }
    std::map<std::string, std::string> Expected(bool renamed) const
    {
        std::map<std::string, std::string> all;
        for (std::size_t i = 0; i < photos.size(); ++i)
            all[renamed ? *newNames[i] : photos[i].FileName] = "bytes of " + photos[i].FileName;
        return all;
    }
};

// Runs action in a child process whose done callback kills it with SIGKILL
// once `after` files are done (never, for 0).
void RunKilledAfter(std::size_t after, const std::function<void(const RenameDone&)>& action)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::size_t n = 0;
        try {
            action([&](const RenameOutcome&) {
                if (++n == after)
                    raise(SIGKILL);
                return true;
            });
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child was not killed";
}

// Facts of the real file system, with a test's changes.
class AlteredFacts : public TFileSystemFacts {
public:
    std::function<int(const std::string&, FileFacts&)> examine = [](auto&, auto&) { return 0; };
    int readHeadError = 0;
    std::int64_t now = 0;

    int Examine(const std::string& path, FileFacts& facts) override
    {
        const int code = real_.Examine(path, facts);
        return code ? code : examine(path, facts);
    }
    int ReadHead(const std::string& path, std::size_t n, std::string& bytes) override
    {
        return readHeadError ? readHeadError : real_.ReadHead(path, n, bytes);
    }
    std::int64_t Now() override { return now; }

private:
    TFileSystemFacts& real_ = FileSystemFacts();
};

bool IsPhoto(const std::string& path)
{
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
}

TEST(RenameJournal, BatchKilledPartWayIsFinishedOrUndoneWithEveryPhotoOnce)
{
    constexpr std::size_t kPhotos = 6;
    for (const std::size_t killedAfter : {std::size_t{1}, std::size_t{3}, kPhotos}) {
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(testing::Message() << "killed after " << killedAfter << (finish ? ", finished" : ", undone"));
            Journaled b;
            b.AddChain(kPhotos);
            RunKilledAfter(killedAfter, [&](const RenameDone& done) { b.Run(done); });

            TRenameJournal j = b.Latest();
            // All renames done but no completion mark yet: still interrupted.
            ASSERT_EQ(j.State, jsInterrupted);
            EXPECT_EQ(DoneCount(b.dir.Path(), j), killedAfter);
            EXPECT_THROW(b.Run(), EJournalError);

            const JournalRun run = finish ? FinishBatch(b.dir.Path(), j) : UndoBatch(b.dir.Path(), j);
            EXPECT_EQ(run.Outcomes.size(), kPhotos);
            EXPECT_EQ(run.MarkError, "");
            for (const RenameOutcome& o : run.Outcomes)
                EXPECT_EQ(o.Result, finish ? rrRenamed : (o.Index < killedAfter ? rrRenamed : rrSkipped)) << o.OldName;
            EXPECT_EQ(b.Contents(), b.Expected(finish));
            EXPECT_EQ(b.Latest().State, finish ? jsComplete : jsUndone);
        }
    }
}

TEST(RenameJournal, CompanionsAreUndoneAndRecoveredAfterAKillAtEveryStepOfTheirGroup)
{
    // a.jpg's group in its renaming order, then a photo without companions.
    const std::vector<std::pair<std::string, std::string>> group = {
        {"a.jpg", "p1.jpg"}, {"a.CR2", "p1.CR2"}, {"a.jpg.xmp", "p1.jpg.xmp"}};
    auto expected = [&](bool renamed) {
        std::map<std::string, std::string> all{{renamed ? "p2.jpg" : "b.jpg", "bytes of b.jpg"}};
        for (const auto& [from, to] : group)
            all[renamed ? to : from] = "bytes of " + from;
        return all;
    };
    auto prepare = [&](Journaled& b) {
        b.Add("a.jpg", "p1.jpg");
        b.Add("b.jpg", "p2.jpg");
        for (std::size_t k = 1; k < group.size(); ++k)
            WriteFile(b.dir / group[k].first, "bytes of " + group[k].first);
        b.companions = ListCompanions(b.dir.Path(), {"a.jpg", "b.jpg"}, b.selected);
    };
    for (std::size_t done = 0; done <= group.size(); ++done) {
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(testing::Message() << done << " of the group done" << (finish ? ", finished" : ", undone"));
            Journaled b;
            prepare(b);
            RunKilledAfter(1, [&](const RenameDone& done) { b.Run(done); });
            // The journal reads back from the folder which renames were done:
            // a kill after `done` renames of the group left this folder.
            for (std::size_t k = group.size(); k-- > done;)
                ASSERT_EQ(rename((b.dir / group[k].second).c_str(), (b.dir / group[k].first).c_str()), 0);

            const TRenameJournal j = LatestJournal(b.dir.Path());
            ASSERT_EQ(j.State, jsInterrupted);
            EXPECT_EQ(j.Entries.size(), group.size() + 1);
            EXPECT_EQ(DoneCount(b.dir.Path(), j), done);
            finish ? FinishBatch(b.dir.Path(), j) : UndoBatch(b.dir.Path(), j);
            EXPECT_EQ(b.Contents(), expected(finish));
        }
    }
    Journaled b;
    prepare(b);
    b.Run();
    EXPECT_EQ(b.Contents(), expected(true));
    UndoBatch(b.dir.Path(), LatestJournal(b.dir.Path()));
    EXPECT_EQ(b.Contents(), expected(false));
}

// An undo or a recovery killed part-way (and the recovery of that killed
// again) leaves a batch that recovery brings either way.
TEST(RenameJournal, UndoOrRecoveryKilledPartWayIsRecoverableBothWays)
{
    constexpr std::size_t kPhotos = 5;
    enum Killed { kUndo, kFinish, kRecoverUndo };
    for (const Killed killed : {kUndo, kFinish, kRecoverUndo}) {
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(testing::Message() << "killed " << killed << (finish ? ", finished" : ", undone"));
            Journaled b;
            b.AddChain(kPhotos);
            if (killed == kUndo) {
                b.Run();
            } else {
                RunKilledAfter(2, [&](const RenameDone& done) { b.Run(done); });
            }
            const TRenameJournal before = b.Latest();
            RunKilledAfter(3, [&](const RenameDone& done) {
                if (killed == kFinish)
                    FinishBatch(b.dir.Path(), before, done);
                else
                    UndoBatch(b.dir.Path(), before, done);
            });
            // Killed once more at its first file, then run to the end.
            const TRenameJournal j = b.Latest();
            ASSERT_EQ(j.State, jsInterrupted);
            RunKilledAfter(1, [&](const RenameDone& done) { UndoBatch(b.dir.Path(), j, done); });

            const TRenameJournal last = b.Latest();
            ASSERT_EQ(last.State, jsInterrupted);
            const JournalRun run = finish ? FinishBatch(b.dir.Path(), last) : UndoBatch(b.dir.Path(), last);
            EXPECT_EQ(run.MarkError, "");
            EXPECT_EQ(b.Contents(), b.Expected(finish));
            EXPECT_EQ(b.Latest().State, finish ? jsComplete : jsUndone);
        }
    }
}

TEST(RenameJournal, UndoLeavesFilesChangedByHandAloneAndNeverReplacesAFile)
{
    Journaled b;
    for (const char* name : {"a", "b", "c", "d", "e"})
        b.Add(std::string(name) + ".jpg", std::string("new-") + name + ".jpg");
    b.Run();
    ASSERT_EQ(b.Latest().State, jsComplete);

    ASSERT_EQ(rename((b.dir / "new-a.jpg").c_str(), (b.dir / "moved.jpg").c_str()), 0);  // renamed by hand
    ASSERT_EQ(unlink((b.dir / "new-b.jpg").c_str()), 0);  // replaced by another file
    WriteFile(b.dir / "new-b.jpg", "another b");
    WriteFile(b.dir / "c.jpg", "a newcomer under c's old name");  // collision
    WriteFile(b.dir / "new-e.jpg", "bytes of e.jpg (edited)");  // same size, same time, other bytes
    struct stat st {};
    ASSERT_EQ(stat((b.dir / "new-d.jpg").c_str(), &st), 0);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, (b.dir / "new-e.jpg").c_str(), times, 0), 0);

    std::map<std::string, RenameOutcome> by;
    for (RenameOutcome& o : UndoBatch(b.dir.Path(), b.Latest()).Outcomes)
        by[o.OldName] = o;
    EXPECT_EQ(by["new-a.jpg"].Skip, srGone);
    EXPECT_EQ(by["new-b.jpg"].Skip, srNotThePhoto);
    EXPECT_EQ(by["new-c.jpg"].Result, rrFailed);
    EXPECT_EQ(by["new-c.jpg"].ErrorCode, EEXIST);
    EXPECT_EQ(by["new-d.jpg"].Result, rrRenamed);
    EXPECT_EQ(by["new-e.jpg"].Skip, srNotThePhoto);
    const std::map<std::string, std::string> expected = {{"moved.jpg", "bytes of a.jpg"},
                                                         {"new-b.jpg", "another b"},
                                                         {"c.jpg", "a newcomer under c's old name"},
                                                         {"new-c.jpg", "bytes of c.jpg"},
                                                         {"d.jpg", "bytes of d.jpg"},
                                                         {"new-e.jpg", "bytes of e.jpg (edited)"}};
    EXPECT_EQ(b.Contents(), expected);
    // A rename back failed: the batch stays undoable for when c.jpg is gone.
    EXPECT_EQ(b.Latest().State, jsInterrupted);
    ASSERT_EQ(unlink((b.dir / "c.jpg").c_str()), 0);
    EXPECT_EQ(UndoBatch(b.dir.Path(), b.Latest()).MarkError, "");
    EXPECT_EQ(ReadFile(b.dir / "c.jpg"), "bytes of c.jpg");
    EXPECT_EQ(b.Latest().State, jsUndone);
}

// The journal travels with its folder, whatever its path, device number or
// inode numbers, and acts only on the photos it renamed: another folder
// (another card) holding a copy of it and photos of the same names is left
// alone, and so is an exact copy of a photo, born later.
TEST(RenameJournal, JournalFollowsItsFolderAndActsOnlyOnItsPhotos)
{
    Journaled b;
    b.AddChain(3);
    RunKilledAfter(2, [&](const RenameDone& done) { b.Run(done); });
    const std::string moved = b.dir / "card-now-mounted-here";
    ASSERT_EQ(mkdir(moved.c_str(), 0700), 0);
    for (const std::string& name : Listing(b.dir.Path()))
        if (name != "card-now-mounted-here") {
            ASSERT_EQ(rename((b.dir / name).c_str(), (moved + "/" + name).c_str()), 0);
        }
    ASSERT_EQ(rename((b.dir / kJournalName).c_str(), (moved + "/" + kJournalName).c_str()), 0);

    ScratchFolder other;
    const auto copy = std::filesystem::copy_options::copy_symlinks;
    std::filesystem::copy_file(moved + "/" + kJournalName, other / kJournalName, copy);
    WriteFile(other / "p0.jpg", "bytes of another card's p0");
    // The same bytes and time, born later: told apart where the file system
    // keeps birth times.
    FileFacts facts;
    if (FileSystemFacts().Examine(moved + "/p1.jpg", facts) == 0 && facts.Birth != 0) {
        std::filesystem::copy_file(moved + "/p1.jpg", other / "p1.jpg", copy);
        std::filesystem::last_write_time(other / "p1.jpg", std::filesystem::last_write_time(moved + "/p1.jpg"));
    } else {
        WriteFile(other / "p1.jpg", "bytes of p2.jpg");
    }
    const JournalRun elsewhere = UndoBatch(other.Path(), LatestJournal(other.Path()));
    for (const RenameOutcome& o : elsewhere.Outcomes)
        EXPECT_TRUE(o.Result == rrSkipped && (o.Skip == srNotThePhoto || o.Skip == srGone)) << o.OldName;
    EXPECT_EQ(Listing(other.Path()), (std::vector<std::string>{"p0.jpg", "p1.jpg"}));

    const TRenameJournal j = LatestJournal(moved);
    ASSERT_EQ(j.State, jsInterrupted);
    FinishBatch(moved, j);
    EXPECT_EQ(Listing(moved), (std::vector<std::string>{"p0.jpg", "p1.jpg", "p2.jpg"}));
    EXPECT_EQ(ReadFile(moved + "/p2.jpg"), "bytes of p3.jpg");
}

// File systems this test cannot mount, played through the facts layer: a
// FAT card through FUSE (no birth times, modification times set by the
// rename), an overlay that gives the renamed photo a new birth time, and a
// look that finds other times where the file system keeps them.
TEST(RenameJournal, TimesCountOnlyWhereTheFileSystemKeepsThem)
{
    const struct {
        const char* what;
        std::int64_t modified, birth;  // reported for every photo; -1: as it is
        bool acted;
    } cases[] = {{"FAT through FUSE", 0, 0, true},
                 {"overlay", -1, 0, true},
                 {"as it is", -1, -1, true},
                 {"another birth time", -1, 1, false},
                 {"another modification time", 1, -1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Journaled b;
        b.AddChain(3);
        b.Run();
        AlteredFacts facts;
        facts.examine = [&](const std::string& path, FileFacts& f) {
            if (IsPhoto(path)) {
                f.Modified = c.modified >= 0 ? c.modified : f.Modified;
                f.Birth = c.birth >= 0 ? c.birth : f.Birth;
            }
            return 0;
        };
        TScopedFileSystemFacts scoped(facts);
        UndoBatch(b.dir.Path(), b.Latest());
        EXPECT_EQ(b.Contents(), b.Expected(!c.acted));
    }
}

// An error examining a photo (a folder that is not searchable, a share
// answering EIO) is no proof that it changed: it is reported with its reason
// and the batch stays as it was.
TEST(RenameJournal, PhotoThatCannotBeExaminedIsAnErrorAndLeavesTheBatchAsItWas)
{
    for (const int error : {EACCES, EIO}) {
        for (const bool onHead : {false, true}) {
            SCOPED_TRACE(testing::Message() << strerror(error) << (onHead ? " reading" : " examining"));
            Journaled b;
            b.AddChain(2);
            RunKilledAfter(1, [&](const RenameDone& done) { b.Run(done); });
            const TRenameJournal j = b.Latest();
            const auto before = b.Contents();
            AlteredFacts facts;
            if (onHead)
                facts.readHeadError = error;
            else
                facts.examine = [&](const std::string& path, FileFacts&) { return IsPhoto(path) ? error : 0; };
            TScopedFileSystemFacts scoped(facts);
            for (const bool finish : {true, false}) {
                const JournalRun run = finish ? FinishBatch(b.dir.Path(), j) : UndoBatch(b.dir.Path(), j);
                ASSERT_EQ(run.Outcomes.size(), 2u);
                for (const RenameOutcome& o : run.Outcomes) {
                    EXPECT_TRUE(o.Result == rrFailed && o.Unexamined && o.ErrorCode == error) << o.OldName;
                    EXPECT_EQ(o.Reason(), "cannot be examined: " + std::string(strerror(error)));
                }
                EXPECT_EQ(b.Contents(), before);
                EXPECT_EQ(b.Latest().State, jsInterrupted);
            }
        }
    }
}

// Batches are numbered by the folder's counter: a clock set back changes
// nothing about which batch is the last.
TEST(RenameJournal, BatchesAreNumberedByTheFolderWhateverTheClockSays)
{
    Journaled b;
    b.AddChain(3);
    AlteredFacts facts;
    TScopedFileSystemFacts scoped(facts);
    facts.now = 2000000000;
    b.Run();
    UndoBatch(b.dir.Path(), b.Latest());
    facts.now = 1000000000;
    RunKilledAfter(1, [&](const RenameDone& done) { b.Run(done); });
    const TRenameJournal j = b.Latest();
    EXPECT_EQ(j.Batch, 2u);
    EXPECT_EQ(j.Time, 1000000000);
    EXPECT_EQ(j.State, jsInterrupted);
    EXPECT_THROW(b.Run(), EJournalError);
    UndoBatch(b.dir.Path(), j);
    EXPECT_EQ(b.Contents(), b.Expected(false));
}

// While a batch runs, nobody takes it for an interrupted one and nothing
// else renames in its folder.
TEST(RenameJournal, RunningBatchHoldsTheFolder)
{
    Journaled b;
    b.AddChain(3);
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        b.Run([&](const RenameOutcome&) {
            char c = 0;
            return write(toParent[1], "x", 1) == 1 && read(toChild[0], &c, 1) == 1;
        });
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);  // one photo renamed, the batch holds the folder

    const auto during = b.Contents();
    EXPECT_EQ(b.Latest().State, jsBusy);
    for (const auto& act : std::vector<std::function<void()>>{
             [&] { b.Run(); },
             [&] {
                 TRenameJournal j;
                 j.State = jsInterrupted;
                 UndoBatch(b.dir.Path(), j);
             }}) {
        try {
            act();
            ADD_FAILURE() << "ran beside the batch";
        } catch (const EJournalError& e) {
            EXPECT_EQ(e.kind(), EJournalError::jeBusy);
            EXPECT_NE(std::string(e.what()).find("A rename is in progress"), std::string::npos);
        }
    }
    EXPECT_EQ(b.Contents(), during);

    ASSERT_EQ(write(toChild[1], "gogo", 4), 4);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(b.Latest().State, jsComplete);
    EXPECT_EQ(b.Contents(), b.Expected(true));
}

// A mark that cannot be written is reported, and the batch still reads as
// it did, so that it can be settled later.
TEST(RenameJournal, UnwrittenMarkIsReportedAndLeavesTheBatchUnsettled)
{
    Journaled b;
    b.AddChain(2);
    RunKilledAfter(1, [&](const RenameDone& done) { b.Run(done); });
    const TRenameJournal j = b.Latest();
    // No file may grow past its size now.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = std::filesystem::file_size(j.Path);
    setrlimit(RLIMIT_FSIZE, &limit);
    const JournalRun run = FinishBatch(b.dir.Path(), j);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_NE(run.MarkError.find("File too large"), std::string::npos) << run.MarkError;
    EXPECT_EQ(b.Latest().State, jsInterrupted);
    EXPECT_EQ(b.Contents(), b.Expected(true));
}

// A finish stopped before its end (a report that could not be written)
// leaves the rest to be finished.
TEST(RenameJournal, StoppedFinishLeavesTheBatchInterrupted)
{
    Journaled b;
    b.AddChain(3);
    RunKilledAfter(1, [&](const RenameDone& done) { b.Run(done); });
    FinishBatch(b.dir.Path(), b.Latest(), [](const RenameOutcome& o) { return o.Index < 1; });
    ASSERT_EQ(b.Latest().State, jsInterrupted);
    FinishBatch(b.dir.Path(), b.Latest());
    EXPECT_EQ(b.Contents(), b.Expected(true));
}

// A journal or a lock file that is a pipe or a folder: nothing waits on it,
// nothing is renamed.
TEST(RenameJournal, JournalFilesThatAreNotPlainFilesAreRefusedAtOnce)
{
    for (const std::string name : {kJournalName, kLockName}) {
        const bool journal = name == kJournalName;
        for (const bool fifo : {true, false}) {
            SCOPED_TRACE(testing::Message() << name << (fifo ? " as a pipe" : " as a folder"));
            Journaled b;
            b.Add("a.jpg", "b.jpg");
            ASSERT_EQ(fifo ? mkfifo((b.dir / name).c_str(), 0600) : mkdir((b.dir / name).c_str(), 0700), 0);
            alarm(20);  // a hang fails the test
            EXPECT_EQ(b.Latest().State, journal ? jsDamaged : jsNone);
            try {
                b.Run();
                ADD_FAILURE() << "the batch ran";
            } catch (const EJournalError& e) {
                EXPECT_EQ(e.kind(), journal ? EJournalError::jeDamaged : EJournalError::jeUnwritable);
                EXPECT_NE(std::string(e.what()).find("Nothing was renamed"), std::string::npos) << e.what();
            }
            alarm(0);
            EXPECT_EQ(Listing(b.dir.Path()), std::vector<std::string>{"a.jpg"});
        }
    }
}

TEST(RenameJournal, DamagedJournalIsReportedAndNeverActedOn)
{
    const std::pair<const char*, std::function<void(std::string&)>> damages[] = {
        {"cut short", [](std::string& t) { t.resize(t.size() / 2); }},
        {"a name altered", [](std::string& t) { t[t.find("\ta.jpg") + 1] = 'x'; }},
        {"an unknown mark", [](std::string& t) { t += "redone\n"; }},
        {"not a journal", [](std::string& t) { t = "hello\n"; }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        Journaled b;
        b.Add("a.jpg", "b.jpg");
        b.Run();
        const std::string path = b.Latest().Path;
        std::string text = ReadFile(path);
        damage(text);
        WriteFile(path, text);

        const TRenameJournal j = b.Latest();
        EXPECT_EQ(j.State, jsDamaged);
        EXPECT_FALSE(j.Damage.empty());
        EXPECT_TRUE(j.Entries.empty());
        try {
            b.Run();
            ADD_FAILURE() << "a new batch ran";
        } catch (const EJournalError& e) {
            EXPECT_EQ(e.kind(), EJournalError::jeDamaged);
        }
        EXPECT_EQ(ReadFile(path), text);
        EXPECT_EQ(Listing(b.dir.Path()), std::vector<std::string>{"b.jpg"});
    }
}

// A settling mark is not flushed: a power cut may keep part of it, or
// zeros in its place. The batch then reads as it did before the mark.
TEST(RenameJournal, MarkCutShortByAPowerCutCountsAsUnwritten)
{
    for (const std::string& torn : {std::string("don"), std::string(5, '\0')}) {
        Journaled b;
        b.AddChain(2);
        b.Run();
        const std::string path = b.Latest().Path;
        std::string text = ReadFile(path);
        text.resize(text.size() - 5);
        WriteFile(path, text + torn);
        const TRenameJournal j = b.Latest();
        ASSERT_EQ(j.State, jsInterrupted) << j.Damage;
        EXPECT_EQ(FinishBatch(b.dir.Path(), j).MarkError, "");
        EXPECT_EQ(ReadFile(path), text + "done\n");
        EXPECT_EQ(b.Latest().State, jsComplete);
    }
}

// Names the file system cannot take are refused before the journal: it
// stays the size of the photos it plans.
TEST(RenameJournal, JournalHoldsOnlyNamesTheFileSystemTakes)
{
    Journaled b;
    b.Add("a.jpg", std::string(300, 'x') + ".jpg");
    b.Add("b.jpg", "c.jpg");
    const JournalRun run = b.Run();
    EXPECT_EQ(run.Outcomes[0].Fault, nfTooLong);
    const TRenameJournal j = b.Latest();
    ASSERT_EQ(j.Entries.size(), 1u);
    EXPECT_LT(std::filesystem::file_size(j.Path), 400u);
}

// ---- real mounts (root only) --------------------------------------------------

int Shell(const std::string& command)
{
    return support::RunProcess({"sh", "-c", command}, support::ProcessOptions::Quiet()).status;
}

// A loop-device image mounted on a scratch folder; skips the test without
// root or the tools.
class Mounted : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root to attach loop devices and mount them";
    }
    void TearDown() override
    {
        for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it)
            Shell("umount -l '" + *it + "'");
        Detach();
    }
    bool Mount(const std::string& command, const std::string& at)
    {
        if (Shell(command) != 0)
            return false;
        mounts_.push_back(at);
        return true;
    }
    void Unmount()
    {
        ASSERT_EQ(Shell("umount '" + mounts_.back() + "'"), 0);
        mounts_.pop_back();
    }
    // Attaches the image as a free loop device, skipping a loop device
    // first when asked, so that it comes back under another number.
    std::string Attach(const std::string& image, bool another)
    {
        if (another)
            blocker_ = Output("losetup -f --show " + scratch / "blocker.img");
        device_ = Output("losetup -f --show '" + image + "'");
        return device_;
    }
    void Detach()
    {
        for (std::string* d : {&device_, &blocker_})
            if (!d->empty())
                Shell("losetup -d " + *d), d->clear();
    }
    static std::string Output(const std::string& command)
    {
        std::string out = support::RunProcess({"sh", "-c", command}).out;
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    static dev_t DeviceOf(const std::string& path)
    {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_dev;
    }
    ScratchFolder scratch;
    std::vector<std::string> mounts_;
    std::string device_, blocker_;
};

// Photos in folder renamed part-way by a killed batch.
void KilledBatchIn(const std::string& folder, Journaled& b)
{
    b.AddChain(4);
    for (std::size_t i = 0; i < b.photos.size(); ++i)
        WriteFile(folder + "/" + b.photos[i].FileName, ReadFile(b.dir / b.photos[i].FileName));
    RunKilledAfter(2, [&](const RenameDone& done) {
        JournaledRename(folder, "p*", b.photos, b.selected, b.newNames, {}, done);
    });
}

// A card (an ext4 image, and exFAT and FAT ones through FUSE) cut short,
// detached and attached again as another block device.
TEST_F(Mounted, CardAttachedAgainAsAnotherDeviceIsRecovered)
{
    const struct {
        const char* format;
        const char* mount;
    } cards[] = {{"mkfs.ext4 -q", "mount"}, {"mkfs.exfat", "mount.exfat-fuse"}, {"mkfs.vfat", "fusefat -o rw+"}};
    ASSERT_EQ(Shell("truncate -s 1M " + scratch / "blocker.img"), 0);
    for (const auto& card : cards) {
        SCOPED_TRACE(card.format);
        const std::string image = scratch / "card.img", at = scratch / "card";
        std::filesystem::create_directories(at);
        if (Shell("rm -f " + image + " && truncate -s 32M " + image + " && " + card.format + " " + image + " >/dev/null") != 0 ||
            !Mount(std::string(card.mount) + " " + Attach(image, false) + " " + at, at)) {
            Detach();
            std::printf("[  SKIPPED ] %s: cannot make or mount the card\n", card.format);
            continue;
        }
        const dev_t before = DeviceOf(at);
        const std::string dcim = at + "/DCIM";
        std::filesystem::create_directory(dcim);
        WriteFile(at + "/probe", "");
        if (!platform::MoveFileA(at + "/probe", at + "/probe2")) {
            std::printf("[  SKIPPED ] %s: this build cannot rename there\n", card.format);
            Unmount();
            Detach();
            continue;
        }
        std::filesystem::remove(at + "/probe2");
        Journaled b;
        KilledBatchIn(dcim, b);
        Unmount();
        Detach();
        ASSERT_TRUE(Mount(std::string(card.mount) + " " + Attach(image, true) + " " + at, at));
        if (std::string(card.mount) != "fusefat -o rw+") {  // its device numbers are not the block device's
            EXPECT_NE(DeviceOf(at), before);
        }
        const TRenameJournal j = LatestJournal(dcim);
        ASSERT_EQ(j.State, jsInterrupted);
        const JournalRun run = FinishBatch(dcim, j);
        EXPECT_EQ(run.MarkError, "");
        EXPECT_EQ(Listing(dcim).size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFile(dcim + "/p" + std::to_string(i) + ".jpg"), "bytes of p" + std::to_string(i + 1) + ".jpg");
        const JournalRun undo = UndoBatch(dcim, LatestJournal(dcim));
        EXPECT_EQ(undo.MarkError, "");
        for (const RenameOutcome& o : undo.Outcomes)
            EXPECT_EQ(o.Result, rrRenamed) << o.OldName << ": " << o.Reason();
        EXPECT_EQ(ReadFile(dcim + "/p4.jpg"), "bytes of p4.jpg");
        Unmount();
        Detach();
    }
}

// An overlay whose lower layer (an ext4 image) and upper layer (tmpfs) are
// different file systems: renaming copies a photo up, under another device.
TEST_F(Mounted, OverlayOnTwoFileSystemsIsUndone)
{
    const std::string lower = scratch / "lower", upper = scratch / "upper", at = scratch / "merged";
    for (const std::string& d : {lower, upper, at})
        std::filesystem::create_directories(d);
    ASSERT_EQ(Shell("truncate -s 32M " + scratch / "lower.img" + " && mkfs.ext4 -q " + scratch / "lower.img"), 0);
    ASSERT_TRUE(Mount("mount " + Attach(scratch / "lower.img", false) + " " + lower, lower));
    ASSERT_TRUE(Mount("mount -t tmpfs tmpfs " + upper, upper));
    std::filesystem::create_directories(upper + "/u");
    std::filesystem::create_directories(upper + "/w");
    Journaled b;
    b.AddChain(4);
    for (std::size_t i = 0; i < b.photos.size(); ++i)
        std::filesystem::copy_file(b.dir / b.photos[i].FileName, lower + "/" + b.photos[i].FileName);
    ASSERT_TRUE(Mount("mount -t overlay overlay -o lowerdir=" + lower + ",upperdir=" + upper + "/u,workdir=" + upper +
                          "/w " + at,
                      at));
    RunKilledAfter(2, [&](const RenameDone& done) {
        ComputeDateKeys(b.photos, {{"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}, b.selected}, at, true);
        JournaledRename(at, "p*", b.photos, b.selected, b.newNames, {}, done);
    });
    const TRenameJournal j = LatestJournal(at);
    ASSERT_EQ(j.State, jsInterrupted);
    EXPECT_EQ(DoneCount(at, j), 2u);
    const JournalRun run = UndoBatch(at, j);
    EXPECT_EQ(run.MarkError, "");
    for (std::size_t i = 1; i <= 4; ++i)
        EXPECT_EQ(ReadFile(at + "/p" + std::to_string(i) + ".jpg"), "bytes of p" + std::to_string(i) + ".jpg");
    EXPECT_EQ(LatestJournal(at).State, jsUndone);
}

// Journals on disk hold these hashes (the plan's checksum and each photo's
// head): a faster or different function would make every stored batch look
// damaged, or its photos look replaced.
TEST(RenameJournal, HashOfBytesNeverChanges)
{
    const std::pair<std::size_t, std::uint64_t> pinned[] = {
        {0, 0xca6e313f06ee3d42ull},  {1, 0xde16e97d79033d2bull},    {31, 0x7b0ade452ab600d9ull},
        {32, 0x46c8ecf4022f2d2full}, {33, 0x3e5a94499eaaa594ull},   {4096, 0xb43c87f71150fd47ull},
        {5000, 0xa6d551da2df2f984ull},
    };
    for (const auto& [size, hash] : pinned) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
        EXPECT_EQ(HashBytes(bytes), hash) << size << " bytes";
    }
}

} // namespace
