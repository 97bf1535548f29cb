#include "rename/ui/MainWindowRename.h"

#include "platform/qt/FileName.h"
#include "platform/qt/MessageBox.h"
#include "platform/qt/Registry.h"
#include "rename/BatchRename.h"
#include "rename/RenameJournal.h"
#include "rename/ui/RenameDialog.h"
#include "rename/ui/RenameRecovery.h"
#include "ui/Application.h"
#include "ui/InterfaceLanguage.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"

#include <QMessageBox>
#include <QStringList>

#include <algorithm>
#include <exception>

namespace {

// String-table ids of the steps' progress texts.
TStringId StepTextId(RenameStep step)
{
    static constexpr TStringId ids[] = {sidGetDates, sidSortNumericalOrder, sidSortSameDate, sidRenameFiles};
    static_assert(rsGetDates == 0 && rsRenameFiles == 3, "ids follow the step order");
    return ids[step];
}

// How many companions have their new names.
int MovedCompanions(const std::vector<RenameOutcome>& outcomes)
{
    int moved = 0;
    for (const RenameOutcome& o : outcomes)
        for (const RenameOutcome& c : o.Companions)
            moved += c.Result == rrRenamed ? 1 : 0;
    return moved;
}

} // namespace

void RenameSelectedPhotos(TRenameHost& host)
{
    // A batch cut short in this folder is settled first (or left for later);
    // either way no new batch starts now.
    if (!AskAboutInterruptedRename(host))
        return;

    // The dialog, on the photo list as it stands.
    const PhotoListItems items = host.Photos();
    const std::string folder = host.PhotoFolder();
    const bool useExif = host.UseExif();
    {
        TForm3 dialog(items, folder, useExif, host.Owner());
        if (dialog.exec() != TForm3::mrRename) {
            host.SetProgressPosition(0);
            return;
        }
    }

    // One progress display for every step: 0..n over the selected photos.
    const int n = items.SelectedCount();
    host.SetProgressPosition(0);
    host.SetProgressMaximum(n);
    // The step's text is looked up once per step: the language cannot change
    // while the command holds the window.
    int textStep = -1;
    QString stepText;
    const RenameProgress progress = [&](RenameStep step, int position, int) {
        if (textStep != step) {
            textStep = step;
            stepText = LoadLangString(StepTextId(step));
        }
        host.SetProgressPosition(std::min(position, n));
        host.ShowProgressText(QString::number(position) + QLatin1Char('/') + QString::number(n) +
                              QStringLiteral(" - ") + stepText);
    };

    // Date keys. A photo that cannot be read ends the command here, before
    // anything is renamed.
    photarrtyp photos;
    try {
        ComputeDateKeys(photos, items, folder, useExif, progress);
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
        return;
    }

    // The pattern the dialog has just stored.
    platform::TRegistry reg;
    QString patternText;
    // Companions, when the dialog's box asks for them, from one listing of
    // the folder made now, after the dialog.
    CompanionLists companions;
    try {
        reg.OpenKey(true);
        patternText = ReadStringSetting(reg, siPatern);
        if (ReadIntegerSetting(reg, siRenameCompanions) != 0)
            companions = ListCompanions(folder, items.FileNames, items.Selected);
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
        return;
    }
    const std::string pattern = platform::EncodeFileName(patternText);
    host.SetProgressPosition(0);

    // Ranking, then same-day numbering, give the names; each of the two
    // steps starts its bar from 0.
    const auto names = NamesFromDateKeys(photos, items.Selected, pattern, [&](RenameStep step, int position, int max) {
        if (position == 1)
            host.SetProgressPosition(0);
        progress(step, position, max);
    });

    // The renames: one photo at a time, in list order, never replacing a file.
    host.SetProgressPosition(0);
    // Journaled, so that the batch can be undone or, when cut short, finished
    // or undone; a folder with an interrupted or damaged journal gets none.
    JournalRun run;
    try {
        run = JournaledRename(folder, pattern, photos, items.Selected, names, progress, {}, companions);
    } catch (const EJournalError& e) {
        host.SetProgressPosition(0);
        if (!TellRenameRefused(host, e))
            TApplication::ShowException(e);
        return;
    }

    // The pattern is kept for the next batch and the list shows the new names.
    try {
        WriteStringSetting(reg, siPatern, patternText);
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
    }
    host.ReloadPhotos();
    reg.CloseKey();
    host.SetProgressPosition(0);
    if (!companions.empty())
        host.ShowProgressText(LoadLangString(sidCompanionsMoved).arg(MovedCompanions(run.Outcomes)));

    ReportOutcomes(host, run.Outcomes);
    ReportJournalRun(host, run);
}

void ReportOutcomes(TRenameHost& host, const std::vector<RenameOutcome>& outcomes)
{
    // Photos that kept their names, with the system's reason, then photos
    // left alone because they changed since the batch.
    QStringList failed, gone;
    auto tell = [&](const RenameOutcome& o) {
        if (o.Result == rrFailed) {
            QString reason = o.Fault != nfNone ? LoadLangString(NameFaultTextId(o.Fault))
                                               : QString::fromLocal8Bit(o.OwnReason().c_str());
            if (!o.InTheWay.empty())
                reason = QLatin1Char('"') + platform::DecodeFileName(o.InTheWay) + QStringLiteral("\": ") + reason;
            failed << platform::DecodeFileName(o.OldName) + QStringLiteral(" -> ") +
                          platform::DecodeFileName(o.NewName) + QStringLiteral(": ") + reason;
        } else if (o.Result == rrSkipped && (o.Skip == srGone || o.Skip == srNotThePhoto)) {
            gone << platform::DecodeFileName(o.OldName);
        }
    };
    for (const RenameOutcome& o : outcomes) {
        tell(o);
        // A group that stayed is told by its photo; a companion is told by
        // itself only when its photo moved.
        if (o.Result != rrFailed)
            for (const RenameOutcome& c : o.Companions)
                tell(c);
    }
    if (failed.isEmpty() && gone.isEmpty())
        return;
    // A long list goes into the box's details, so the box fits the screen.
    constexpr qsizetype kShown = 20;
    QString shown, all;
    qsizetype listed = 0;
    for (const auto& [heading, lines] : {std::pair{sidKeptTheirNames, failed}, std::pair{sidLeftAlone, gone}}) {
        if (lines.isEmpty())
            continue;
        if (!shown.isEmpty())
            shown += QStringLiteral("\n\n");
        shown += LoadLangString(heading);
        all += LoadLangString(heading) + QLatin1Char('\n');
        for (const QString& line : lines) {
            all += line + QLatin1Char('\n');
            if (listed++ < kShown)
                shown += QLatin1Char('\n') + line;
        }
    }
    if (listed > kShown)
        shown += QStringLiteral("\n...");
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quistelor"), shown, QMessageBox::Ok, host.Owner());
    box.setObjectName(QStringLiteral("RenameFailures"));
    if (listed > kShown)
        box.setDetailedText(all);
    platform::qt::ExecMessageBox(box);
}
