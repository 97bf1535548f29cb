#include "FormAnimator/GlFont.h"

#include "platform/OSError.h"

#include <gtest/gtest.h>

#include <regex>

using namespace FormAnimator;

TEST(TGlFont, StartsWithItsInitialValuesAndItsCanvas)
{
    auto* canvas = reinterpret_cast<TGlCanvas*>(0x1000);
    TGlFont font(canvas);
    EXPECT_EQ(font.ListBase(), -1);
    EXPECT_EQ(font.Size(), 16.0f);
    EXPECT_EQ(font.Handle(), 0u);
    EXPECT_EQ(font.Name(), "");
    EXPECT_EQ(font.Canvas(), canvas);
}

TEST(TGlFontManager, GlobalLivesBetweenInitializationAndFinalization)
{
    ASSERT_EQ(GlFontManager, nullptr);
    GlFontInitialization();
    ASSERT_NE(GlFontManager, nullptr);
    EXPECT_TRUE(GlFontManager->Fonts.empty());
    GlFontFinalization();
    EXPECT_EQ(GlFontManager, nullptr);
    GlFontFinalization(); // twice is harmless
}

TEST(TGlFontManager, AFontHandleThatCannotBeDeletedIsAnAssertion)
{
    auto* manager = new TGlFontManager;
    int junk = 0;
    TGlFontEntry entry;
    entry.Font = reinterpret_cast<win32::HFONT>(&junk);
    manager->Fonts.push_back(entry);
    try {
        delete manager;
        FAIL() << "no assertion";
    } catch (const platform::EAssertionFailed& e) {
        EXPECT_TRUE(std::regex_match(e.what(), std::regex(R"(.+ \(FormAnimator/GlFont, line [0-9]+\))"))) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind(platform::SysErrorMessage(EBADF), 0), 0u) << e.what();
    }
}
