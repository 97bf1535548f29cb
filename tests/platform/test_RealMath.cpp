#include "platform/RealMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

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
