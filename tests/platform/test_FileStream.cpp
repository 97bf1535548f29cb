#include "platform/FileStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

using platform::TFileStream;

namespace {
std::string TempPath(const char* name)
{
    return std::string("/tmp/quistelor-") + std::to_string(getpid()) + "-" + name;
}
} // namespace

TEST(FileStream, CreateTruncatesAndReadsBackWhatWasWritten)
{
    auto path = TempPath("stream.dat");
    std::ofstream(path) << "old content";
    {
        auto s = TFileStream::CreateExclusive(path);
        EXPECT_EQ(s.Size(), 0);
        s.WriteBuffer("hello world", 11);
        EXPECT_EQ(s.Position(), 11);
        s.Seek(6, SEEK_SET);
        char buf[5];
        s.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "world");
        EXPECT_THROW(s.ReadBuffer(buf, 1), platform::EStreamError);
        s.SetSize(0);
        EXPECT_EQ(s.Size(), 0);
        EXPECT_EQ(s.Position(), 0);
    }
    std::remove(path.c_str());
}

TEST(FileStream, SecondCopyFailsAndLeavesTheFirstCopysFileAlone)
{
    auto path = TempPath("locked.dat");
    auto first = TFileStream::CreateExclusive(path);
    first.WriteBuffer("thumbs", 6);

    // Another process, as a second running copy of the program would be.
    pid_t pid = fork();
    if (pid == 0) {
        try {
            TFileStream::CreateExclusive(path);
            _exit(1);
        } catch (const platform::ECreateFileError& e) {
            std::string msg = e.what();
            _exit(msg == "Cannot create file \"" + path + "\". Another copy of the program is using it." ? 0 : 2);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(first.Size(), 6);
    std::remove(path.c_str());
}

TEST(FileStream, UncreatableFileNamesThePathAndReason)
{
    try {
        TFileStream::CreateExclusive("/nonexistent-dir/x.dat");
        FAIL();
    } catch (const platform::ECreateFileError& e) {
        EXPECT_STREQ(e.what(), "Cannot create file \"/nonexistent-dir/x.dat\". No such file or directory");
    }
}

TEST(FileStream, NamesPlantedInTheTempFolderAreRefusedAndTheirTargetsKept)
{
    auto photo = TempPath("photo.jpg");
    std::ofstream(photo) << "precious pixels";
    auto viaSymlink = TempPath("cache-symlink.dat");
    auto viaHardLink = TempPath("cache-hardlink.dat");
    ASSERT_EQ(symlink(photo.c_str(), viaSymlink.c_str()), 0);
    ASSERT_EQ(link(photo.c_str(), viaHardLink.c_str()), 0);

    EXPECT_THROW(TFileStream::CreateExclusive(viaSymlink), platform::ECreateFileError);
    EXPECT_THROW(TFileStream::CreateExclusive(viaHardLink), platform::ECreateFileError);
    EXPECT_THROW(platform::OpenWorkingFile("/tmp"), platform::ECreateFileError);

    std::ifstream in(photo);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "precious pixels");
    for (const auto& p : {photo, viaSymlink, viaHardLink})
        std::remove(p.c_str());
}
