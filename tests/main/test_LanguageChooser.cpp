#include "support/QtTestEnv.h"

#include "main/LanguageChooser.h"
#include "platform/qt/Registry.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using Language = testenv::TWithoutSettings;

} // namespace

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

TEST_F(Language, ChooserIs123By147FrameIncludedAndCentredByItsFrame)
{
    TForm2 chooser;
    chooser.show();
    testenv::ProcessEvents();
    const QRect frame = chooser.frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_NE(frame.size(), chooser.size()) << "the platform gives windows a frame";
    EXPECT_EQ(frame.size(), QSize(123, 147));
    EXPECT_EQ(frame.topLeft(), QPoint((screen.width() - 123) / 2, (screen.height() - 147) / 2));
    // No minimize or maximize button takes room from the caption.
    EXPECT_FALSE(chooser.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
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
    EXPECT_EQ(testenv::Stored("Language"), "FR");

    testenv::ResetSettings({{"Language", "xx"}});
    {
        TForm2 chooser;
        chooser.show();
        chooser.Button1->click();
    }
    EXPECT_EQ(testenv::Stored("Language"), "xx");
}

TEST_F(Language, OkDoesNotCreateMissingSettings)
{
    TForm2 chooser;
    chooser.show();
    chooser.RadioButton2->setChecked(true);
    chooser.Button1->click();
    EXPECT_FALSE(platform::TRegistry::KeyExists());
}
