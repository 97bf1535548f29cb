#include "platform/RealMath.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace platform;

TEST(RealMath, RoundsHalvesToEvenAndPowersOfZeroAreZero)
{
    const struct { double in; int32_t out; } rounds[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {1e12, INT32_MAX}, {NAN, 0}};
    for (const auto& r : rounds)
        EXPECT_EQ(RoundEven(r.in), r.out) << r.in;
    EXPECT_EQ(Power(0, 0.5), 0.0);
    EXPECT_EQ(Power(0, 0), 0.0);
    EXPECT_NEAR(Power(0.25, 0.5), 0.5, 1e-15);
    EXPECT_NEAR(Power(1, 1.5), 1.0, 1e-15);
}

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
