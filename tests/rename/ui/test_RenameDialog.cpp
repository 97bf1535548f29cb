// The rename dialog and the main window's Rename command, on the offscreen
// platform, with real photo files and a settings store of their own.

#include "support/QtTestEnv.h"
#include "support/TestPhotos.h"

#include "main/MainWindow.h"
#include "main/StatusBar.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellTreeView.h"
#include "rename/RenameJournal.h"
#include "rename/ui/RenameDialog.h"
#include "ui/Application.h"
#include "ui/InterfaceLanguage.h"
#include "ui/StringTable.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <set>

using namespace support;

namespace {

QStringList PreviewTexts(const TForm3& dialog)
{
    QStringList texts;
    for (int i = 0; i < dialog.ListView_prev->count(); ++i)
        texts << dialog.ListView_prev->item(i)->text();
    return texts;
}

// The tooltips without their last line, the date, which PreviewDates checks.
QStringList PreviewTips(const TForm3& dialog)
{
    QStringList tips;
    for (int i = 0; i < dialog.ListView_prev->count(); ++i)
        tips << dialog.ListView_prev->item(i)->toolTip().section(QLatin1Char('\n'), 0, -2);
    return tips;
}

class RenameDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseUtc();
        testenv::App<TApplication>();
        testenv::ResetSettings({{"Language", "EN"}, {"Patern", "Photo *"}});
    }
    // A photo with an EXIF shooting date on 2006-05-12 at the given hour.
    void Photo(const std::string& name, int hour, bool selected = true)
    {
        WriteFile(dir / name, JpegBytes("2006:05:12 " + PadNumber(hour, 2) + ":00:00", name));
        items.FileNames.push_back(name);
        items.Selected.push_back(selected);
    }
    TForm3& Open(bool useExif = true)
    {
        dialog = std::make_unique<TForm3>(items, dir.Path(), useExif);
        dialog->FormShow();
        dialog->FormActivate();
        return *dialog;
    }
    ScratchFolder dir;
    PhotoListItems items;
    std::unique_ptr<TForm3> dialog;
};

} // namespace

// ---- the dialog ------------------------------------------------------------------

TEST_F(RenameDialog, OpensWithTheStoredPatternAndItsPreviewInListOrder)
{
    Photo("c.jpg", 12);
    Photo("skip.jpg", 1, false);
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    TForm3& d = Open();
    EXPECT_EQ(d.Edit_Patern->text(), "Photo *");
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Photo 3.jpg", "Photo 1.jpg", "Photo 2.jpg"}));
    EXPECT_EQ(d.ProgressBar1->minimum(), 0);
    EXPECT_EQ(d.PreviewPhotos.size(), 4u);
    EXPECT_EQ(d.windowTitle(), "Quistelor");
    EXPECT_EQ(d.size(), QSize(249, 425));
}

TEST_F(RenameDialog, PreviewTellsEachPhotosDateAndHowManyCameFromTheFileTime)
{
    Photo("a.jpg", 9);
    WriteFile(dir / "b.jpg", JpegBytes(""));  // no EXIF date: dated by its file time
    SetModified(dir / "b.jpg", 1147444200);
    items.FileNames.push_back("b.jpg");
    items.Selected.push_back(true);
    auto tips = [](const TForm3& d) {
        QStringList dates;
        for (int i = 0; i < d.ListView_prev->count(); ++i)
            dates << d.ListView_prev->item(i)->toolTip();
        return dates;
    };
    TForm3& d = Open();
    EXPECT_EQ(tips(d), (QStringList{"Date: 2006-05-12_09.00.00 (EXIF date of shooting)",
                                    "Date: 2006-05-12_14.30.00 (file time)"}));
    EXPECT_EQ(d.Label_FileTimes->text(), "1 of 2 dated by file time");
    EXPECT_FALSE(d.Label_FileTimes->isHidden());

    testenv::ResetSettings({{"Language", "FR"}, {"Patern", "Photo *"}});
    d.FormActivate();
    EXPECT_EQ(tips(d)[1], QString::fromUtf8("Date : 2006-05-12_14.30.00 (date du fichier)"));
    EXPECT_EQ(d.Label_FileTimes->text(), QString::fromUtf8("1 sur 2 datées par la date du fichier"));
    d.chk_prev->click();
    EXPECT_TRUE(d.Label_FileTimes->isHidden());

    std::filesystem::remove(dir / "b.jpg");
    items.FileNames.pop_back();
    items.Selected.pop_back();
    TForm3& allExif = Open();
    EXPECT_TRUE(allExif.Label_FileTimes->isHidden());
}

