#include "platform/UniqueFd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

using platform::ReadFull;
using platform::WriteFull;

namespace {

struct Pipe {
    Pipe()
    {
        int fds[2];
        if (::pipe(fds) == 0) {
            in = platform::UniqueFd(fds[0]);
            out = platform::UniqueFd(fds[1]);
        }
    }
    platform::UniqueFd in, out;
};

} // namespace

TEST(UniqueFd, ReadFullWaitsForPiecesAndSurvivesSignals)
{
    // A handler without SA_RESTART: a signal makes a blocked read fail with
    // EINTR, which ReadFull must retry.
    struct sigaction action {}, old {};
    action.sa_handler = [](int) {};
    ::sigaction(SIGUSR1, &action, &old);
    Pipe pipe;
    const pthread_t reader = ::pthread_self();
    std::thread writer([&] {
        for (const char* piece : {"ab", "cd", "ef"}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            WriteFull(pipe.out.Get(), piece, 2);
        }
        pipe.out.Close();
    });
    char buf[8] = {};
    EXPECT_EQ(ReadFull(pipe.in.Get(), buf, 4), 4);
    EXPECT_EQ(ReadFull(pipe.in.Get(), buf + 4, 4), 2) << "a short count at the end of the file";
    EXPECT_EQ(std::string(buf), "abcdef");
    writer.join();
    ::sigaction(SIGUSR1, &old, nullptr);
}

TEST(UniqueFd, FailuresReturnMinusOneOrFalseWithErrno)
{
    char buf[4];
    errno = 0;
    EXPECT_EQ(ReadFull(-1, buf, 4), -1);
    EXPECT_EQ(errno, EBADF);
    errno = 0;
    EXPECT_FALSE(WriteFull(-1, "x", 1, 0));
    EXPECT_EQ(errno, EBADF);
}

TEST(UniqueFd, OffsetFormsLeaveTheFilePositionAlone)
{
    char path[] = "/tmp/quistelor-uniquefd-XXXXXX";
    platform::UniqueFd fd(::mkstemp(path));
    ASSERT_TRUE(fd.Valid());
    ::unlink(path);
    ASSERT_TRUE(WriteFull(fd.Get(), "0123456789", 10, 0));
    char buf[8] = {};
    EXPECT_EQ(ReadFull(fd.Get(), buf, 8, 6), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(::lseek(fd.Get(), 0, SEEK_CUR), 0);
}
