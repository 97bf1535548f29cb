#include "support/QtTestEnv.h"

#include "ui/Settings.h"

#include <gtest/gtest.h>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { testenv::App(); }
    void TearDown() override { testenv::DeleteSettings(); }
};

} // namespace

TEST_F(Settings, MissingValuesReadAsTheirDefaultsAndStoredOnesAsStored)
{
    testenv::ResetSettings({{"Width", "800"}, {"Patern", "Trip *"}});
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(false));
    EXPECT_EQ(ReadIntegerSetting(reg, siWidth), 800);
    EXPECT_EQ(ReadStringSetting(reg, siPatern), "Trip *");
    EXPECT_EQ(ReadIntegerSetting(reg, siTreeViewWhidth), 240);
    EXPECT_EQ(ReadIntegerSetting(reg, siHeight), 521);
    EXPECT_EQ(ReadIntegerSetting(reg, siWindowState), 0);
    EXPECT_EQ(ReadIntegerSetting(reg, siRenameCompanions), 0);  // off until the user ticks it
    EXPECT_EQ(ReadStringSetting(reg, siLanguage), "");  // English, and no language chosen
    WriteStringSetting(reg, siLanguage, "FR");
    EXPECT_EQ(ReadStringSetting(reg, siLanguage), "FR");
    testenv::ResetSettings({{"Height", "tall"}});
    ASSERT_TRUE(reg.OpenKey(false));
    EXPECT_THROW(ReadIntegerSetting(reg, siHeight), platform::ERegistryError);
}
