#include "support/Files.h"
#include "support/QtTestEnv.h"
#include "support/ScreenStage.h"

#include "FormAnimator/AnimatorManager.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GLFormAnimator.h"
#include "main/LanguageChooser.h"
#include "main/MainWindow.h"
#include "main/MyListView.h"
#include "main/PhotoListModel.h"
#include "main/StatusBar.h"
#include "platform/qt/DropFilter.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellTreeView.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

void Touch(const fs::path& p, const std::string& content = "x") { std::ofstream(p.string()) << content; }

int StoredInteger(const char* name)
{
    platform::TRegistry reg;
    EXPECT_TRUE(reg.OpenKey(false));
    return reg.ReadInteger(name);
}

// Records the file URLs the program asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() { QDesktopServices::setUrlHandler("file", this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::App();
        testenv::ResetSettings();
        dir = testenv::Env().Root / ("photos-" + std::to_string(counter++));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        form.reset();
        fs::remove_all(dir);
        testenv::DeleteSettings();
    }

    TForm1& Make(const QStringList& args = {})
    {
        form.reset();  // one copy at a time: the cache file is exclusive
        form = std::make_unique<TForm1>(args);
        return *form;
    }
    // Shows the window and runs its first activation.
    TForm1& Show(const QStringList& args = {})
    {
        Make(args).show();
        while (!form->Activated())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return *form;
    }
    // Lets the folder tree deliver its change notification.
    void SettleTree()
    {
        form->ShellTreeView1->FlushChange();
        testenv::ProcessEvents();
    }
    void OpenFolder(const fs::path& folder)
    {
        ASSERT_TRUE(form->ShellTreeView1->SetPath(Q(folder)));
        SettleTree();
    }
    void Photos(int n)
    {
        for (int i = 0; i < n; ++i)
            Touch(dir / ("p" + std::to_string(i) + ".jpg"));
    }
    void Drop(QWidget* target, const QList<fs::path>& paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& p : paths)
            urls << QUrl::fromLocalFile(Q(p));
        mime.setUrls(urls);
        // As the window system delivers it: the drag enters, then drops.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        lastDragAccepted = enter.isAccepted();
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        SettleTree();
    }
    QStringList ToolBarTexts() const
    {
        QStringList texts;
        for (QAction* a : form->ToolBarItems)
            texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
        return texts;
    }

    fs::path dir;
    std::unique_ptr<TForm1> form;
    bool lastDragAccepted = false;
    static inline int counter = 0;
};

} // namespace

// ---- Start-up and settings -------------------------------------------------

TEST_F(MainWindow, StartsWithLayoutSizeCaptionAndPlaceholdersUntilActivated)
{
    Make();
    EXPECT_EQ(form->windowTitle(), "Quistelor 1.06V");
    EXPECT_EQ(form->size(), QSize(732, 521));
    EXPECT_EQ(form->minimumSize(), QSize(520, 300));
    EXPECT_TRUE(form->use_exif->isChecked());
    EXPECT_FALSE(form->A_rename->isEnabled());
    EXPECT_EQ(form->StatusText(), "0 photo selected");
    EXPECT_EQ(form->ProgressBar1->parentWidget(), form->StatusBar1);
    EXPECT_EQ(form->ProgressBar1->geometry(), QRect(0, 2, 300, 16));
    EXPECT_EQ(form->StatusBar1->height(), 16);
    EXPECT_TRUE(form->ThumbStream.has_value());
    EXPECT_TRUE(form->FileNames.empty());

    form->show();
    EXPECT_TRUE(form->Image1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->ListView1->isVisibleTo(form.get()));
    while (!form->Activated())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_TRUE(form->ListView1->isVisible());
    for (QLabel* image : {form->Image1, form->Image2, form->Image3, form->Image4})
        EXPECT_FALSE(image->isVisible());
}