TEST_F(RenameDialog, CompanionsBoxIsOffUntilTickedThenEachCompanionShowsUnderItsPhoto)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    for (const char* name : {"a.CR2", "b.jpg.xmp", "Photo 2.jpg.xmp"})
        WriteFile(dir / name, name);
    TForm3& d = Open();
    EXPECT_EQ(d.chk_companions->text().simplified(), QString::fromUtf8("Rename companion files (RAW, XMP\u2026)"));
    EXPECT_FALSE(d.chk_companions->isChecked());
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Photo 1.jpg", "Photo 2.jpg"}));

    d.chk_companions->click();
    const QString arrow = QString::fromUtf8(" \u2192 ");
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Photo 1.jpg", "    a.CR2" + arrow + "Photo 1.CR2", "Photo 2.jpg",
                                            "    b.jpg.xmp" + arrow + "Photo 2.jpg.xmp"}));
    EXPECT_EQ(PreviewTips(d)[2], "\"Photo 2.jpg.xmp\": name already taken");
    EXPECT_EQ(PreviewTips(d)[3], "name already taken");
    EXPECT_EQ(d.ListView_prev->item(1)->toolTip(), "a.CR2" + arrow + "Photo 1.CR2");
    EXPECT_TRUE(d.ListView_prev->item(1)->icon().isNull());
    EXPECT_FALSE(d.ListView_prev->item(3)->icon().isNull());

    d.btt_ok->click();
    EXPECT_EQ(testenv::Stored("RenameCompanions"), "1");
    testenv::ResetSettings({{"Language", "FR"}, {"Patern", "Photo *"}, {"RenameCompanions", "1"}});
    TForm3& again = Open();
    EXPECT_TRUE(again.chk_companions->isChecked());
    EXPECT_EQ(again.chk_companions->text().simplified(),
              QString::fromUtf8("Renommer les fichiers associés (RAW, XMP\u2026)"));
}

TEST_F(RenameDialog, CaptionsFollowTheInterfaceLanguage)
{
    Photo("a.jpg", 9);
    testenv::ResetSettings({{"Language", "FR"}, {"Patern", "Photo *"}});
    TForm3& d = Open();
    EXPECT_EQ(d.GroupBox1->title(), "Assistant");
    EXPECT_EQ(d.Label1->text(), QString::fromUtf8("Préfixe :"));
    EXPECT_EQ(d.chk_Time->text(), "Heure");
    EXPECT_EQ(d.btt_ok->text(), "Renommer");
    EXPECT_EQ(d.btt_cancel->text(), "Annuler");
    EXPECT_EQ(d.Label3->text(), "( ? )");
    testenv::ResetSettings({{"Language", "EN"}});
    d.FormShow();
    EXPECT_EQ(d.Label2->text(), "Pattern");
    EXPECT_EQ(d.chk_prev->text(), "Preview filenames");
    EXPECT_EQ(d.Btt_genpatern->text().simplified(), "Generate filename pattern");
}

TEST_F(RenameDialog, GeneratingWithAnEmptyPrefixGivesNamesStartingWithABlank)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    TForm3& d = Open();
    d.Edit_Filename->clear();
    d.Btt_genpatern->click();
    EXPECT_EQ(d.Edit_Patern->text(), " *");
    EXPECT_EQ(PreviewTexts(d), (QStringList{" 1.jpg", " 2.jpg"}));

    d.Edit_Filename->setText("Trip");
    d.chk_Date->click();
    d.Btt_genpatern->click();
    EXPECT_EQ(d.Edit_Patern->text(), "Trip ?_*");
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Trip 2006-05-12_1.jpg", "Trip 2006-05-12_2.jpg"}));
}

