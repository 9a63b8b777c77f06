// With a subcommand the program runs the command-line front end and never
// touches a display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return mosaicer::cli::RunCli(args, std::cout, std::cerr);
}