TEST_F(MainWindow, ItsShowSelectsTheOpenGlWarpedMeshFor800MsAndPlaysIt)
{
    if (!FormAnimator::FormAnimatorStartup())
        GTEST_SKIP() << "OpenGL cannot be started here: " << FormAnimator::FormAnimatorStartupError();
    {
        support::ScreenStage stage(1024, 768, 200); // a few frames only
        FormAnimator::TAnimatorManager manager;
        Show();
        EXPECT_EQ(FormAnimator::AnimationDuration, 800u);
        EXPECT_EQ(manager.Usage, 100);
        EXPECT_EQ(manager.Style, 4);
        ASSERT_NE(manager.Animator, nullptr);
        EXPECT_EQ(manager.Animator->ClassType(), FormAnimator::ClassOf<FormAnimator::TGLFormAnimator>());
        EXPECT_GT(stage.screen->Draws, 1);
        form.reset();
    }
    FormAnimator::FormAnimatorShutdown();
}

TEST_F(MainWindow, IsCentredOnTheWholeScreenByItsFrame)
{
    Show();
    testenv::ProcessEvents();
    ASSERT_NE(form->frameGeometry().size(), form->size()) << "the platform gives windows a frame";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->frameGeometry().left(), (screen.width() - form->frameGeometry().width()) / 2);
    EXPECT_EQ(form->frameGeometry().top(), (screen.height() - form->frameGeometry().height()) / 2);
}

TEST_F(MainWindow, ToolBarAndMenusCarryTheirItemsInOrder)
{
    Make();
    EXPECT_EQ(ToolBarTexts(), (QStringList{"Rename", "|", "Refresh", "|", "Select All", "Select None"}));
    ASSERT_EQ(form->Menus.size(), 2);
    EXPECT_EQ(form->Menus[0]->title(), "Edit");
    EXPECT_EQ(form->Menus[1]->title(), "Help");
    EXPECT_EQ(form->MenuItems[0][0]->text().section('\t', 0, 0), "Select All");
    EXPECT_EQ(form->MenuItems[0][1]->text(), "Select None");
    EXPECT_EQ(form->MenuItems[0][2]->text(), "Choose Language");
    EXPECT_EQ(form->MenuItems[1][0]->text(), "Web Site");
    EXPECT_EQ(form->Select_all->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    // Bar items follow their actions' enabled state.
    EXPECT_FALSE(form->ToolBarItems[0]->isEnabled());
    form->A_rename->setEnabled(true);
    EXPECT_TRUE(form->ToolBarItems[0]->isEnabled());
}

TEST_F(MainWindow, FrenchRelabelsBarsAndCheckBoxButNotActionsOrCaption)
{
    testenv::ResetSettings({{"Language", "FR"}});
    Make();
    EXPECT_EQ(ToolBarTexts(), (QStringList{"Renommer", "|", "Rafraichir", "|", QString::fromUtf8("Tout Sélectionner"),
                                           QString::fromUtf8("Déselectionner")}));
    EXPECT_EQ(form->Menus[0]->title(), "Edition");
    EXPECT_EQ(form->Menus[1]->title(), "Aide");
    EXPECT_EQ(form->MenuItems[0][2]->text(), "Changer de langue");
    EXPECT_EQ(form->MenuItems[1][0]->text(), "Site Web");
    EXPECT_EQ(form->use_exif->text(), "Utiliser EXIF");
    for (QAction* item : form->ToolBarItems) {
        if (!item->isSeparator()) {
            EXPECT_EQ(form->ActionToolBar1->widgetForAction(item)->toolTip(), item->text());
        }
    }
    EXPECT_EQ(form->A_rename->text(), "Rename");
    EXPECT_EQ(form->windowTitle(), "Quistelor 1.06V");
}

TEST_F(MainWindow, GeometryIsSavedAndRestored)
{
    testenv::ResetSettings({{"Language", "EN"}, {"TreeViewWhidth", "300"}, {"Width", "800"}, {"Height", "600"}});
    Show();
    EXPECT_EQ(form->size(), QSize(800, 600));
    EXPECT_EQ(form->ShellTreeView1->width(), 300);
    form->Splitter1->setSizes({280, 514});
    form->resize(790, 590);
    testenv::ProcessEvents();
    form.reset();
    EXPECT_EQ(StoredInteger("TreeViewWhidth"), 280);
    EXPECT_EQ(StoredInteger("Width"), 790);
    EXPECT_EQ(StoredInteger("Height"), 590);
    EXPECT_EQ(StoredInteger("WindowState"), 0);
}

TEST_F(MainWindow, AWindowClosedMaximizedStartsMaximizedAndKeepsItsNormalSize)
{
    Show();
    form->resize(700, 500);
    testenv::ProcessEvents();
    form->showMaximized();
    testenv::ProcessEvents();
    ASSERT_NE(form->size(), QSize(700, 500));
    form.reset();
    EXPECT_EQ(StoredInteger("WindowState"), 2);
    EXPECT_EQ(StoredInteger("Width"), 700);
    EXPECT_EQ(StoredInteger("Height"), 500);
    Show();
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    form->showNormal();
    testenv::ProcessEvents();
    EXPECT_EQ(form->size(), QSize(700, 500));
}

TEST_F(MainWindow, TextWhereGeometryIsExpectedIsReportedAndStopsCreation)
{
    testenv::ResetSettings({{"Language", "FR"}, {"Width", "wide"}});
    testenv::TMessageBoxCatcher boxes;
    Make();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains("'Width'")) << boxes.texts[0].toStdString();
    // The remaining steps were skipped: no caption, no texts, no cache file.
    EXPECT_EQ(form->windowTitle(), "Form1");
    EXPECT_EQ(form->use_exif->text(), "Use EXIF");
    EXPECT_FALSE(form->ThumbStream.has_value());
    // The window still works as far as it was built, and closing it stores
    // a proper integer.
    OpenFolder(dir);
    EXPECT_EQ(form->StatusText(), "0 fichier selectionné");
    form.reset();
    EXPECT_EQ(StoredInteger("Width"), 732);
}

