#include "cli/cli.h"

#include <ostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "platform/language.h"

#include <exception>

namespace mosaicer::cli {

const std::vector<Command>& Commands() {
  // One command a line, in the order the help lists them.
  // clang-format off
  static const std::vector<Command> commands = {
      CreateCommand(),
      RwsCommand(),
      BmpCommand(),
      RenderCommand(),
      VideoCommand(),
      PlayCommand(),
      DrivesCommand(),
      TocCommand(),
      RipCommand(),
      DivideCommand(),
      CombineCommand(),
      CheckCommand(),
      EffectCommand(),
  };
  // clang-format on
  return commands;
}

// Options every command accepts.
const std::vector<OptionDef>& CommonOptions() {
  static const std::vector<OptionDef> common = {
      {"output", 'o', true}, {"force", 0, false}, {"quiet", 'q', false}, {"help", 'h', false}};
  return common;
}

void PrintHelp(std::ostream& out) {
  out << "usage: mosaicer COMMAND [options]\n"
         "       mosaicer --help | --version\n\n"
         "Mosaicer turns pictures and songs into CD+G and checks CD+G files.\n\n"
         "commands:\n";
  for (const Command& c : Commands()) {
    out << "  " << c.name << std::string(c.name.size() < 9 ? 9 - c.name.size() : 1, ' ')
        << c.summary << "\n";
  }
  out << "\ncommon options: -o/--output FILE, --force, -q/--quiet, --help\n"
         "Run 'mosaicer COMMAND --help' for the options of one command.\n"
         "Exit status: 0 success, 1 failure, 2 usage error, 3 cancelled.\n"
         "Without a command, mosaicer opens its desktop application (when built with it).\n";
}

namespace {

void PrintCommandHelp(std::ostream& out, const Command& c) {
  out << "usage: " << c.usage << "\n\n" << c.summary << "\n";
}

}  // namespace

int UsageError(Io& io, const std::string& command, const std::string& message) {
  io.err << "mosaicer " << command << ": " << message << "\n"
         << "Try 'mosaicer " << command << " --help'.\n";
  return kExitUsage;
}

int Failure(Io& io, const std::string& message) {
  io.err << "mosaicer: " << message << "\n";
  return kExitFailure;
}

void Note(Io& io, const std::string& message) {
  if (!io.quiet) io.err << "mosaicer: " << Format(Tr("note: %1"), {message}) << "\n";
}

void Warning(Io& io, const std::string& message) {
  if (!io.quiet) io.err << "mosaicer: " << Format(Tr("warning: %1"), {message}) << "\n";
}

std::string CappedTimeNote(const std::string& option, const std::string& given,
                           const std::string& readAs) {
  return Format(Tr("%1 %2 is read as %3 (at most 59 seconds and 74 frames)"),
                {option, given, readAs});
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(out);
    return kExitSuccess;
  }
  if (args[0] == "--version") {
    out << "mosaicer " MOSAICER_VERSION "\n";
    return kExitSuccess;
  }
  for (const Command& command : Commands()) {
    if (command.name != args[0]) continue;
    std::vector<OptionDef> known = command.options;
    known.insert(known.end(), CommonOptions().begin(), CommonOptions().end());
    Io io{out, err};
    std::string error;
    const auto parsed = Args::Parse({args.begin() + 1, args.end()}, known, error);
    if (!parsed) return UsageError(io, command.name, error);
    if (parsed->Has("help")) {
      PrintCommandHelp(out, command);
      return kExitSuccess;
    }
    io.quiet = parsed->Has("quiet");
    // Signals that would end the process become a cancel request instead.
    InterruptScope interrupts;
    try {
      return command.run(*parsed, io);
    } catch (const std::exception& e) {
      return Failure(io, std::string("internal error: ") + e.what());
    }
  }
  err << "mosaicer: unknown command '" << args[0] << "'\n"
      << "Run 'mosaicer --help' for the list of commands.\n";
  return kExitUsage;
}

}  // namespace mosaicer::cli
