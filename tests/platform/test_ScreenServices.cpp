#include "platform/RealMath.h"
#include "platform/Random.h"
#include "platform/ScreenDevice.h"

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

TEST(MemoryScreen, ReadsWhatWasDrawnAndReportsEachFrame)
{
    MemoryScreen screen(8, 6);
    screen.Fill(0x112233);
    int frames = 0;
    screen.AfterDrawContext = &frames;
    screen.AfterDraw = [](void* c, int, int, int w, int h) { *static_cast<int*>(c) += w * h; };
    const uint32_t block[4] = {1, 2, 3, 4};
    screen.Draw(6, 4, 2, 2, block, 8);
    EXPECT_EQ(frames, 4);
    uint32_t back[9] = {};
    screen.Read(5, 3, 3, 3, back, 12);
    EXPECT_EQ(back[0], 0x112233u);
    EXPECT_EQ(back[4], 1u);
    EXPECT_EQ(back[8], 4u);
    screen.EndDrawing();
    EXPECT_EQ(screen.SessionCount(), 1);
}
