#include "cli/RenameCommand.h"

#include "cli/Output.h"
#include "platform/FindFiles.h"
#include "rename/Companions.h"
#include "rename/BatchRename.h"
#include "rename/NamePattern.h"
#include "rename/RenameJournal.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <string_view>
#include <optional>
#include <unordered_map>

namespace cli {

namespace {

struct Request {
    bool useExif = true;
    bool dates = false;  // preview: the date used and its source
    bool companions = false;
    std::string pattern;
    std::string folder;
    std::vector<std::string> names;
};

struct Prepared {
    PhotoListItems items;
    photarrtyp photos;
    std::vector<std::optional<std::string>> newNames;
    CompanionLists companions;  // empty without --companions
};

// The options each command takes, with the field they set.
struct Option {
    const char* name;
    bool forRename;
    bool Request::*field;
    bool value;
};
constexpr Option kOptions[] = {
    {"--no-exif", true, &Request::useExif, false},
    {"--dates", false, &Request::dates, true},
    {"--companions", true, &Request::companions, true},
};

std::optional<Request> ParseArguments(const char* command, const std::vector<std::string>& args, std::ostream& err)
{
    const bool rename = std::string_view(command) == "rename";
    Request r;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            ++i;
            break;
        }
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions), [&](const Option& o) {
            return a == o.name && (o.forRename || !rename);
        });
        if (option != std::end(kOptions)) {
            r.*option->field = option->value;
            continue;
        }
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            err << "quistelor-cli " << command << ": unknown option '" << EscapeValue(a) << "'\n";
            return std::nullopt;
        }
        break;
    }
    if (args.size() - i < 2 || args[i + 1].empty()) {
        err << "Usage: quistelor-cli " << command << ' ' << (rename ? kRenameUsage : kPreviewUsage) << '\n';
        return std::nullopt;
    }
    r.pattern = args[i];
    r.folder = args[i + 1];
    r.names.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 2), args.end());
    if (PatternFormOf(r.pattern) == pfNoNames) {
        err << "quistelor-cli " << command << ": the pattern \"" << EscapeValue(r.pattern)
            << "\" gives no names: it needs '*' alone, '?' with '%', or '?' with '*'\n";
        return std::nullopt;
    }
    return r;
}

// The folder's list, the selection, the date keys and the new names. Any
// error is reported here and ends the command before anything is renamed.
std::optional<Prepared> Prepare(const char* command, const Request& r, std::ostream& err)
{
    Prepared p;
    auto folderError = [&](const std::exception& e) {
        err << "quistelor-cli " << command << ": cannot read the folder \"" << EscapeValue(r.folder)
            << "\": " << ErrorLine(e) << '\n';
        return std::nullopt;
    };
    try {
        p.items.FileNames = platform::FindFiles(r.folder, "*.jpg");
    } catch (const std::exception& e) {
        return folderError(e);
    }
    if (r.names.empty()) {
        p.items.Selected.assign(p.items.Count(), true);
    } else {
        p.items.Selected.assign(p.items.Count(), false);
        std::unordered_map<std::string, std::size_t> index;
        for (std::size_t i = 0; i < p.items.Count(); ++i)
            index.emplace(p.items.FileNames[i], i);
        for (const std::string& name : r.names) {
            const auto it = index.find(name);
            if (it == index.end()) {
                err << "quistelor-cli " << command << ": \"" << EscapeValue(name) << "\" is not a photo of \""
                    << EscapeValue(r.folder) << "\"\n";
                return std::nullopt;
            }
            p.items.Selected[it->second] = true;
        }
    }
    try {
        if (r.companions)
            p.companions = ListCompanions(r.folder, p.items.FileNames, p.items.Selected);
    } catch (const std::exception& e) {
        return folderError(e);
    }
    try {
        ComputeDateKeys(p.photos, p.items, r.folder, r.useExif);
    } catch (const std::exception& e) {
        err << "quistelor-cli " << command << ": " << ErrorLine(e) << '\n';
        return std::nullopt;
    }
    p.newNames = NamesFromDateKeys(p.photos, p.items.Selected, r.pattern);
    return p;
}

} // namespace

