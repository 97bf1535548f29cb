#include "cli/JournalCommands.h"

#include "cli/Output.h"
#include "cli/RenameCommand.h"
#include "rename/RenameJournal.h"

#include <exception>
#include <optional>

namespace cli {

namespace {

// The folder's newest journal, when it is in one of the wanted states;
// otherwise says why on err.
std::optional<TRenameJournal> Journal(const char* command, const std::string& folder, JournalState wanted,
                                      std::ostream& err)
{
    const std::string head = std::string("quistelor-cli ") + command + ": ";
    const std::string where = "\"" + EscapeValue(folder) + "\"";
    TRenameJournal j;
    try {
        j = LatestJournal(folder);
    } catch (const std::exception& e) {
        err << head << "cannot read the folder " << where << ": " << ErrorLine(e) << '\n';
        return std::nullopt;
    }
    if (j.State == wanted)
        return j;
    switch (j.State) {
    case jsNone:
        err << head << "no rename in " << where << " is recorded\n";
        break;
    case jsUndone:
        err << head << "the last rename in " << where << " is already undone\n";
        break;
    case jsComplete:
        err << head << "the last rename in " << where << " was not interrupted; nothing to recover\n";
        break;
    case jsInterrupted:
        err << head << "the last rename in " << where << " was interrupted after "
            << DoneCount(folder, j) << " of " << j.Entries.size() << " renames\n"
            << "Run 'quistelor-cli recover " << ShellWord(folder)
            << " --finish' to finish it, or '--undo' to undo what it did.\n";
        break;
    case jsBusy:
        err << head << "a rename is in progress in " << where
            << " (a batch, an undo or a recovery); nothing was touched\n";
        break;
    case jsDamaged:
        err << head << "the rename journal \"" << EscapeValue(j.Path) << "\" is damaged ("
            << EscapeValue(j.Damage) << "); it is left alone and nothing was renamed\n";
        break;
    }
    return std::nullopt;
}

// Runs pass (undo or finish) over the journal read, with its report.
template <class Pass>
int RunPass(const char* command, const std::string& folder, const TRenameJournal& journal, Pass pass,
            std::ostream& out, std::ostream& err)
{
    OutcomeReport report(command, out, err);
    JournalRun run;
    try {
        run = pass(folder, journal, report.Printer());
    } catch (const EJournalError& e) {
        err << "quistelor-cli " << command << ": " << EscapeValue(e.what()) << '\n';
        return 2;
    }
    return report.Status(run.Outcomes, run.MarkError);
}

} // namespace

int UndoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        err << "Usage: quistelor-cli undo FOLDER\n";
        return 2;
    }
    const auto j = Journal("undo", args[0], jsComplete, err);
    if (!j)
        return 2;
    return RunPass("undo", args[0], *j, &UndoBatch, out, err);
}

int RecoverCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string folder, how;
    for (const std::string& a : args) {
        if (a == "--finish" || a == "--undo")
            how = how.empty() ? a : "both";
        else if (folder.empty() && !a.empty() && a[0] != '-')
            folder = a;
        else
            how = "both";
    }
    if (folder.empty() || how.empty() || how == "both") {
        err << "Usage: quistelor-cli recover FOLDER --finish|--undo\n";
        return 2;
    }
    const auto j = Journal("recover", folder, jsInterrupted, err);
    if (!j)
        return 2;
    return RunPass("recover", folder, *j, how == "--finish" ? &FinishBatch : &UndoBatch, out, err);
}

} // namespace cli
