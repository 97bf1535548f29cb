#pragma once
// The shape every quistelor-cli subcommand shares.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// A subcommand's entry point. args holds the words after the subcommand's
// name; results go to out, diagnostics to err; the return value is the exit
// status of the program.
using SubcommandMain = int (*)(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err);

} // namespace cli
