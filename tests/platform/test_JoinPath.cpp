#include "platform/JoinPath.h"

#include <gtest/gtest.h>

TEST(JoinPath, OneSeparatorBetweenFolderAndName)
{
    const struct {
        const char* folder;
        const char* expected;
    } cases[] = {
        {"/photos", "/photos/a.jpg"},
        {"/photos/", "/photos/a.jpg"},
        {"/", "/a.jpg"},
        {"", "/a.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::JoinPath(c.folder, "a.jpg"), c.expected) << c.folder;
}