TEST_F(MainWindow, FirstRunAsksForTheLanguageWithEnglishSelected)
{
    testenv::DeleteSettings();
    bool englishWasSelected = false;
    testenv::TModalWatcher chooser([&](QWidget* w) {
        auto* form2 = qobject_cast<TForm2*>(w);
        ASSERT_NE(form2, nullptr);
        englishWasSelected = form2->RadioButton2->isChecked();
        form2->RadioButton1->setChecked(true);
        form2->Button1->click();
    });
    Make();
    EXPECT_EQ(form->use_exif->text(), "Use EXIF") << "English until the chooser is closed";
    form->show();
    while (!form->Activated())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(chooser.Count(), 1);
    EXPECT_TRUE(englishWasSelected);
    EXPECT_EQ(testenv::Stored("Language"), "FR");
    EXPECT_EQ(testenv::Stored("Patern"), "Photo *");
    EXPECT_EQ(form->use_exif->text(), "Utiliser EXIF");
    EXPECT_EQ(form->Menus[0]->title(), "Edition");
    // Later activations do not ask again.
    form->FormActivate();
    EXPECT_EQ(chooser.Count(), 1);
}

TEST_F(MainWindow, SettingsWithoutLanguageGiveEnglishAndNoChooser)
{
    testenv::ResetSettings({{"Patern", "x *"}});
    testenv::TModalWatcher any([](QWidget* w) { w->close(); });
    Show();
    EXPECT_EQ(any.Count(), 0);
    EXPECT_EQ(form->Menus[1]->title(), "Help");
    EXPECT_EQ(testenv::Stored("Patern"), "x *");
}

TEST_F(MainWindow, UnwritableSettingsAskForTheLanguageOnlyOnce)
{
    testenv::DeleteSettings();
    const auto maker = testenv::Env().Config / "Morvik";
    fs::remove_all(maker);
    Touch(maker);
    testenv::TModalWatcher chooser([](QWidget* w) { static_cast<TForm2*>(w)->Button1->click(); });
    Show();
    form->FormActivate();
    form->FormActivate();
    EXPECT_EQ(chooser.Count(), 1);
    form.reset();
    fs::remove(maker);
}

