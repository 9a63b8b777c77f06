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
  std::string usage;    // the synopsis lines, without "usage: ", never translated
  std::string summary;  // one line for the command list, in English (shown through Tr)
  std::vector<OptionDef> options;
  int (*run)(const Args& args, Io& io);
  // What the arguments and options mean, paragraph by paragraph, in English
  // and shown through Tr; each keeps the options and values as they are typed.
  std::vector<const char*> help = {};
};

// Every command, in the order the help lists them, and the options every
// command accepts besides its own. The help, the manual page and the shell
// completion are all made from these tables.
const std::vector<Command>& Commands();
const std::vector<OptionDef>& CommonOptions();
// The overview `mosaicer --help` prints, and what `mosaicer COMMAND --help`
// prints; both in the current language, the synopsis lines as typed.
void PrintHelp(std::ostream& out);
void PrintCommandHelp(std::ostream& out, const Command& command);

// Prints "mosaicer COMMAND: message" for a usage error and returns 2. The
// message is already in the current language.
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
Command ImageCommand();

}  // namespace mosaicer::cli
