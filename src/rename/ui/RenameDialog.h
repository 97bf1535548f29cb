#pragma once
// Classes: TForm3.
//
// The rename dialog: a small wizard that builds a name pattern, the pattern
// edit, and a live preview of the names the selected photos will get. On
// Rename it stores the pattern and closes with the result 80; it renames
// nothing itself.

#include "rename/BatchRename.h"
#include "rename/NamePattern.h"
#include "ui/StringTable.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The text of a refused name's fault, shown by the preview and by the
// batch's report alike.
TStringId NameFaultTextId(NameFault fault);

class TForm3 : public QDialog {
    Q_OBJECT
public:
    // The dialog's result when closed by its Rename button.
    static constexpr int mrRename = 80;

    // items: the photo list's file names and selection state; folder: the
    // photos' folder; useExif: the main window's "Use EXIF" box.
    TForm3(const PhotoListItems& items, const std::string& folder, bool useExif, QWidget* owner = nullptr);

    // ---- Controls -------------------------------------------------------
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit_Filename;
    QCheckBox* chk_Date;
    QLabel* Label3;
    QCheckBox* chk_Time;
    QLabel* Label4;
    QCheckBox* chk_numerical;
    QLabel* Label5;
    QPushButton* Btt_genpatern;
    QLabel* Label2;
    QLineEdit* Edit_Patern;
    QProgressBar* ProgressBar1;
    QCheckBox* chk_prev;
    QListWidget* ListView_prev;
    // How many photos of the preview were dated by their file time; hidden
    // when none was.
    QLabel* Label_FileTimes;
    // Whether companion files follow their photo; stored with the pattern.
    QCheckBox* chk_companions;
    QPushButton* btt_cancel;
    QPushButton* btt_ok;

    // ---- State ----------------------------------------------------------
    photarrtyp PreviewPhotos;
    QString LastPreviewPattern;
    // Why each list item's new name cannot be had, from the last preview.
    std::vector<CollisionMark> PreviewMarks;
    // Each list item's companions in the last preview; empty when not asked for.
    CompanionLists PreviewCompanions;
    // How many previews have run (a preview is a costly pass over the photos).
    int PreviewRuns = 0;

    // ---- Handlers -------------------------------------------------------
    void FormShow();
    void FormActivate();
    void preview();
    void Edit_PaternExit();
    void Btt_genpaternClick();
    void chk_DateClick();
    void chk_TimeClick();
    void chk_numericalClick();
    void chk_prevClick();
    void chk_companionsClick();
    void btt_okClick();
    void btt_cancelClick();

    // The text a marked preview item's tooltip shows.
    QString MarkText(const CollisionMark& mark) const;
    // The date a photo was numbered by and where it came from.
    static QString DateText(const PhotoType& photo);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sets a wizard box and, when that changes it, runs the box's own rule
    // as a click would.
    void SetBox(QCheckBox* box, bool checked);
    void SetProgress(int position, int maximum);
    void ShowError(const QString& message);

    PhotoListItems items_;
    std::string folder_;
    bool useExif_;
    int ruleDepth_ = 0;
    // Closing our own error box re-activates the dialog; that is no new
    // activation and must not run the preview (and its error) again.
    bool ignoreActivation_ = false;
    // The activation went to another program (see changeEvent).
    bool leftProgram_ = false;
};
