#include "platform/Random.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(Random, OneSeedableGeneratorWithUniformRanges)
{
    ProgramRandom().Seed(42);
    std::vector<int> first;
    for (int i = 0; i < 1000; ++i)
        first.push_back(Random(7));
    ProgramRandom().Seed(42);
    std::vector<int> counts(7);
    for (int i = 0; i < 1000; ++i) {
        const int r = Random(7);
        ASSERT_EQ(r, first[i]);
        ++counts[r];
    }
    for (int c : counts)
        EXPECT_GT(c, 90); // all seven values drawn
    EXPECT_EQ(Random(0), 0);
    for (int i = 0; i < 1000; ++i) {
        const double x = Random();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
    }
}