TEST_F(RenameDialog, LeavingThePatternEditRecomputesOnlyAChangedPattern)
{
    Photo("a.jpg", 9);
    TForm3& d = Open();
    const int runs = d.PreviewRuns;
    d.Edit_PaternExit();
    EXPECT_EQ(d.PreviewRuns, runs);
    d.Edit_Patern->setText("Day ?-%");
    d.Edit_PaternExit();
    EXPECT_EQ(d.PreviewRuns, runs + 1);
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Day 2006-05-12-09.00.00.jpg"}));
}

TEST_F(RenameDialog, UntickedPreviewHidesTheListAndStopsRecomputing)
{
    Photo("a.jpg", 9);
    TForm3& d = Open();
    d.show();
    d.chk_prev->click();
    EXPECT_FALSE(d.ListView_prev->isVisible());
    const int runs = d.PreviewRuns;
    d.Edit_Patern->setText("Other *");
    d.Edit_PaternExit();
    d.Btt_genpatern->click();
    EXPECT_EQ(d.PreviewRuns, runs);
    d.chk_prev->click();
    EXPECT_TRUE(d.ListView_prev->isVisible());
    EXPECT_EQ(d.PreviewRuns, runs + 1);
    // Ticking it recomputes even when the pattern did not change.
    d.chk_prev->click();
    d.chk_prev->click();
    EXPECT_EQ(d.PreviewRuns, runs + 2);
}

TEST_F(RenameDialog, NoNamePatternShowsOneEmptyEntryPerSelectedPhoto)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10, false);
    Photo("c.jpg", 11);
    testenv::ResetSettings({{"Language", "EN"}, {"Patern", "only ?"}});
    TForm3& d = Open();
    EXPECT_EQ(PreviewTexts(d), (QStringList{"", ""}));
}

TEST_F(RenameDialog, WizardBoxesFollowTheirRules)
{
    Photo("a.jpg", 9);
    TForm3& d = Open();
    auto state = [&] {
        return std::string(d.chk_Date->isChecked() ? "D" : "") + (d.chk_Time->isChecked() ? "T" : "") +
               (d.chk_numerical->isChecked() ? "N" : "");
    };
    struct Case {
        const char* clicks;  // d, t, n: click Date, Time, Numerical
        const char* state;
    } cases[] = {
        {"", "N"},    {"d", "DN"},  {"dd", "N"},  {"t", "DT"},   {"n", "DT"},
        {"tt", "DN"}, {"tn", "DN"}, {"td", "N"},  {"dn", "DT"},  {"tnt", "DT"},
    };
    for (const auto& c : cases) {
        d.chk_Date->setChecked(false);
        d.chk_Time->setChecked(false);
        d.chk_numerical->setChecked(true);
        for (const char* k = c.clicks; *k; ++k)
            (*k == 'd' ? d.chk_Date : *k == 't' ? d.chk_Time : d.chk_numerical)->click();
        EXPECT_EQ(state(), c.state) << "clicks " << c.clicks;
    }
}

TEST_F(RenameDialog, EveryReachableWizardStateGeneratesAPattern)
{
    Photo("a.jpg", 9);
    TForm3& d = Open();
    auto set = [&](const std::string& s) {
        d.chk_Date->setChecked(s.find('D') != std::string::npos);
        d.chk_Time->setChecked(s.find('T') != std::string::npos);
        d.chk_numerical->setChecked(s.find('N') != std::string::npos);
    };
    auto state = [&] {
        return std::string(d.chk_Date->isChecked() ? "D" : "") + (d.chk_Time->isChecked() ? "T" : "") +
               (d.chk_numerical->isChecked() ? "N" : "");
    };
    std::set<std::string> seen = {"N"}, todo = {"N"};
    while (!todo.empty()) {
        const std::string from = *todo.begin();
        todo.erase(todo.begin());
        for (QCheckBox* box : {d.chk_Date, d.chk_Time, d.chk_numerical}) {
            set(from);
            box->click();
            if (seen.insert(state()).second)
                todo.insert(state());
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{"N", "DN", "DT"}));
    for (const std::string& s : seen) {
        set(s);
        d.Btt_genpatern->click();
        EXPECT_NE(d.Edit_Patern->text(), "erreur") << s;
    }
    set("");
    d.Btt_genpatern->click();
    EXPECT_EQ(d.Edit_Patern->text(), "erreur");
}

