#include "support/QtTestEnv.h"

#include "platform/qt/Registry.h"
#include "ui/InterfaceLanguage.h"
#include "ui/StringTable.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Language = testenv::TWithoutSettings;

} // namespace

TEST(StringTableData, EveryEnglishTextHasAFrenchOneFiftyIdsOnAndIdsAreUnique)
{
    std::set<int> ids;
    for (size_t i = 0; i < StringTableCount; ++i)
        EXPECT_TRUE(ids.insert(StringTable[i].Id).second) << "duplicate id " << StringTable[i].Id;
    for (int id = 1; id <= 29; ++id)
        EXPECT_NE(StringTableText(id), nullptr) << id;
    for (size_t i = 0; i < StringTableCount; ++i)
        if (StringTable[i].Id < FrenchOffset) {
            EXPECT_NE(StringTableText(StringTable[i].Id + FrenchOffset), nullptr) << StringTable[i].Id + FrenchOffset;
        }
    EXPECT_EQ(StringTableText(0), nullptr);
    EXPECT_EQ(StringTableText(30 + FrenchOffset + 1000), nullptr);
}

TEST(StringTableData, MultiLineHelpTextsKeepTheirLineFeedsAndTabs)
{
    const std::string en = StringTableText(10);
    const std::string fr = StringTableText(60);
    EXPECT_EQ(en.back(), '\n');
    EXPECT_EQ(fr.back(), '\n');
    EXPECT_NE(en.find("*\t-> Numerical\n"), std::string::npos);
    EXPECT_NE(fr.find("%\t-> Heure\n"), std::string::npos);
}

TEST_F(Language, EnglishWithoutSettingsOrWithAnyValueButExactlyFR)
{
    EXPECT_EQ(ReadLanguage(), QString());
    EXPECT_EQ(LoadLangString(17), "file");
    for (const char* value : {"EN", "fr", "Fr", "FR ", "", "DE"}) {
        testenv::ResetSettings({{"Language", value}});
        EXPECT_EQ(LoadLangString(12), "Select all files") << value;
    }
    testenv::ResetSettings({{"Patern", "x"}});
    EXPECT_EQ(LoadLangString(1), "Use EXIF");
}

TEST_F(Language, FrenchIsTheSameIdPlusFifty)
{
    testenv::ResetSettings({{"Language", "FR"}});
    EXPECT_EQ(LanguageOffset(ReadLanguage()), 50);
    EXPECT_EQ(LoadLangString(1), "Utiliser EXIF");
    EXPECT_EQ(LoadLangString(11), QString::fromUtf8("Création miniatures"));
    EXPECT_EQ(LoadLangString(18), QString::fromUtf8("selectionnés"));
    EXPECT_EQ(LoadLangString(19), QString::fromUtf8("selectionné"));
    EXPECT_EQ(LoadLangString(29), "Renommer");
    EXPECT_EQ(LoadLangString(999), QString());
}

TEST_F(Language, EveryLookupReadsTheSettingsAgain)
{
    testenv::ResetSettings({{"Language", "EN"}});
    EXPECT_EQ(LoadLangString(7), "Help");
    {
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(false));
        reg.WriteString("Language", "FR");
    }
    EXPECT_EQ(LoadLangString(7), "Aide");
}
