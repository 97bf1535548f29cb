#include "platform/FindFiles.h"
#include "platform/OSError.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using platform::FindFiles;

namespace {
struct TempDir : support::ScratchFolder {
    fs::path path{Path()};
    void touch(const std::string& name) const { Write(name, std::string("x")); }
};
} // namespace

TEST(FindFiles, MatchesPlainFilesWithoutCaseAndSkipsHidden)
{
    TempDir d;
    d.touch("a.jpg");
    d.touch("B.JPG");
    d.touch(".c.jpg");
    d.touch("e.jpeg");
    d.touch("f.jpg.txt");
    fs::create_directory(d.path / "sub");
    // Named like photos but no plain files: a folder, a pipe, a link to the
    // folder. Links to a photo and to nothing are listed.
    fs::create_directory(d.path / "d.jpg");
    ASSERT_EQ(::mkfifo((d.path / "g.jpg").c_str(), 0600), 0);
    fs::create_symlink("d.jpg", d.path / "h.jpg");
    fs::create_symlink("nowhere", d.path / "i.jpg");
    fs::create_symlink("a.jpg", d.path / "j.jpg");

    auto names = FindFiles(d.path.string(), "*.jpg");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.JPG", "a.jpg", "i.jpg", "j.jpg"}));
}

TEST(FindFiles, SortsNamesByUpperCasedLettersThenExactBytes)
{
    TempDir d;
    const std::vector<std::string> sorted = {"10.jpg", "9.jpg", "A.jpg", "a.jpg", "a1.jpg",
                                             "b.jpg",  "Z.jpg", "_x.jpg", "\xc3\xa9.jpg"};
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        d.touch(*it);
    EXPECT_EQ(FindFiles(d.path.string(), "*.jpg"), sorted);
}

TEST(FindFiles, MissingFolderRaisesTheSystemError)
{
    try {
        FindFiles("/nonexistent/quistelor", "*.jpg");
        FAIL();
    } catch (const platform::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), ENOENT);
    }
}

TEST(MatchesMask, WildcardsAndCase)
{
    using platform::MatchesMask;
    EXPECT_TRUE(MatchesMask("IMG_001.JpG", "*.jpg"));
    EXPECT_TRUE(MatchesMask(".jpg", "*.jpg"));
    EXPECT_FALSE(MatchesMask("a.jpgx", "*.jpg"));
    EXPECT_TRUE(MatchesMask("a1.jpg", "a?.jpg"));
    EXPECT_FALSE(MatchesMask("a12.jpg", "a?.jpg"));
}
