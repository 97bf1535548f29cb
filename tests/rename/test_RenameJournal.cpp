// The rename journal on real folders: batches killed part-way in a child
// process, then finished or undone; undo after changes by hand; a state
// folder that cannot be written; damaged journals.

#include "rename/RenameJournal.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/wait.h>

using namespace testphotos;

namespace {

// A photo folder and a state folder of its own.
struct Journaled {
    ScratchFolder dir, state;
    photarrtyp photos;
    std::vector<bool> selected;
    std::vector<std::optional<std::string>> newNames;
    CompanionLists companions;

    Journaled() { setenv("XDG_STATE_HOME", state.Path().c_str(), 1); }
    void Add(const std::string& from, const std::string& to)
    {
        WriteFile(dir / from, "bytes of " + from);
        PhotoType p;
        p.FileName = from;
        photos.push_back(p);
        selected.push_back(true);
        newNames.emplace_back(to);
    }
    std::vector<RenameOutcome> Run(const RenameDone& done = {})
    {
        return JournaledRename(dir.Path(), "p*", photos, selected, newNames, {}, done, companions);
    }
    // Runs the batch in a child process that kills itself with SIGKILL once
    // `after` photos are done.
    void RunKilledAfter(std::size_t after)
    {
        const pid_t pid = fork();
        if (pid == 0) {
            std::size_t n = 0;
            try {
                JournaledRename(
                    dir.Path(), "p*", photos, selected, newNames, {},
                    [&](const RenameOutcome&) {
                        if (++n == after)
                            raise(SIGKILL);
                        return true;
                    },
                    companions);
            } catch (...) {
            }
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
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
    std::vector<std::string> Journals() const { return Listing(JournalFolder()); }
};

TEST(RenameJournal, BatchKilledPartWayIsFinishedOrUndoneWithEveryPhotoOnce)
{
    constexpr std::size_t kPhotos = 6;
    for (const std::size_t killedAfter : {std::size_t{1}, std::size_t{3}, kPhotos - 1, kPhotos}) {
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(testing::Message() << "killed after " << killedAfter << (finish ? ", finished" : ", undone"));
            Journaled b;
            // Chained names: each photo takes the name the previous one gave up.
            for (std::size_t i = 0; i < kPhotos; ++i)
                b.Add("p" + std::to_string(i + 1) + ".jpg", "p" + std::to_string(i) + ".jpg");
            b.RunKilledAfter(killedAfter);

            TRenameJournal j = LatestJournal(b.dir.Path());
            // All renames done but no completion mark yet: still interrupted.
            ASSERT_EQ(j.State, jsInterrupted);
            EXPECT_EQ(DoneCount(b.dir.Path(), j), killedAfter);
            EXPECT_THROW(b.Run(), EJournalError);

            const auto outcomes = finish ? FinishBatch(b.dir.Path(), j) : UndoBatch(b.dir.Path(), j);
            EXPECT_EQ(outcomes.size(), kPhotos);
            for (const RenameOutcome& o : outcomes)
                EXPECT_EQ(o.Result, finish ? rrRenamed : (o.Index < killedAfter ? rrRenamed : rrSkipped)) << o.OldName;
            EXPECT_EQ(b.Contents(), b.Expected(finish));
            EXPECT_EQ(LatestJournal(b.dir.Path()).State, finish ? jsComplete : jsUndone);
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
            b.RunKilledAfter(1);
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

TEST(RenameJournal, UndoLeavesPhotosChangedByHandAloneAndNeverReplacesAFile)
{
    Journaled b;
    for (const char* name : {"a", "b", "c", "d"})
        b.Add(std::string(name) + ".jpg", std::string("new-") + name + ".jpg");
    b.Run();
    ASSERT_EQ(LatestJournal(b.dir.Path()).State, jsComplete);

    ASSERT_EQ(rename((b.dir / "new-a.jpg").c_str(), (b.dir / "moved.jpg").c_str()), 0);  // renamed by hand
    ASSERT_EQ(unlink((b.dir / "new-b.jpg").c_str()), 0);  // replaced by another file
    WriteFile(b.dir / "new-b.jpg", "another b");
    WriteFile(b.dir / "c.jpg", "a newcomer under c's old name");  // collision

    const TRenameJournal j = LatestJournal(b.dir.Path());
    std::map<std::string, RenameOutcome> by;
    for (RenameOutcome& o : UndoBatch(b.dir.Path(), j))
        by[o.OldName] = o;
    EXPECT_EQ(by["new-a.jpg"].Skip, srGone);
    EXPECT_EQ(by["new-b.jpg"].Skip, srGone);
    EXPECT_EQ(by["new-c.jpg"].Result, rrFailed);
    EXPECT_EQ(by["new-c.jpg"].ErrorCode, EEXIST);
    EXPECT_EQ(by["new-d.jpg"].Result, rrRenamed);
    const std::map<std::string, std::string> expected = {{"moved.jpg", "bytes of a.jpg"},
                                                         {"new-b.jpg", "another b"},
                                                         {"c.jpg", "a newcomer under c's old name"},
                                                         {"new-c.jpg", "bytes of c.jpg"},
                                                         {"d.jpg", "bytes of d.jpg"}};
    EXPECT_EQ(b.Contents(), expected);
    // A rename back failed: the batch stays undoable for when c.jpg is gone.
    EXPECT_EQ(LatestJournal(b.dir.Path()).State, jsComplete);
    ASSERT_EQ(unlink((b.dir / "c.jpg").c_str()), 0);
    UndoBatch(b.dir.Path(), LatestJournal(b.dir.Path()));
    EXPECT_EQ(ReadFile(b.dir / "c.jpg"), "bytes of c.jpg");
    EXPECT_EQ(LatestJournal(b.dir.Path()).State, jsUndone);
}

TEST(RenameJournal, UnwritableStateFolderStopsTheBatchBeforeAnyRename)
{
    Journaled b;
    b.Add("a.jpg", "b.jpg");
    WriteFile(b.state / "file", "");
    setenv("XDG_STATE_HOME", (b.state / "file").c_str(), 1);
    try {
        b.Run();
        FAIL() << "the batch ran";
    } catch (const EJournalError& e) {
        EXPECT_EQ(e.kind(), EJournalError::jeUnwritable);
        EXPECT_NE(std::string(e.what()).find("Nothing was renamed"), std::string::npos);
    }
    EXPECT_EQ(Listing(b.dir.Path()), std::vector<std::string>{"a.jpg"});
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
        const std::string path = LatestJournal(b.dir.Path()).Path;
        std::string text = ReadFile(path);
        damage(text);
        WriteFile(path, text);

        const TRenameJournal j = LatestJournal(b.dir.Path());
        EXPECT_EQ(j.State, jsDamaged);
        EXPECT_FALSE(j.Damage.empty());
        EXPECT_TRUE(j.Entries.empty());
        try {
            b.Run();
            FAIL() << "a new batch ran";
        } catch (const EJournalError& e) {
            EXPECT_EQ(e.kind(), EJournalError::jeDamaged);
        }
        EXPECT_EQ(ReadFile(path), text);
        EXPECT_EQ(Listing(b.dir.Path()), std::vector<std::string>{"b.jpg"});
    }
}

TEST(RenameJournal, KeepsTheLastJournalsOfEachFolder)
{
    Journaled b;
    b.Add("0.jpg", "1.jpg");
    for (int i = 0; i < kJournalsKept + 2; ++i) {
        b.photos[0].FileName = std::to_string(i) + ".jpg";
        b.newNames[0] = std::to_string(i + 1) + ".jpg";
        b.Run();
    }
    EXPECT_EQ(b.Journals().size(), static_cast<std::size_t>(kJournalsKept));
    // A batch that renames nothing writes no journal.
    b.newNames[0] = b.photos[0].FileName = std::to_string(kJournalsKept + 2) + ".jpg";
    b.Run();
    EXPECT_EQ(LatestJournal(b.dir.Path()).Entries[0].NewName, std::to_string(kJournalsKept + 2) + ".jpg");
}

} // namespace