TEST_F(MainWindow, ChooseLanguageSwitchesTheWindowAndTheNextCount)
{
    Show();
    OpenFolder(dir);
    testenv::TModalWatcher chooser([](QWidget* w) {
        auto* form2 = static_cast<TForm2*>(w);
        form2->RadioButton1->setChecked(true);
        form2->Button1->click();
    });
    form->A_language->trigger();
    EXPECT_EQ(chooser.Count(), 1);
    EXPECT_EQ(form->ToolBarItems[0]->text(), "Renommer");
    form->refresh_statusbar();
    EXPECT_EQ(form->StatusText(), QString::fromUtf8("0 fichier selectionné"));
}

TEST_F(MainWindow, WorkingFilesAreLeftInTempAfterExit)
{
    const fs::path temp = testenv::Env().Temp;
    Make();
    form->ThumbStream->WriteBuffer("abc", 3);
    form.reset();
    EXPECT_TRUE(fs::exists(temp / "Quistelor-FTmpStream.dat"));
    EXPECT_EQ(fs::file_size(temp / "Quistelor-FTmpStream.dat"), 0u);
    QImage bmp(Q(temp / "fondexport.bitmap"), "BMP");
    ASSERT_FALSE(bmp.isNull());
    EXPECT_EQ(bmp.size(), QSize(466, 416));
    EXPECT_LT(qGray(bmp.pixel(2, 2)), 40) << "black around the emblem";
    EXPECT_GT(qGray(bmp.pixel(233, 208)), 160) << "light emblem in the middle";
    // The file's bytes stay those of earlier versions (an FNV-1a fingerprint).
    std::ifstream file(temp / "fondexport.bitmap", std::ios::binary);
    uint64_t fingerprint = 0xcbf29ce484222325u;
    for (std::istreambuf_iterator<char> it(file), end; it != end; ++it)
        fingerprint = (fingerprint ^ static_cast<uint8_t>(*it)) * 0x100000001b3u;
    EXPECT_EQ(fingerprint, 0x84161b0548d33a6bU) << std::hex << fingerprint;
}

TEST_F(MainWindow, ASecondCopyCannotTakeTheCacheFileAndLeavesItAlone)
{
    const fs::path cache = testenv::Env().Temp / "Quistelor-FTmpStream.dat";
    Make();
    // The first copy's own delayed folder reload empties its cache; let it
    // run now rather than inside the second copy's message box.
    SettleTree();
    form->ThumbStream->WriteBuffer("first copy", 10);
    testenv::TMessageBoxCatcher boxes;
    {
        TForm1 second;
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_TRUE(boxes.texts[0].startsWith("Cannot create file \"" + Q(cache) + "\". "))
            << boxes.texts[0].toStdString();
        EXPECT_FALSE(second.ThumbStream.has_value());
        EXPECT_EQ(support::ReadFile(cache.string()), "first copy");
    }
    EXPECT_EQ(support::ReadFile(cache.string()), "first copy") << "closing the second copy must not empty the first one's cache";
    form.reset();
    EXPECT_EQ(support::ReadFile(cache.string()), "");
}

TEST_F(MainWindow, AMissingTempFolderIsReportedAndLeavesNoCacheFile)
{
    const QByteArray saved = qgetenv("TEMP");
    const fs::path missing = testenv::Env().Root / "no-such-temp";
    qputenv("TEMP", QByteArray::fromStdString(missing.string()));
    testenv::TMessageBoxCatcher boxes;
    Make();
    qputenv("TEMP", saved);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0], "Cannot create file \"" + Q(missing / "fondexport.bitmap") + "\". No such file or directory");
    EXPECT_FALSE(form->ThumbStream.has_value());
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(MainWindow, CommandLineFolderIsOpenedAndAnythingElseIgnored)
{
    Photos(2);
    Make({Q(dir)});
    EXPECT_EQ(form->FolderPath(), Q(dir));
    SettleTree();
    EXPECT_EQ(form->FileNames.size(), 2u);

    const QString desktop = Q(testenv::Env().Desktop);
    for (const QString& arg : {Q(dir / "p0.jpg"), Q(dir / "missing"), QString()}) {
        Make({arg});
        EXPECT_EQ(form->FolderPath(), desktop) << arg.toStdString();
    }
}

