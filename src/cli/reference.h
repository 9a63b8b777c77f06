// The command line's reference documents, made from the same command and
// option tables as `--help` so they cannot drift from it: the manual pages
// of `mosaicer` and `mosaicer-gui` (roff) and the bash completion script.
// The build writes them with the mosaicer_docs tool.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace mosaicer::cli {

// What the shell completion and the manual know of one option.
struct OptionReference {
  std::string name;  // long name without dashes
  char shortName = 0;
  bool takesValue = false;
  std::vector<std::string> values;  // the fixed values the help lists, if any
  bool takesFile = false;           // the value is a file name
};

// The options of `command` and the common ones, in table order. Fixed values
// and file-valued options are read from the command's help: "--name a|b|c",
// a short range "--name 0..4", or a file placeholder ("--name FILE.pal").
std::vector<OptionReference> DescribeOptions(const Command& command);

void WriteManPage(std::ostream& out);
void WriteDesktopManPage(std::ostream& out);
void WriteBashCompletion(std::ostream& out);

}  // namespace mosaicer::cli