TEST_F(RenameDialog, RenameStoresThePatternEvenWithoutNamesCancelKeepsIt)
{
    Photo("a.jpg", 9);
    TForm3& d = Open();
    d.Edit_Patern->setText("typed but cancelled *");
    d.btt_cancel->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(testenv::Stored("Patern"), "Photo *");

    TForm3& again = Open();
    again.Edit_Patern->setText("no placeholder");
    again.btt_ok->click();
    EXPECT_EQ(again.result(), TForm3::mrRename);
    EXPECT_EQ(testenv::Stored("Patern"), "no placeholder");
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
}

TEST_F(RenameDialog, PreviewMarksNamesTheBatchWillNotGetWithoutChangingThem)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 9);        // same shooting time as a.jpg
    Photo("c.jpg", 10);
    WriteFile(dir / "Day 2006-05-12-10.00.00.jpg", "someone else's");
    testenv::ResetSettings({{"Language", "EN"}, {"Patern", "Day ?-%"}});
    TForm3& d = Open();
    EXPECT_EQ(PreviewTexts(d), (QStringList{"Day 2006-05-12-09.00.00.jpg", "Day 2006-05-12-09.00.00.jpg",
                                             "Day 2006-05-12-10.00.00.jpg"}));
    EXPECT_EQ(PreviewTips(d), (QStringList{"", "same name as photo a.jpg", "name already taken"}));
    EXPECT_TRUE(d.ListView_prev->item(0)->icon().isNull());
    EXPECT_FALSE(d.ListView_prev->item(1)->icon().isNull());

    testenv::ResetSettings({{"Language", "FR"}, {"Patern", "Day ?-%"}});
    d.FormActivate();
    EXPECT_EQ(PreviewTips(d)[2], QString::fromUtf8("nom déjà pris"));
}

TEST_F(RenameDialog, PreviewMarksNamesThatLeaveTheFolderHideOrHoldControlBytes)
{
    Photo("a.jpg", 9);
    const struct {
        const char* pattern;
        const char* english;
        const char* french;
    } cases[] = {
        {"../Photo *", "a name cannot hold \"/\"", "un nom ne peut pas contenir « / »"},
        {".Photo *", "a name cannot start with \".\"", "un nom ne peut pas commencer par « . »"},
        {"Photo\x1b *", "a name cannot hold control characters",
         "un nom ne peut pas contenir de caractères de contrôle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        testenv::ResetSettings({{"Language", "EN"}, {"Patern", QString::fromUtf8(c.pattern)}});
        TForm3& d = Open();
        EXPECT_EQ(PreviewTips(d), (QStringList{c.english}));
        EXPECT_FALSE(d.ListView_prev->item(0)->icon().isNull());

        testenv::ResetSettings({{"Language", "FR"}, {"Patern", QString::fromUtf8(c.pattern)}});
        d.FormActivate();
        EXPECT_EQ(PreviewTips(d), (QStringList{QString::fromUtf8(c.french)}));
    }
}

TEST_F(RenameDialog, ComingBackFromAnotherProgramIsNoActivationButFromAnotherWindowIs)
{
    Photo("a.jpg", 9);
    dialog = std::make_unique<TForm3>(items, dir.Path(), true);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    testenv::ProcessEvents(5);
    ASSERT_EQ(dialog->PreviewRuns, 1);
    dialog->Edit_Patern->setText("Typed *");
    QApplication::setActiveWindow(nullptr);  // another program is activated
    QApplication::setActiveWindow(dialog.get());
    testenv::ProcessEvents(5);
    EXPECT_EQ(dialog->Edit_Patern->text(), "Typed *");
    EXPECT_EQ(dialog->PreviewRuns, 1);
    QWidget other;
    other.show();
    testenv::ProcessEvents(5);
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(dialog.get());
    testenv::ProcessEvents(5);
    EXPECT_EQ(dialog->Edit_Patern->text(), "Photo *");
    EXPECT_EQ(dialog->PreviewRuns, 2);
}

TEST_F(RenameDialog, UnreadablePhotoEndsThePreviewWithItsErrorShown)
{
    Photo("a.jpg", 9);
    WriteFile(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE1", 4));
    items.FileNames.push_back("broken.jpg");
    items.Selected.push_back(true);
    QStringList errors;
    testenv::TModalWatcher watcher([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            errors << box->text();
            box->done(QMessageBox::Ok);
            return true;
        }
        return false;
    });
    dialog = std::make_unique<TForm3>(items, dir.Path(), true);
    dialog->FormActivate();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("broken.jpg")) << errors[0].toStdString();
    EXPECT_EQ(dialog->ListView_prev->count(), 0);
    // Without EXIF the file time serves.
    dialog = std::make_unique<TForm3>(items, dir.Path(), false);
    dialog->FormActivate();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(dialog->ListView_prev->count(), 2);
}