TEST_F(MainWindow, TheFirstFolderIsReadOnlyOnceTheWindowHasPaintedItself)
{
    Photos(2);
    Make({Q(dir)}).show();
    // How many photos were listed when the folder tree first painted.
    struct TPaintSpy : QObject {
        TForm1* form;
        int listedAtPaint = -1;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && listedAtPaint < 0)
                listedAtPaint = int(form->FileNames.size());
            return false;
        }
    } spy;
    spy.form = form.get();
    form->ShellTreeView1->viewport()->installEventFilter(&spy);
    form->ShellTreeView1->FlushChange(); // the tree's notification, before any paint
    EXPECT_TRUE(form->FileNames.empty());
    for (int i = 0; i < 200 && form->FileNames.empty(); ++i)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_EQ(form->FileNames.size(), 2u);
    EXPECT_EQ(spy.listedAtPaint, 0);
}

// ---- Photo list ------------------------------------------------------------

TEST_F(MainWindow, LoadsJpegFileNamesSortedByNameWithoutFoldersAndHiddenOnes)
{
    fs::create_directory(dir / "d.jpg");
    Touch(dir / "B.JPG");
    Touch(dir / "a.jpg");
    Touch(dir / ".c.jpg");
    Touch(dir / "e.jpeg");
    Touch(dir / "f.png");
    const std::vector<std::string> expected = {"a.jpg", "B.JPG"};

    Show();
    OpenFolder(dir);
    EXPECT_EQ(form->FileNames, expected);
    ASSERT_EQ(form->ListModel->rowCount(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(form->ListModel->data(form->ListModel->index(i), Qt::DisplayRole).toString(),
                  QString::fromStdString(expected[static_cast<size_t>(i)]));
    EXPECT_EQ(form->ThumbOffsets, std::vector<std::string>(2, "-1"));
    EXPECT_EQ(form->StatusText(), "0 file selected");
}

TEST_F(MainWindow, AFolderWithoutPhotosOrUnreadableGivesAnEmptyList)
{
    Photos(3);
    Show();
    OpenFolder(dir);
    ASSERT_EQ(form->PhotoCount(), 3);
    form->ListView1->SetSelected(0, true);
    fs::create_directory(dir / "empty");
    OpenFolder(dir / "empty");
    EXPECT_EQ(form->PhotoCount(), 0);
    EXPECT_TRUE(form->FileNames.empty());
    EXPECT_EQ(form->StatusText(), "0 file selected");
    EXPECT_FALSE(form->A_rename->isEnabled());
}

TEST_F(MainWindow, CountTextsAndRenameFollowTheSelection)
{
    Photos(4);
    Show();
    OpenFolder(dir);
    EXPECT_FALSE(form->A_rename->isEnabled());
    form->ListView1->SetSelected(0, true);
    EXPECT_EQ(form->StatusText(), "1 file selected");
    EXPECT_TRUE(form->A_rename->isEnabled());
    form->ListView1->SetSelected(2, true);
    EXPECT_EQ(form->StatusText(), "2 files selected");
    form->ListView1->SetSelected(0, false);
    form->ListView1->SetSelected(2, false);
    EXPECT_EQ(form->StatusText(), "0 file selected");
    EXPECT_FALSE(form->A_rename->isEnabled());

    testenv::ResetSettings({{"Language", "FR"}});
    form->ListView1->SetSelected(1, true);
    EXPECT_EQ(form->StatusText(), QString::fromUtf8("1 fichier selectionné"));
    form->ListView1->SetSelected(2, true);
    form->ListView1->SetSelected(3, true);
    EXPECT_EQ(form->StatusText(), QString::fromUtf8("3 fichiers selectionnés"));
    EXPECT_EQ(form->ListView1->SelectedIndexes(), (std::vector<int>{1, 2, 3}));
}

TEST_F(MainWindow, ARangeSelectedWithShiftClickUpdatesTheCount)
{
    Photos(6);
    Show();
    OpenFolder(dir);
    QWidget* viewport = form->ListView1->viewport();
    auto centre = [&](int i) { return form->ListView1->visualRect(form->ListModel->index(i)).center(); };
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, centre(1));
    EXPECT_EQ(form->StatusText(), "1 file selected");
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, centre(4));
    EXPECT_EQ(form->ListView1->SelectedIndexes(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(form->StatusText(), "4 files selected");
    EXPECT_TRUE(form->A_rename->isEnabled());
}

TEST_F(MainWindow, CtrlASelectsEveryPhotoAndEndsWithTheCount)
{
    Photos(20);
    Show();
    OpenFolder(dir);
    form->ShellTreeView1->setFocus();
    QTest::keyClick(form->ListView1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->ListView1->SelectedCount(), 20);
    EXPECT_EQ(form->StatusText(), "20 files selected");
    EXPECT_TRUE(form->A_rename->isEnabled());
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 19);
    EXPECT_EQ(form->focusWidget(), form->ListView1);
}

TEST_F(MainWindow, OnePhotoLeavesAnEmptyProgressBarNotABusyOne)
{
    // The range 0..0 is the toolkit's endless busy animation.
    Photos(1);
    Show();
    OpenFolder(dir);
    EXPECT_LT(form->ProgressBar1->minimum(), form->ProgressBar1->maximum());
    form->Select_all->trigger();
    EXPECT_LT(form->ProgressBar1->minimum(), form->ProgressBar1->maximum());
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->StatusText(), "1 file selected");
}

