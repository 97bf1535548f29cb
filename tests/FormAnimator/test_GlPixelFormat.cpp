#include "FormAnimator/GlPixelFormat.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace FormAnimator;

TEST(TGlPixelFormat, StartsWithNoPreferenceAndPublishesInOrder)
{
    TGlPixelFormat f;
    const char* order[] = {"DesiredAlphaBits", "DesiredDepthBits", "DesiredStencilBits", "DoubleBuffered",
                           "DesiredSwapMethod", "DesiredAcceleration", "DesiredAntialiasingLevel"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(TGlPixelFormat::Properties[i].Name, order[i]);
        EXPECT_EQ(TGlPixelFormat::Properties[i].Get(f), 0) << order[i];
    }
}

TEST(TGlPixelFormat, EveryPropertyNotifiesOnlyRealChanges)
{
    for (const auto& property : TGlPixelFormat::Properties) {
        TGlPixelFormat f;
        int calls = 0;
        TObject* sender = nullptr;
        f.OnChange = [&](TObject* s) {
            ++calls;
            sender = s;
        };
        property.Set(f, 0);
        EXPECT_EQ(calls, 0) << property.Name;
        property.Set(f, 1);
        EXPECT_EQ(calls, 1) << property.Name;
        EXPECT_EQ(sender, &f);
        EXPECT_EQ(property.Get(f), 1);
        property.Set(f, 1);
        EXPECT_EQ(calls, 1) << property.Name;
    }
}

TEST(TGlPixelFormat, AssignCopiesFiveFieldsAndNotifiesOnce)
{
    TGlPixelFormat source, target;
    source.SetDoubleBuffered(true);
    source.SetDesiredDepthBits(24);
    source.SetDesiredAlphaBits(8);
    source.SetDesiredStencilBits(8);
    source.SetDesiredSwapMethod(smExchange);
    source.SetDesiredAcceleration(aFull);
    source.SetDesiredAntialiasingLevel(4);
    int calls = 0;
    target.OnChange = [&](TObject*) { ++calls; };
    target.Assign(&source);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(target.DoubleBuffered());
    EXPECT_EQ(target.DesiredDepthBits(), 24);
    EXPECT_EQ(target.DesiredAlphaBits(), 8);
    EXPECT_EQ(target.DesiredStencilBits(), 8);
    EXPECT_EQ(target.DesiredSwapMethod(), smExchange);
    EXPECT_EQ(target.DesiredAcceleration(), aDontCare);
    EXPECT_EQ(target.DesiredAntialiasingLevel(), 0);

    target.Assign(&source); // nothing of the five differs now
    EXPECT_EQ(calls, 1);
    source.SetDesiredAcceleration(aNone);
    target.Assign(&source); // acceleration is not copied, so no change
    EXPECT_EQ(calls, 1);
}

TEST(TGlPixelFormat, AssignFromNothingOrAnotherClassIsRefused)
{
    TGlPixelFormat f;
    EXPECT_THROW(f.Assign(nullptr), EConvertError);
    TPersistent other;
    EXPECT_THROW(f.Assign(&other), EConvertError);
}
