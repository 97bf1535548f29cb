#include "platform/qt/Registry.h"
#include "support/QtTestEnv.h"

#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using platform::ERegistryError;
using platform::TRegistry;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { testenv::DeleteSettings(); }
    void TearDown() override { testenv::DeleteSettings(); }
};

QString StoredText()
{
    QFile f(TRegistry::FileName());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST_F(Registry, StoreLivesInTheConfigFolderUnderTheMakerAndProduct)
{
    const auto expected = testenv::Env().Config / "Morvik" / "Veltra Rename.conf";
    EXPECT_EQ(TRegistry::FileName().toStdString(), expected.string());
}

TEST_F(Registry, OpenWithoutCreatingFailsOnFirstRunAndCreatingMakesTheKey)
{
    TRegistry reg;
    EXPECT_FALSE(TRegistry::KeyExists());
    EXPECT_FALSE(reg.OpenKey(false));
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(TRegistry::KeyExists()) << "a failed open must not create the key";

    EXPECT_TRUE(reg.OpenKey(true));
    EXPECT_TRUE(TRegistry::KeyExists());
    reg.CloseKey();
    EXPECT_TRUE(reg.OpenKey(false));
}

TEST_F(Registry, MissingValuesAreAbsentEmptyOrAnError)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(true));
    EXPECT_FALSE(reg.ValueExists("Width"));
    EXPECT_EQ(reg.ReadString("Language"), QString());
    EXPECT_THROW(reg.ReadInteger("Width"), ERegistryError);
}

TEST_F(Registry, IntegersAndStringsRoundTripThroughTheFile)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(true));
        reg.WriteInteger("TreeViewWhidth", 240);
        reg.WriteInteger("Width", -7);
        reg.WriteInteger("WindowState", 0);
        reg.WriteString("Patern", "Été, ? % * = ; \\ \"x\"");
        reg.WriteString("Language", "FR");
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(false));
    EXPECT_EQ(reg.ReadInteger("TreeViewWhidth"), 240);
    EXPECT_EQ(reg.ReadInteger("Width"), -7);
    EXPECT_EQ(reg.ReadInteger("WindowState"), 0);
    EXPECT_EQ(reg.ReadString("Patern"), QString::fromUtf8("Été, ? % * = ; \\ \"x\""));
    EXPECT_EQ(reg.ReadString("Language"), "FR");
    // The value names are stored exactly as the program spells them.
    EXPECT_TRUE(StoredText().contains("TreeViewWhidth=240"));
    EXPECT_TRUE(StoredText().contains("Patern="));
}

TEST_F(Registry, TextWhereAnIntegerIsExpectedIsAnErrorNamingTheValue)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(true));
    for (const char* bad : {"abc", "", " 12", "12 ", "12abc", "0x10", "99999999999", "1.5"}) {
        reg.WriteString("Width", bad);
        try {
            reg.ReadInteger("Width");
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ERegistryError& e) {
            EXPECT_NE(std::string(e.what()).find("'Width'"), std::string::npos) << e.what();
        }
    }
    reg.WriteString("Width", "-2147483648");
    EXPECT_EQ(reg.ReadInteger("Width"), -2147483647 - 1);
}

TEST_F(Registry, ChangesMadeOutsideAreSeenByTheNextOpen)
{
    TRegistry writer;
    ASSERT_TRUE(writer.OpenKey(true));
    writer.WriteString("Language", "EN");
    {
        std::ofstream(TRegistry::FileName().toStdString()) << "[General]\nLanguage=FR\nWidth=640\n";
    }
    TRegistry reader;
    ASSERT_TRUE(reader.OpenKey(false));
    EXPECT_EQ(reader.ReadString("Language"), "FR");
    EXPECT_EQ(reader.ReadInteger("Width"), 640);
}

TEST_F(Registry, WritingToAClosedKeyIsAnError)
{
    TRegistry reg;
    EXPECT_THROW(reg.WriteInteger("Width", 1), ERegistryError);
    EXPECT_THROW(reg.WriteString("Language", "EN"), ERegistryError);
    EXPECT_FALSE(TRegistry::KeyExists());
}

TEST_F(Registry, CreatingFailsCleanlyWhenTheFolderCannotBeMade)
{
    // A plain file where the maker's folder should be.
    const auto maker = testenv::Env().Config / "Morvik";
    std::filesystem::remove_all(maker);
    std::ofstream(maker.string()) << "x";
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(true));
    EXPECT_FALSE(reg.IsOpen());
    std::filesystem::remove(maker);
}
