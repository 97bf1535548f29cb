#include "rename/ui/RenameRecovery.h"

#include "platform/qt/FileName.h"
#include "platform/qt/MessageBox.h"
#include "rename/RenameJournal.h"
#include "ui/Application.h"
#include "ui/InterfaceLanguage.h"
#include "ui/StringTable.h"

#include <QMessageBox>
#include <QPushButton>

#include <exception>
#include <optional>

namespace {

// The folder's newest journal; nullopt when the folder cannot be examined.
std::optional<TRenameJournal> Latest(const std::string& folder)
{
    try {
        return LatestJournal(folder);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void ShowBox(TRenameHost& host, QMessageBox::Icon icon, const char* name, const QString& text)
{
    QMessageBox box(icon, QStringLiteral("Quistelor"), text, QMessageBox::Ok, host.Owner());
    box.setObjectName(QString::fromLatin1(name));
    platform::qt::ExecMessageBox(box);
}

void TellInProgress(TRenameHost& host, const std::string& folder)
{
    ShowBox(host, QMessageBox::Information, "RenameInProgress",
            LoadLangString(sidRenameInProgress).arg(platform::DecodeFileName(folder)));
}

// Runs a pass over a batch with progress on the host, then reloads the
// folder and tells the photos left as they were, and a journal that could
// not be brought up to date.
template <class Pass>
void RunPass(TRenameHost& host, const TRenameJournal& journal, Pass pass)
{
    const int n = static_cast<int>(journal.Entries.size());
    const QString step = LoadLangString(sidRenameFiles);
    const std::string folder = host.PhotoFolder();
    host.SetProgressPosition(0);
    host.SetProgressMaximum(n);
    int position = 0;
    JournalRun run;
    try {
        run = pass(folder, journal, [&](const RenameOutcome&) {
            ++position;
            host.SetProgressPosition(position);
            host.ShowProgressText(QString::number(position) + QLatin1Char('/') + QString::number(n) +
                                  QStringLiteral(" - ") + step);
            return true;
        });
    } catch (const EJournalError& e) {
        host.SetProgressPosition(0);
        host.ReloadPhotos();
        if (e.kind() == EJournalError::jeBusy)
            TellInProgress(host, folder);
        else if (e.kind() != EJournalError::jeChanged)  // settled elsewhere: the reload shows how
            TApplication::ShowException(e);
        return;
    }
    host.ReloadPhotos();
    host.SetProgressPosition(0);
    ReportOutcomes(host, run.Outcomes);
    ReportJournalRun(host, run);
}

} // namespace

bool CanUndoRename(const std::string& folder)
{
    const auto journal = Latest(folder);
    return journal && journal->State == jsComplete;
}

void UndoLastRename(TRenameHost& host)
{
    const auto journal = Latest(host.PhotoFolder());
    if (journal && journal->State == jsBusy) {
        TellInProgress(host, host.PhotoFolder());
        return;
    }
    if (!journal || journal->State != jsComplete) {
        // Changed since the command was enabled: the reload shows how it is.
        host.ReloadPhotos();
        return;
    }
    RunPass(host, *journal, &UndoBatch);
}

bool AskAboutInterruptedRename(TRenameHost& host)
{
    const std::string folder = host.PhotoFolder();
    const auto journal = Latest(folder);
    if (!journal)
        return true;  // the batch itself says why the folder cannot be used
    const QString shownFolder = platform::DecodeFileName(folder);
    if (journal->State == jsDamaged) {
        ShowBox(host, QMessageBox::Warning, "DamagedJournal",
                LoadLangString(sidJournalDamaged)
                    .arg(shownFolder, QString::fromLocal8Bit(journal->Damage.c_str()),
                         platform::DecodeFileName(journal->Path)));
        return false;
    }
    if (journal->State == jsBusy) {
        TellInProgress(host, folder);
        return false;
    }
    if (journal->State != jsInterrupted)
        return true;

    QMessageBox box(QMessageBox::Question, QStringLiteral("Quistelor"),
                    LoadLangString(sidRenameInterrupted)
                        .arg(shownFolder, QString::number(DoneCount(folder, *journal)),
                             QString::number(journal->Entries.size())),
                    QMessageBox::NoButton, host.Owner());
    box.setObjectName(QStringLiteral("InterruptedRename"));
    QPushButton* finish = box.addButton(LoadLangString(sidFinish), QMessageBox::AcceptRole);
    QPushButton* undo = box.addButton(LoadLangString(sidUndo), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(LoadLangString(sidLater), QMessageBox::RejectRole);
    finish->setObjectName(QStringLiteral("Finish"));
    undo->setObjectName(QStringLiteral("Undo"));
    later->setObjectName(QStringLiteral("Later"));
    // Enter, Escape and the close button all mean "later": nothing changes
    // unless the user says what to do.
    box.setDefaultButton(later);
    box.setEscapeButton(later);
    platform::qt::ExecMessageBox(box);
    if (box.clickedButton() != finish && box.clickedButton() != undo)
        return false;

    // A batch settled elsewhere while the question was open is refused
    // (jeChanged) and the reload shows it.
    if (box.clickedButton() == finish)
        RunPass(host, *journal, &FinishBatch);
    else
        RunPass(host, *journal, &UndoBatch);
    return false;
}

void ReportJournalRun(TRenameHost&, const JournalRun& run)
{
    // Told in English with the system's reason, as the journal's other
    // write errors are.
    if (!run.MarkError.empty())
        TApplication::ShowException(QString::fromLocal8Bit(run.MarkError.c_str()));
}

bool TellRenameRefused(TRenameHost& host, const EJournalError& e)
{
    if (e.kind() != EJournalError::jeBusy)
        return false;
    TellInProgress(host, host.PhotoFolder());
    return true;
}