std::string OutcomeLine(const RenameOutcome& o)
{
    std::string line = EscapeValue(o.OldName) + '\t' + EscapeValue(o.NewName);
    switch (o.Result) {
    case rrRenamed: return line + "\tok\n";
    case rrFailed: return line + "\tfailed: " + EscapeValue(o.Reason()) + "\n";
    case rrNoName: return line + "\tskipped\n";
    case rrSkipped: return line + "\tskipped: " + EscapeValue(o.Reason()) + "\n";
    }
    return line + "\n";
}

std::string ShellWord(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return EscapeValue(quoted + "'");
}

RenameDone OutcomeReport::Printer()
{
    // Each photo's line goes out as soon as it is done, so that a run that
    // is stopped leaves the report of what it did. A line that cannot be
    // written stops the run: nothing is renamed without its report.
    return [this](const RenameOutcome& o) {
        std::string lines = OutcomeLine(o);
        anyFailed_ |= o.Result == rrFailed;
        for (const RenameOutcome& c : o.Companions) {
            lines += OutcomeLine(c);
            anyFailed_ |= c.Result == rrFailed;
        }
        lost_ = Emit(out_, lines);
        return lost_ == 0;
    };
}

int OutcomeReport::Status(const std::vector<RenameOutcome>& outcomes, const std::string& markError) const
{
    if (!markError.empty())
        err_ << "quistelor-cli " << command_ << ": " << EscapeValue(markError) << '\n';
    if (lost_) {
        ReportLostOutput(command_, lost_, err_);
        const RenameOutcome& last = outcomes.back();
        err_ << "quistelor-cli " << command_ << ": stopped after \"" << EscapeValue(last.OldName) << "\", "
             << (last.Result == rrRenamed ? "renamed \"" + EscapeValue(last.NewName) + "\"" : std::string("not renamed"))
             << "; the photos after it keep their names\n";
        return 1;
    }
    return anyFailed_ || !markError.empty() ? 1 : 0;
}

int PreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const auto request = ParseArguments("preview", args, err);
    if (!request)
        return 2;
    const auto p = Prepare("preview", *request, err);
    if (!p)
        return 2;
    // The names the batch will refuse, found as the window's preview finds
    // them, with the reason the batch will give.
    const std::vector<CollisionMark> marks =
        PredictCollisions(request->folder, p->items.FileNames, p->items.Selected, p->newNames, p->companions);
    std::string text;
    auto line = [&](const std::string& oldName, const std::string& newName, const PhotoType& photo,
                    const CollisionMark& mark) {
        text += EscapeValue(oldName) + '\t' + EscapeValue(newName);
        if (request->dates)
            text += '\t' + EscapeValue(photo.DateKey) + (photo.DatedByExif ? "\texif" : "\tfile");
        if (mark.Kind != ckNone)
            text += "\tfailed: " + EscapeValue(mark.Reason());
        text += '\n';
    };
    for (std::size_t i = 0; i < p->items.Count(); ++i) {
        if (!p->items.Selected[i])
            continue;
        const std::string& photoName = p->items.FileNames[i];
        const std::string newName = p->newNames[i].value_or(std::string());
        line(photoName, newName, p->photos[i], marks[i]);
        // Each companion under its photo, with its date and the group's mark.
        if (p->newNames[i] && i < p->companions.size())
            for (const std::string& c : p->companions[i]) {
                const std::string companionName = CompanionNewName(photoName, newName, c);
                line(c, companionName, p->photos[i], CompanionMark(marks[i], newName, companionName));
            }
    }
    if (const int code = Emit(out, text)) {
        ReportLostOutput("preview", code, err);
        return 2;
    }
    return 0;
}

int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const auto request = ParseArguments("rename", args, err);
    if (!request)
        return 2;
    const auto p = Prepare("rename", *request, err);
    if (!p)
        return 2;
    OutcomeReport report("rename", out, err);
    JournalRun run;
    try {
        run = JournaledRename(request->folder, request->pattern, p->photos, p->items.Selected, p->newNames, {},
                              report.Printer(), p->companions);
    } catch (const EJournalError& e) {
        err << "quistelor-cli rename: " << EscapeValue(e.what()) << '\n';
        if (e.kind() == EJournalError::jeInterrupted)
            err << "Run 'quistelor-cli recover " << ShellWord(request->folder)
                << " --finish' to finish it, or '--undo' to undo what it did.\n";
        return 2;
    }
    return report.Status(run.Outcomes, run.MarkError);
}

} // namespace cli
