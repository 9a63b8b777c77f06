// The subcommands of the command-line front end. Each one is a thin layer:
// it reads its arguments, calls the subsystem and reports the outcome.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/cli.h"

namespace mosaicer::cli {

// What every command gets: its parsed arguments and the two streams.
struct Io {
  std::ostream& out;
  std::ostream& err;
  bool quiet = false;
};

struct Command {
  std::string name;
  std::string usage;    // the synopsis lines, without "usage: "
  std::string summary;  // one line for the command list
  std::vector<OptionDef> options;
  int (*run)(const Args& args, Io& io);
};

// Every command, in the order the help lists them, and the options every
// command accepts besides its own. The help, the manual page and the shell
// completion are all made from these tables.
const std::vector<Command>& Commands();
const std::vector<OptionDef>& CommonOptions();
// The overview `mosaicer --help` prints.
void PrintHelp(std::ostream& out);

// Prints "mosaicer COMMAND: message" for a usage error and returns 2.
int UsageError(Io& io, const std::string& command, const std::string& message);
// Prints "mosaicer: message" and returns 1.
int Failure(Io& io, const std::string& message);
// Print "mosaicer: note: message" and "mosaicer: warning: message", the
// words in the chosen language; nothing with -q.
void Note(Io& io, const std::string& message);
void Warning(Io& io, const std::string& message);
// The note of a time given past 59 seconds or 74 frames: "--at 00:75:00 is
// read as 01:15:00 (...)".
std::string CappedTimeNote(const std::string& option, const std::string& given,
                           const std::string& readAs);

Command CreateCommand();
Command RwsCommand();
Command BmpCommand();
Command PlayCommand();
Command CheckCommand();
Command EffectCommand();
Command RenderCommand();
Command DivideCommand();
Command CombineCommand();
Command DrivesCommand();
Command TocCommand();
Command RipCommand();
Command VideoCommand();

}  // namespace mosaicer::cli
