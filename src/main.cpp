// With a subcommand the program runs the command-line front end and never
// touches a display; without one it starts the desktop application (when
// built with it).
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#ifdef MOSAICER_WITH_GUI
#include "app/application.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef MOSAICER_WITH_GUI
  if (args.empty()) return mosaicer::RunApplication(argc, argv);
#endif
  try {
    return mosaicer::cli::RunCli(args, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "mosaicer: internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "mosaicer: internal error\n";
  }
  return 1;
}
