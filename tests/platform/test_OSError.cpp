#include "platform/OSError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

using namespace platform;

TEST(OSError, MessageCarriesCodeAndSystemText)
{
    EOSError e(ENOENT);
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_EQ(std::string(e.what()),
              "System Error.  Code: " + std::to_string(ENOENT) + ".\r\nNo such file or directory");
}

TEST(OSError, CodeZeroHasTheGenericText)
{
    EXPECT_STREQ(EOSError(0).what(), "A call to an OS function failed");
}

TEST(OSError, RaiseLastOSErrorUsesErrno)
{
    errno = EACCES;
    try {
        RaiseLastOSError();
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), EACCES);
    }
}

TEST(AssertionFailure, NamesTextUnitAndLine)
{
    try {
        QUISTELOR_ASSERT(1 + 1 == 3, "Canvas not locked", "FormAnimator/GlCanvas");
        FAIL();
    } catch (const EAssertionFailed& e) {
        std::string msg = e.what();
        EXPECT_EQ(msg.rfind("Canvas not locked (FormAnimator/GlCanvas, line ", 0), 0u) << msg;
        EXPECT_EQ(msg.back(), ')');
    }
}
