// Runs the command line in-process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace mosaicer::testing {

struct CliResult {
  int status;
  std::string out, err;
};

inline CliResult Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace mosaicer::testing