TEST_F(MainWindow, SelectAllOnAnEmptyFolderOnlyMovesTheFocus)
{
    Show();
    OpenFolder(dir);
    form->ShellTreeView1->setFocus();
    const QString before = form->StatusText();
    form->Select_all->trigger();
    EXPECT_EQ(form->StatusText(), before);
    EXPECT_FALSE(form->A_rename->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->ListView1);
}

TEST_F(MainWindow, SelectAllKeepsAnEarlierSelectionAndSelectsLargeFoldersCompletely)
{
    Photos(1234);
    Show();
    OpenFolder(dir);
    form->ListView1->SetSelected(7, true);
    form->Select_all->trigger();
    EXPECT_EQ(form->ListView1->SelectedCount(), 1234);
    EXPECT_EQ(form->ListView1->SelectedIndexes().back(), 1233);
    EXPECT_EQ(form->StatusText(), "1234 files selected");
}

TEST_F(MainWindow, EscapeAndSelectNoneClearTheSelection)
{
    Photos(5);
    Show();
    OpenFolder(dir);
    form->Select_all->trigger();
    QTest::keyClick(form->ListView1, Qt::Key_Escape);
    EXPECT_EQ(form->ListView1->SelectedCount(), 0);
    EXPECT_EQ(form->StatusText(), "0 file selected");
    EXPECT_FALSE(form->A_rename->isEnabled());

    form->ListView1->SetSelected(3, true);
    form->ShellTreeView1->setFocus();
    form->Select_none->trigger();
    EXPECT_EQ(form->ListView1->SelectedCount(), 0);
    EXPECT_EQ(form->focusWidget(), form->ListView1);
}

TEST_F(MainWindow, F5InTheListRereadsTheFolderButF5InTheTreeDoesNot)
{
    Photos(2);
    Show();
    OpenFolder(dir);
    Touch(dir / "new.jpg");
    QTest::keyClick(form->ShellTreeView1, Qt::Key_F5);
    testenv::ProcessEvents();
    EXPECT_EQ(form->PhotoCount(), 2);
    QTest::keyClick(form->ListView1, Qt::Key_F5);
    EXPECT_EQ(form->PhotoCount(), 3);
    EXPECT_EQ(form->ThumbOffsets.size(), 3u);
    Touch(dir / "newer.jpg");
    form->Arefresh->trigger();
    EXPECT_EQ(form->PhotoCount(), 4);
}