// ---- the Rename command of the main window ------------------------------------------------

namespace {

// Records the status bar's text every time it is painted.
class StatusRecorder : public QObject {
public:
    explicit StatusRecorder(TForm1& form) : form_(form) { form.StatusBar1->installEventFilter(this); }
    ~StatusRecorder() override { form_.StatusBar1->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != form_.StatusText()))
            texts << form_.StatusText();
        return false;
    }
    QStringList texts;

private:
    TForm1& form_;
};

class RenameCommand : public RenameDialog {
protected:
    void TearDown() override { form.reset(); }

    TForm1& ShowWindow()
    {
        form = std::make_unique<TForm1>(QStringList{QString::fromStdString(dir.Path())});
        form->show();
        while (!form->Activated())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form->ShellTreeView1->SetPath(QString::fromStdString(dir.Path()));
        form->ShellTreeView1->FlushChange();
        testenv::ProcessEvents(5);
        form->ReloadFolder();
        return *form;
    }
    void Select(std::initializer_list<const char*> names)
    {
        for (int i = 0; i < form->PhotoCount(); ++i)
            form->ListView1->SetSelected(i, false);
        for (const char* name : names)
            for (int i = 0; i < form->PhotoCount(); ++i)
                if (form->FileNames[static_cast<std::size_t>(i)] == name)
                    form->ListView1->SetSelected(i, true);
        order = form->FileNames;
    }
    // Runs the command; `inDialog` acts on the dialog once its preview has
    // run and must close it. Message boxes are closed and their texts kept.
    void Run(const std::function<void(TForm3&)>& inDialog)
    {
        testenv::TModalWatcher watcher([&](QWidget* w) {
            if (auto* d = qobject_cast<TForm3*>(w)) {
                if (d->PreviewRuns == 0)
                    return false;
                previewed = PreviewTexts(*d);
                inDialog(*d);
                return true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                messages << box->text();
                box->done(QMessageBox::Ok);
                return true;
            }
            return false;
        });
        form->A_renameExecute();
        testenv::ProcessEvents(5);
    }
    // The preview's texts as the list order gives them.
    QStringList InListOrder(const std::map<std::string, QString>& newNames) const
    {
        QStringList texts;
        for (const std::string& name : order)
            if (newNames.count(name))
                texts << newNames.at(name);
        return texts;
    }
    std::unique_ptr<TForm1> form;
    std::vector<std::string> order;  // the list when the photos were selected
    QStringList previewed, messages;
};

} // namespace

TEST_F(RenameCommand, RenamesTheSelectedPhotosInShootingOrderAndReloads)
{
    Photo("x.JPG", 11);
    Photo("y.jpg", 9);
    Photo("z.jpg", 10);
    Photo("keep.jpg", 8);
    TForm1& w = ShowWindow();
    Select({"x.JPG", "y.jpg", "z.jpg"});
    StatusRecorder status(w);
    Run([](TForm3& d) {
        d.Edit_Patern->setText("Trip *");
        d.btt_ok->click();
    });
    for (const char* text : {"1/3 - Get dates", "3/3 - Get dates", "3/3 - Sort numerical order", "1/3 - Rename files",
                             "3/3 - Rename files"})
        EXPECT_TRUE(status.texts.contains(text)) << text << " in " << status.texts.join(" | ").toStdString();
    EXPECT_FALSE(status.texts.join("|").contains("Sort Same date")) << "no same-day step without '?'";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg", "Trip 3.jpg", "keep.jpg"}));
    EXPECT_EQ(ReadFile(dir / "Trip 3.jpg"), JpegBytes("2006:05:12 11:00:00", "x.JPG"));
    EXPECT_EQ(testenv::Stored("Patern"), "Trip *");
    std::vector<std::string> listed = w.FileNames;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, Listing(dir.Path()));
    EXPECT_EQ(w.ProgressBar1->value(), 0);
}

