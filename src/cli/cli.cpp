#include "cli/cli.h"

#include <ostream>

namespace mosaicer::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help") {
    out << "usage: mosaicer COMMAND [options]\n";
    return kExitSuccess;
  }
  if (args[0] == "--version") {
    out << "mosaicer " MOSAICER_VERSION "\n";
    return kExitSuccess;
  }
  err << "mosaicer: unknown command '" << args[0] << "'\n";
  return kExitUsage;
}

}  // namespace mosaicer::cli