TEST_F(MainWindow, DoubleClickOpensTheFirstSelectedPhoto)
{
    Photos(6);
    Show();
    OpenFolder(dir);
    UrlRecorder recorder;
    form->ListView1_prevDblClick();
    EXPECT_TRUE(recorder.urls.isEmpty()) << "nothing selected, nothing opened";
    form->ListView1->SetSelected(5, true);
    form->ListView1->SetSelected(2, true);
    form->ListView1_prevDblClick();
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0], QUrl::fromLocalFile(Q(dir / form->FileNames[2])));
}

// Right after a click in the tree, before the delayed reload, the list still
// shows the old folder: the photo opened is the one the user sees.
TEST_F(MainWindow, DoubleClickBeforeTheDelayedReloadOpensTheListedPhoto)
{
    Photos(2);
    const fs::path other = dir / "other";
    fs::create_directories(other);
    Touch(other / "p0.jpg");
    Touch(other / "p1.jpg");
    Show();
    OpenFolder(dir);
    form->ListView1->SetSelected(0, true);
    ASSERT_TRUE(form->ShellTreeView1->SetPath(Q(other)));
    ASSERT_TRUE(form->ShellTreeView1->ChangePending());
    UrlRecorder recorder;
    form->ListView1_prevDblClick();
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0], QUrl::fromLocalFile(Q(dir / form->FileNames[0])));
}

// ---- Dropped folders -------------------------------------------------------

TEST_F(MainWindow, OnlyTheFirstDroppedFolderIsOpenedOnListOrTree)
{
    fs::create_directories(dir / "one");
    fs::create_directories(dir / "two");
    fs::create_directories(dir / "three");
    Touch(dir / "one" / "x.jpg");
    Show();
    OpenFolder(dir);
    Drop(form->ListView1->viewport(), {dir / "one", dir / "two", dir / "three"});
    EXPECT_TRUE(lastDragAccepted);
    EXPECT_EQ(form->FolderPath(), Q(dir / "one"));
    EXPECT_EQ(form->FileNames, std::vector<std::string>{"x.jpg"});

    Drop(form->ShellTreeView1->viewport(), {dir / "two"});
    EXPECT_EQ(form->FolderPath(), Q(dir / "two"));
    EXPECT_EQ(form->PhotoCount(), 0);
}

TEST_F(MainWindow, DroppedFilesAreIgnoredAndDropsElsewhereAreNotTaken)
{
    Photos(1);
    fs::create_directories(dir / "other");
    Show();
    OpenFolder(dir);
    Drop(form->ListView1->viewport(), {dir / "p0.jpg", dir / "other"});
    EXPECT_EQ(form->FolderPath(), Q(dir));
    EXPECT_EQ(form->PhotoCount(), 1);
    EXPECT_FALSE(form->DropFilter->IsTarget(form->StatusBar1));
    Drop(form->StatusBar1, {dir / "other"});
    EXPECT_FALSE(lastDragAccepted);
    EXPECT_EQ(form->FolderPath(), Q(dir));
}

TEST_F(MainWindow, ADroppedFolderWithALongPathIsOpenedExactly)
{
    // A name cut at 255 characters would name a different, existing folder.
    fs::path deep = dir;
    while (deep.string().size() < 300)
        deep /= std::string(40, 'n');
    fs::create_directories(deep);
    const fs::path cutName = fs::path(deep.string().substr(0, 255));
    fs::create_directories(cutName);
    Touch(deep / "deep.jpg");
    Show();
    Drop(form->ListView1->viewport(), {deep});
    EXPECT_EQ(form->FolderPath(), Q(deep));
    EXPECT_EQ(form->FileNames, std::vector<std::string>{"deep.jpg"});
}

#include "test_MainWindow.moc"
