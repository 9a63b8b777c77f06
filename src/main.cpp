// The command line. With a command it runs the command-line front end and
// never touches a display; without one it hands over to the desktop
// application, a separate program, so that no command pays for loading the
// window libraries.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/desktop_handoff.h"

namespace {

// Starts mosaicer-gui in place of this process with the same arguments.
// Returns only when there is none or it could not be started.
void HandOverToDesktop(int argc, char** argv) {
  const std::filesystem::path program = mosaicer::cli::FindDesktopProgram(mosaicer::ProgramPath());
  if (program.empty()) return;
  std::string name = program.string();
  std::vector<char*> arguments{name.data()};
  arguments.insert(arguments.end(), argv + 1, argv + argc);
  arguments.push_back(nullptr);
  std::cerr << mosaicer::cli::ExecDesktopProgram(program, arguments.data()) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.empty()) {
      HandOverToDesktop(argc, argv);
      const int status = mosaicer::cli::RunCli(args, std::cout, std::cerr);
      std::cout << std::flush;
      std::cerr << mosaicer::cli::kNoDesktopProgram << "\n";
      return status;
    }
    return mosaicer::cli::RunCli(args, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "mosaicer: internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "mosaicer: internal error\n";
  }
  return 1;
}
