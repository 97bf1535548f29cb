#include "../platform/QtTestEnv.h"

#include "StringTable.h"
#include "Unit2.h"
#include "Unit4.h"
#include "platform/Registry.h"

#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <set>

namespace {

class Language : public ::testing::Test {
protected:
    void SetUp() override { testenv::App(); testenv::DeleteSettings(); }
    void TearDown() override { testenv::DeleteSettings(); }
};

QString StoredLanguage()
{
    platform::TRegistry reg;
    return reg.OpenKey(false) ? reg.ReadString("Language") : QStringLiteral("<no key>");
}

} // namespace

TEST(StringTableData, EveryEnglishTextHasAFrenchOneFiftyIdsOnAndIdsAreUnique)
{
    std::set<int> ids;
    for (size_t i = 0; i < StringTableCount; ++i)
        EXPECT_TRUE(ids.insert(StringTable[i].Id).second) << "duplicate id " << StringTable[i].Id;
    for (int id = 1; id <= 29; ++id) {
        EXPECT_NE(StringTableText(id), nullptr) << id;
        EXPECT_NE(StringTableText(id + FrenchOffset), nullptr) << id + FrenchOffset;
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

TEST_F(Language, ChooserSelectsTheStoredLanguageAndStaysInEnglish)
{
    struct Case {
        const char* stored;
        bool french, english;
    };
    for (const Case& c : {Case{"FR", true, false}, Case{"EN", false, true}, Case{"fr", false, false}}) {
        testenv::ResetSettings({{"Language", c.stored}});
        TForm2 chooser;
        chooser.show();
        EXPECT_EQ(chooser.RadioButton1->isChecked(), c.french) << c.stored;
        EXPECT_EQ(chooser.RadioButton2->isChecked(), c.english) << c.stored;
        EXPECT_EQ(chooser.windowTitle(), "Choose");
        EXPECT_EQ(chooser.RadioButton1->text(), "French");
        EXPECT_EQ(chooser.RadioButton2->text(), "English");
        EXPECT_EQ(chooser.Button1->text(), "OK");
    }
}

TEST_F(Language, OkWritesTheChosenLanguageOnlyWhenOneIsChosen)
{
    testenv::ResetSettings({{"Language", "EN"}});
    {
        TForm2 chooser;
        chooser.show();
        chooser.RadioButton1->setChecked(true);
        chooser.Button1->click();
        EXPECT_FALSE(chooser.isVisible());
    }
    EXPECT_EQ(StoredLanguage(), "FR");

    testenv::ResetSettings({{"Language", "xx"}});
    {
        TForm2 chooser;
        chooser.show();
        chooser.Button1->click();
    }
    EXPECT_EQ(StoredLanguage(), "xx");
}

TEST_F(Language, OkDoesNotCreateMissingSettings)
{
    TForm2 chooser;
    chooser.show();
    chooser.RadioButton2->setChecked(true);
    chooser.Button1->click();
    EXPECT_FALSE(platform::TRegistry::KeyExists());
}
