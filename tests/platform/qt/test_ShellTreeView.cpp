#include "platform/qt/ShellTreeView.h"
#include "support/QtTestEnv.h"

#include <QKeyEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using platform::TShellTreeView;

namespace {

class ShellTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::App();
        dir = testenv::Env().Root / ("tree-" + std::to_string(counter++));
        fs::create_directories(dir / "a" / "b");
        fs::create_directories(dir / ".hidden");
    }
    void TearDown() override { fs::remove_all(dir); }

    static QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

    // Waits, without a deadline, for the delayed change notification.
    static void WaitForChange(TShellTreeView& tree)
    {
        while (tree.ChangePending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
    }

    QStringList ChildNames(TShellTreeView& tree, const QModelIndex& parent)
    {
        auto* m = tree.FolderModel();
        if (m->canFetchMore(parent))
            m->fetchMore(parent);
        QStringList names;
        for (int r = 0; r < m->rowCount(parent); ++r)
            names << m->data(m->index(r, 0, parent), Qt::DisplayRole).toString();
        return names;
    }

    fs::path dir;
    static inline int counter = 0;
};

} // namespace

TEST_F(ShellTree, StartsOnTheDesktopWithHomeAndTheFileSystemBelowIt)
{
    TShellTreeView tree;
    EXPECT_EQ(tree.Path(), Q(testenv::Env().Desktop));
    const QStringList places = ChildNames(tree, tree.FolderModel()->DesktopIndex());
    ASSERT_GE(places.size(), 2);
    EXPECT_EQ(places[0], "Home");
    EXPECT_EQ(places[1], "File System");
    // No root lines: the root has no expand arrow, so it starts at the left
    // edge and its folders one indent further.
    const QModelIndex desktop = tree.FolderModel()->DesktopIndex();
    EXPECT_EQ(tree.visualRect(desktop).left(), 0);
    EXPECT_EQ(tree.visualRect(tree.FolderModel()->index(0, 0, desktop)).left(), tree.indentation());
}

TEST_F(ShellTree, SelectsFoldersByPathAndRefusesFiles)
{
    TShellTreeView tree;
    ASSERT_TRUE(tree.SetPath(Q(dir / "a" / "b")));
    EXPECT_EQ(tree.Path(), Q(dir / "a" / "b"));
    ASSERT_TRUE(tree.SetPath(Q(dir) + "/a/./b/../"));
    EXPECT_EQ(tree.Path(), Q(dir / "a"));
    ASSERT_TRUE(tree.SetPath("/"));
    EXPECT_EQ(tree.Path(), "/");

    std::ofstream((dir / "photo.jpg").string()) << "x";
    EXPECT_FALSE(tree.SetPath(Q(dir / "photo.jpg")));
    EXPECT_FALSE(tree.SetPath(Q(dir / "missing")));
    EXPECT_FALSE(tree.SetPath(""));
    EXPECT_EQ(tree.Path(), "/");
}

TEST_F(ShellTree, FoldersUnderTheDesktopAndHomeAreReachedThroughThem)
{
    fs::create_directories(testenv::Env().Desktop / "Trip");
    fs::create_directories(testenv::Env().Home / "Pictures");
    TShellTreeView tree;
    ASSERT_TRUE(tree.SetPath(Q(testenv::Env().Desktop / "Trip")));
    EXPECT_EQ(tree.currentIndex().parent(), tree.FolderModel()->DesktopIndex());
    ASSERT_TRUE(tree.SetPath(Q(testenv::Env().Home / "Pictures")));
    EXPECT_EQ(tree.FolderModel()->data(tree.currentIndex().parent(), Qt::DisplayRole).toString(), "Home");
}

TEST_F(ShellTree, ShowsHiddenFoldersAndNothingButFolders)
{
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "broken.jpg").c_str()), 0);
    std::ofstream((dir / "photo.jpg").string()) << "x";
    TShellTreeView tree;
    ASSERT_TRUE(tree.SetPath(Q(dir)));
    EXPECT_EQ(ChildNames(tree, tree.currentIndex()), (QStringList{".hidden", "a"}));
}

TEST_F(ShellTree, DoesNotWatchTheDiskButF5RereadsTheSelectedFolder)
{
    TShellTreeView tree;
    ASSERT_TRUE(tree.SetPath(Q(dir)));
    EXPECT_EQ(ChildNames(tree, tree.currentIndex()).size(), 2);
    fs::create_directories(dir / "new");
    QApplication::processEvents();
    EXPECT_EQ(ChildNames(tree, tree.currentIndex()).size(), 2);

    QSignalSpy keys(&tree, &TShellTreeView::KeyUp);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&tree, &release);
    EXPECT_EQ(ChildNames(tree, tree.currentIndex()), (QStringList{".hidden", "a", "new"}));
    ASSERT_EQ(keys.count(), 1);
    EXPECT_EQ(keys.at(0).at(0).toInt(), int(Qt::Key_F5));
}

TEST_F(ShellTree, AFolderMadeAfterItsParentWasReadCanStillBeSelected)
{
    TShellTreeView tree;
    ASSERT_TRUE(tree.SetPath(Q(dir)));
    ChildNames(tree, tree.currentIndex());
    fs::create_directories(dir / "later" / "deeper");
    ASSERT_TRUE(tree.SetPath(Q(dir / "later" / "deeper")));
    EXPECT_EQ(tree.Path(), Q(dir / "later" / "deeper"));
}

TEST_F(ShellTree, ABurstOfSelectionChangesGivesOneDelayedNotification)
{
    TShellTreeView tree;
    QSignalSpy change(&tree, &TShellTreeView::Change);
    WaitForChange(tree);  // the start-up selection of the desktop
    EXPECT_EQ(change.count(), 1);

    tree.SetPath(Q(dir));
    tree.SetPath(Q(dir / "a"));
    tree.SetPath(Q(dir / "a" / "b"));
    EXPECT_EQ(change.count(), 1) << "nothing is reported before the delay";
    EXPECT_TRUE(tree.ChangePending());
    WaitForChange(tree);
    EXPECT_EQ(change.count(), 2);
    EXPECT_EQ(tree.Path(), Q(dir / "a" / "b"));
}
