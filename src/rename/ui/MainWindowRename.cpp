// The main window's Rename command: the rename dialog, then the batch rename
// of the selected photos by the stored pattern, with progress in the status
// bar, and the folder reload.

#include "ui/Application.h"
#include "main/StatusBar.h"
#include "main/MainWindow.h"
#include "ui/InterfaceLanguage.h"
#include "platform/qt/Registry.h"
#include "rename/BatchRename.h"
#include "rename/NamePattern.h"
#include "rename/ui/RenameDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>

#include <exception>

namespace {

// String-table ids of the steps' progress texts.
int StepTextId(RenameStep step)
{
    static constexpr int ids[] = {13, 14, 15, 16};
    static_assert(rsGetDates == 0 && rsRenameFiles == 3, "ids follow the step order");
    return ids[step];
}

QString Decode(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

} // namespace

void TForm1::A_renameExecute()
{
    // 1. The dialog, on the photo list as it stands.
    PhotoListItems items;
    items.FileNames = FileNames;
    items.Selected.assign(FileNames.size(), false);
    for (int i : SelectedIndexes())
        if (i >= 0 && static_cast<std::size_t>(i) < items.Selected.size())
            items.Selected[static_cast<std::size_t>(i)] = true;
    const std::string folder = FileNamesFolder;
    const bool useExif = use_exif->isChecked();
    {
        TForm3 dialog(items, folder, useExif, this);
        if (dialog.exec() != TForm3::mrRename) {
            ProgressBar1->setValue(0);
            return;
        }
    }

    // 2.
    const int n = items.SelectedCount();
    ProgressBar1->setValue(0);
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(n);
    // The step's text is looked up once per step: the language cannot change
    // while the command holds the window.
    int textStep = -1;
    QString stepText;
    const RenameProgress progress = [&, this](RenameStep step, int position, int) {
        if (textStep != step) {
            textStep = step;
            stepText = LoadLangString(StepTextId(step));
        }
        ProgressBar1->setValue(std::min(position, ProgressBar1->maximum()));
        SetStatusText(QString::number(position) + QLatin1Char('/') + QString::number(ProgressBar1->maximum()) +
                      QStringLiteral(" - ") + stepText);
        ProgressBar1->repaint();
        StatusBar1->repaint();
    };

    // 3. Date keys. A photo that cannot be read ends the command here, before
    // anything is renamed.
    photarrtyp photos;
    try {
        ComputeDateKeys(photos, items, folder, useExif, progress);
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
        return;
    }

    // 4. The pattern the dialog has just stored.
    platform::TRegistry reg;
    QString patternText;
    try {
        reg.OpenKey(true);
        patternText = reg.ReadString(QStringLiteral("Patern"));
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
        return;
    }
    const std::string pattern = QFile::encodeName(patternText).toStdString();
    ProgressBar1->setValue(0);

    // 5. - 6. Ranking and same-day numbering; the names.
    const auto names = NamesFromDateKeys(photos, items.Selected, pattern, [&](RenameStep step, int position, int max) {
        if (position == 1)
            ProgressBar1->setValue(0);
        progress(step, position, max);
    });

    // 7. One photo at a time, in list order, never replacing a file.
    ProgressBar1->setValue(0);
    const std::vector<RenameOutcome> outcomes = RenamePhotos(folder, photos, items.Selected, names, progress);

    // 8.
    try {
        reg.WriteString(QStringLiteral("Patern"), patternText);
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
    }
    ReloadFolder();
    reg.CloseKey();
    ProgressBar1->setValue(0);

    // Photos that kept their names are told, with the system's reason.
    const std::vector<RenameOutcome> failed = FailedRenames(outcomes);
    if (!failed.empty()) {
        // A long list goes into the box's details, so the box fits the screen.
        constexpr std::size_t kShown = 20;
        QString shown, all;
        for (std::size_t k = 0; k < failed.size(); ++k) {
            const RenameOutcome& o = failed[k];
            const QString line = Decode(o.OldName) + QStringLiteral(" -> ") + Decode(o.NewName) +
                                 QStringLiteral(": ") + QString::fromLocal8Bit(o.Reason().c_str());
            all += line + QLatin1Char('\n');
            if (k < kShown)
                shown += QLatin1Char('\n') + line;
        }
        if (failed.size() > kShown)
            shown += QStringLiteral("\n...");
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quistelor"), LoadLangString(30) + shown,
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("RenameFailures"));
        if (failed.size() > kShown)
            box.setDetailedText(all);
        box.exec();
    }
}