TEST_F(RenameCommand, TickedCompanionsFollowTheirPhotosAndTheStatusBarCountsThem)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    for (const char* name : {"a.CR2", "A.JPG.XMP", "b.wav"})
        WriteFile(dir / name, name);
    TForm1& w = ShowWindow();
    Select({"a.jpg", "b.jpg"});
    Run([](TForm3& d) {
        d.chk_companions->click();
        d.btt_ok->click();
    });
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"Photo 1.CR2", "Photo 1.jpg", "Photo 1.jpg.XMP",
                                                             "Photo 2.jpg", "Photo 2.wav"}));
    EXPECT_EQ(w.StatusText(), "3 companions moved");
}

TEST_F(RenameCommand, CancelLeavesTheFolderAndTheSettingsUntouched)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    TForm1& w = ShowWindow();
    Select({"a.jpg", "b.jpg"});
    const QString settings = [] {
        QFile f(platform::TRegistry::FileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }();
    Run([](TForm3& d) {
        d.Edit_Patern->setText("Changed *");
        d.Edit_PaternExit();
        d.btt_cancel->click();
    });
    EXPECT_EQ(previewed, InListOrder({{"a.jpg", "Photo 1.jpg"}, {"b.jpg", "Photo 2.jpg"}}));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    QFile f(platform::TRegistry::FileName());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), settings);
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_EQ(w.ListView1->SelectedCount(), 2);
}

TEST_F(RenameCommand, NameTakenAfterThePreviewIsNeverOverwrittenAndIsReported)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    testenv::ResetSettings({{"Language", "FR"}, {"Patern", "Photo *"}});
    TForm1& w = ShowWindow();
    Select({"a.jpg", "b.jpg"});
    StatusRecorder status(w);
    Run([&](TForm3& d) {
        // Another program takes a's new name while the dialog is open.
        WriteFile(dir / "Photo 1.jpg", "someone else's file");
        d.btt_ok->click();
    });
    EXPECT_EQ(previewed, InListOrder({{"a.jpg", "Photo 1.jpg"}, {"b.jpg", "Photo 2.jpg"}}));
    EXPECT_EQ(ReadFile(dir / "Photo 1.jpg"), "someone else's file");
    EXPECT_EQ(ReadFile(dir / "a.jpg"), JpegBytes("2006:05:12 09:00:00", "a.jpg"));
    EXPECT_TRUE(Exists(dir / "Photo 2.jpg"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QString::fromUtf8("Ces photos ont gardé leur nom :"))) << messages[0].toStdString();
    EXPECT_TRUE(status.texts.contains(QString::fromUtf8("2/2 - Récupère les dates")));
    EXPECT_TRUE(status.texts.contains("2/2 - Renomme les fichiers"));
    EXPECT_TRUE(messages[0].contains("a.jpg -> Photo 1.jpg: File exists")) << messages[0].toStdString();
    EXPECT_FALSE(messages[0].contains("b.jpg"));
}

TEST_F(RenameCommand, RefusedNameIsReportedInTheInterfaceLanguage)
{
    Photo("a.jpg", 9);
    ShowWindow();
    const struct {
        const char* pattern;
        const char* line;
    } cases[] = {
        {".Photo *", "a.jpg -> .Photo 1.jpg: un nom ne peut pas commencer par « . »"},
        {"sub/Photo *", "a.jpg -> sub/Photo 1.jpg: un nom ne peut pas contenir « / »"},
    };
    for (const auto& c : cases) {
        testenv::ResetSettings({{"Language", "FR"}, {"Patern", c.pattern}});
        Select({"a.jpg"});
        messages.clear();
        Run([](TForm3& d) { d.btt_ok->click(); });
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg"}));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(c.line))) << messages[0].toStdString();
    }
}

