// quistelor-cli: the program's command-line companion. Each subcommand is a
// row of the table below; --help lists the table.

#include "cli/ExifCommand.h"
#include "cli/JournalCommands.h"
#include "cli/Output.h"
#include "cli/RenameCommand.h"
#include "cli/Subcommand.h"

#include <clocale>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Subcommand {
    const char* name;
    const char* arguments;
    const char* summary;
    cli::SubcommandMain run;
};

const Subcommand kSubcommands[] = {
    {"exif", "FILE...", "Show every field the EXIF reader reads from each file", cli::ExifCommand},
    {"preview", cli::kPreviewUsage, "Show the new name each photo would get", cli::PreviewCommand},
    {"rename", cli::kRenameUsage, "Rename the photos by the pattern, never replacing a file", cli::RenameCommand},
    {"undo", "FOLDER", "Give the photos of the folder's last rename their old names back", cli::UndoCommand},
    {"recover", "FOLDER --finish|--undo", "Finish or undo the folder's interrupted rename", cli::RecoverCommand},
};

void PrintUsage(std::ostream& out)
{
    out << "Usage: quistelor-cli COMMAND [ARGUMENTS...]\n"
           "       quistelor-cli --help | --version\n"
           "\n"
           "Commands:\n";
    std::size_t width = 0;
    for (const Subcommand& c : kSubcommands)
        width = std::max(width, std::strlen(c.name) + 1 + std::strlen(c.arguments));
    for (const Subcommand& c : kSubcommands) {
        std::string head = std::string(c.name) + " " + c.arguments;
        out << "  " << head << std::string(width - head.size() + 3, ' ') << c.summary << '\n';
    }
    out << "\n"
           "Run 'quistelor-cli COMMAND --help' for one command's usage.\n";
}

// The status of a command that only printed to standard output.
int Printed(const char* command)
{
    if (const int code = cli::Emit(std::cout, {})) {
        cli::ReportLostOutput(command, code, std::cerr);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Numbers follow the user's locale (the decimal separator of rationals).
    std::setlocale(LC_ALL, "");
    // A reader that goes away (`| head -1`) is a lost report, seen as EPIPE
    // by the write that meets it, not a death in the middle of a batch.
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(std::cerr);
        return 2;
    }
    const std::string& command = args.front();
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(std::cout);
        return Printed("--help");
    }
    if (command == "--version") {
        std::cout << "quistelor-cli " << QUISTELOR_VERSION << '\n';
        return Printed("--version");
    }
    for (const Subcommand& c : kSubcommands) {
        if (command != c.name) continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (!rest.empty() && (rest.front() == "--help" || rest.front() == "-h")) {
            std::cout << "Usage: quistelor-cli " << c.name << ' ' << c.arguments << '\n'
                      << c.summary << ".\n";
            return Printed(c.name);
        }
        return c.run(rest, std::cout, std::cerr);
    }
    std::cerr << "quistelor-cli: unknown command '" << cli::EscapeValue(command) << "'\n"
              << "Run 'quistelor-cli --help' for the list of commands.\n";
    return 2;
}
