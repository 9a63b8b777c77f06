// The command-line front end: one subcommand per job, no display needed.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace mosaicer::cli {

// Exit statuses of every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 3;

// Runs the command line `args` (without the program name). Normal output goes
// to `out`, messages to `err`. Returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mosaicer::cli