TEST_F(RenameCommand, UnreadablePhotoStopsTheBatchBeforeAnyRename)
{
    Photo("a.jpg", 9);
    ShowWindow();
    WriteFile(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE1", 4));
    form->ReloadFolder();
    Select({"a.jpg", "broken.jpg"});
    // The dialog's own preview fails first and shows the error; Rename then
    // stores the pattern, and the batch fails on the same photo.
    Run([](TForm3& d) {
        d.Edit_Patern->setText("New *");
        d.btt_ok->click();
    });
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.jpg", "broken.jpg"}));
    EXPECT_EQ(testenv::Stored("Patern"), "New *");
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.back().contains("broken.jpg")) << messages.back().toStdString();
}

// Right after a click in the folder tree, the tree already names the new
// folder while the list still shows the old one, for the moment before the
// delayed reload. A rename started then must rename the photos the user
// selected, never same-named files of the folder just clicked.
TEST_F(RenameCommand, RenameStartedBeforeTheDelayedReloadKeepsToTheListedFolder)
{
    Photo("a.jpg", 9);
    Photo("b.jpg", 10);
    ScratchFolder other;
    WriteFile(other / "a.jpg", JpegBytes("2007:01:01 09:00:00", "other a"));
    WriteFile(other / "b.jpg", JpegBytes("2007:01:01 10:00:00", "other b"));
    ShowWindow();
    Select({"a.jpg", "b.jpg"});
    form->ShellTreeView1->SetPath(QString::fromStdString(other.Path()));
    ASSERT_TRUE(form->ShellTreeView1->ChangePending());
    Run([](TForm3& d) {
        d.Edit_Patern->setText("Trip *");
        d.btt_ok->click();
    });
    EXPECT_EQ(previewed, InListOrder({{"a.jpg", "Photo 1.jpg"}, {"b.jpg", "Photo 2.jpg"}}));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg"}));
    EXPECT_EQ(Listing(other.Path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
}

// ---- Undo Rename and the batch cut short ------------------------------------------------

namespace {

class RenameRecovery : public RenameCommand {
protected:
    void SetUp() override
    {
        RenameCommand::SetUp();
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            Photo(name, 9 + static_cast<int>(items.FileNames.size()));
    }
    // Answers the question about a batch cut short with the button named
    // `answer`; other windows are closed. Their texts are kept.
    void Watch(const char* answer)
    {
        watcher = std::make_unique<testenv::TModalWatcher>([this, answer](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->objectName() == "InterruptedRename") {
                questions << box->text();
                for (QAbstractButton* b : box->buttons())
                    questions << b->text();
                box->findChild<QPushButton*>(answer)->click();
            } else {
                messages << (box ? box->text() : w->objectName());
                w->close();
            }
        });
    }
    std::unique_ptr<testenv::TModalWatcher> watcher;
    QStringList questions;
};

} // namespace

TEST_F(RenameRecovery, UndoFollowsTheFolderShownAndUndoesItsLastBatchTellingWhatItLeftAlone)
{
    TForm1& w = ShowWindow();
    EXPECT_FALSE(w.A_undo->isEnabled());
    Select({"a.jpg", "b.jpg", "c.jpg"});
    Run([](TForm3& d) { d.btt_ok->click(); });
    EXPECT_TRUE(w.A_undo->isEnabled());
    ScratchFolder other;
    for (const std::string& shown : {other.Path(), dir.Path()}) {
        w.ShellTreeView1->SetPath(QString::fromStdString(shown));
        w.ShellTreeView1->FlushChange();
        EXPECT_EQ(w.A_undo->isEnabled(), shown == dir.Path());
    }

    ASSERT_EQ(rename((dir / "Photo 2.jpg").c_str(), (dir / "mine.jpg").c_str()), 0);
    Watch("");
    w.MenuItems[0][3]->trigger();
    EXPECT_EQ(w.FileNames, (std::vector<std::string>{"a.jpg", "c.jpg", "mine.jpg"}));
    EXPECT_EQ(ReadFile(dir / "c.jpg"), JpegBytes("2006:05:12 11:00:00", "c.jpg"));
    EXPECT_EQ(messages, QStringList{LoadLangString(sidLeftAlone) + "\nPhoto 2.jpg"});
    EXPECT_FALSE(w.A_undo->isEnabled());
}

// While another program renames in the folder, the question asked at its
// display, Rename and Undo Rename say so and change nothing.
TEST_F(RenameRecovery, RenameInProgressElsewhereIsToldAndNothingChanges)
{
    ShowWindow();
    Select({"a.jpg", "b.jpg", "c.jpg"});
    Run([](TForm3& d) { d.btt_ok->click(); });
    const int fd = open((dir / ".quistelor-rename-lock").c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);

    Watch("");
    form.reset();
    TForm1& w = ShowWindow();
    w.ReloadFolder();
    EXPECT_FALSE(w.A_undo->isEnabled());
    Select({"Photo 1.jpg"});
    form->A_renameExecute();
    form->A_undoExecute();
    const QString told = LoadLangString(sidRenameInProgress).arg(QString::fromStdString(dir.Path()));
    EXPECT_EQ(messages, (QStringList{told, told, told}));
    close(fd);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"Photo 1.jpg", "Photo 2.jpg", "Photo 3.jpg"}));
}

