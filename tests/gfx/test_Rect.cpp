#include "gfx/Rect.h"

#include <gtest/gtest.h>

using gfx::Rect;

TEST(Rect, RightAndBottomAreExclusiveAndInvertedIsEmpty)
{
    Rect r{1, 2, 4, 6};
    EXPECT_EQ(r.Width(), 3);
    EXPECT_EQ(r.Height(), 4);
    EXPECT_TRUE(r.Contains(1, 2));
    EXPECT_FALSE(r.Contains(4, 2));
    EXPECT_FALSE(r.Contains(1, 6));
    for (Rect empty : {Rect{}, Rect{5, 5, 5, 9}, Rect{5, 5, 9, 5}, Rect{5, 5, 4, 9}, Rect{5, 5, 9, -1}})
        EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(Rect::FromSize(2, 3, 4, 5), (Rect{2, 3, 6, 8}));
}

TEST(Rect, UnionAndIntersectionFollowThePlatformRules)
{
    struct Case {
        const char* name;
        Rect a, b, unite, intersect;
    };
    const Case cases[] = {
        {"overlapping", {0, 0, 4, 4}, {2, 2, 6, 6}, {0, 0, 6, 6}, {2, 2, 4, 4}},
        {"apart", {0, 0, 1, 1}, {5, 5, 6, 6}, {0, 0, 6, 6}, {}},
        {"touching edges do not intersect", {0, 0, 2, 2}, {2, 0, 4, 2}, {0, 0, 4, 2}, {}},
        {"empty adds nothing", {3, 3, 3, 9}, {1, 1, 2, 2}, {1, 1, 2, 2}, {}},
        {"inverted adds nothing", {9, 9, 0, 0}, {1, 1, 2, 2}, {1, 1, 2, 2}, {}},
        {"both empty give zeros", {3, 3, 3, 9}, {7, 7, 1, 8}, {}, {}},
        {"nested", {0, 0, 10, 10}, {2, 3, 4, 5}, {0, 0, 10, 10}, {2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gfx::Union(c.a, c.b), c.unite) << c.name;
        EXPECT_EQ(gfx::Union(c.b, c.a), c.unite) << c.name;
        EXPECT_EQ(gfx::Intersect(c.a, c.b), c.intersect) << c.name;
    }
}