// A batch cut short after two of its three renames is asked about once per
// folder display, in the interface language, and settled as answered.
TEST_F(RenameRecovery, BatchCutShortIsAskedAboutOnceAndAgainAtRenameThenSettledAsAnswered)
{
    const struct {
        const char* answer;
        const char* language;
        const char* texts;  // the menu caption, the question's first lines and the buttons
        std::vector<std::string> names;
    } cases[] = {
        {"Undo", "FR", "Annuler le renommage\tCtrl+Z|Le dernier renommage dans « %1 » a été interrompu.\n"
         "Renommages effectués : 2 sur 3.|Terminer|Défaire|Plus tard", {"a.jpg", "b.jpg", "c.jpg"}},
        {"Finish", "EN", "Undo Rename\tCtrl+Z|The last rename in \"%1\" was interrupted.\nRenames done: 2 of 3.|Finish|Undo|Later",
         {"P 1.jpg", "P 2.jpg", "P 3.jpg"}},
        {"Later", "EN", nullptr, {"P 1.jpg", "P 2.jpg", "c.jpg"}},
    };
    ShowWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        testenv::ResetSettings({{"Language", c.language}, {"Patern", "P *"}});
        watcher.reset();
        Select({"a.jpg", "b.jpg", "c.jpg"});
        Run([](TForm3& d) { d.btt_ok->click(); });
        // The batch as a crash after its second rename leaves it: no completion mark.
        const std::string journal = LatestJournal(dir.Path()).Path;
        const std::string text = ReadFile(journal);
        WriteFile(journal, text.substr(0, text.size() - 5));
        ASSERT_EQ(rename((dir / "P 3.jpg").c_str(), (dir / "c.jpg").c_str()), 0);

        questions.clear();
        Watch(c.answer);
        form.reset();
        TForm1& w = ShowWindow();
        w.ReloadFolder();
        ASSERT_EQ(questions.size(), 4);
        if (c.texts) {
            QStringList expected = QString::fromUtf8(c.texts).split('|');
            EXPECT_EQ(w.MenuItems[0][3]->text(), expected.takeFirst());
            EXPECT_TRUE(questions[0].startsWith(expected.takeFirst().arg(QString::fromStdString(dir.Path()))))
                << questions[0].toStdString();
            QStringList buttons = questions.mid(1);
            buttons.sort();
            expected.sort();
            EXPECT_EQ(buttons, expected) << "the buttons, in any order";
        }
        EXPECT_EQ(Listing(dir.Path()), c.names);
        EXPECT_EQ(w.A_undo->isEnabled(), c.names[2] == "P 3.jpg");
        if (w.A_undo->isEnabled())
            w.A_undo->trigger();  // the next case starts from a, b and c again
    }
    // Later changed nothing, and Rename asks again instead of opening its dialog.
    Select({"a.jpg", "P 1.jpg"});
    form->A_renameExecute();
    EXPECT_EQ(questions.size(), 8);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(Listing(dir.Path()), cases[2].names);
}
