#include "cli/cli.h"

#include <ostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "platform/language.h"

#include <algorithm>
#include <exception>
#include <string_view>

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
      ImageCommand(),
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

namespace {

// Columns `text` takes on a terminal: CJK characters (three or four UTF-8
// bytes here) take two.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    width += byte >= 0xE0 ? 2 : 1;
  }
  return width;
}

// "usage:" in the current language, and the indent that lines the
// synopsis's further lines up under its first (written for "usage: ").
constexpr std::size_t kEnglishUsageWidth = 6;
std::string UsageLead() { return std::string(Tr("usage:")) + " "; }
std::string Reindent(const std::string& synopsis) {
  const std::size_t width = DisplayWidth(Tr("usage:"));
  std::string text;
  std::size_t start = 0;
  while (start < synopsis.size()) {
    const std::size_t end = std::min(synopsis.find('\n', start), synopsis.size());
    std::string line = synopsis.substr(start, end - start);
    if (start > 0 && line.starts_with(' ')) {
      if (width > kEnglishUsageWidth)
        line.insert(0, width - kEnglishUsageWidth, ' ');
      else
        line.erase(0, std::min(kEnglishUsageWidth - width, line.find_first_not_of(' ')));
    }
    text += line;
    if (end < synopsis.size()) text += '\n';
    start = end + 1;
  }
  return text;
}

}  // namespace

void PrintHelp(std::ostream& out) {
  out << UsageLead() << "mosaicer COMMAND [options]\n"
      << std::string(DisplayWidth(UsageLead()), ' ') << "mosaicer --help | --version\n\n"
      << Tr("Mosaicer turns pictures and songs into CD+G and checks CD+G files.") << "\n\n"
      << Tr("commands:") << "\n";
  for (const Command& c : Commands()) {
    out << "  " << c.name << std::string(c.name.size() < 9 ? 9 - c.name.size() : 1, ' ')
        << Tr(c.summary.c_str()) << "\n";
  }
  out << "\n"
      << Format(Tr("common options: %1"), {"-o/--output FILE, --force, -q/--quiet, --help"}) << "\n"
      << Tr("Run 'mosaicer COMMAND --help' for the options of one command.") << "\n"
      << Tr("Exit status: 0 success, 1 failure, 2 usage error, 3 cancelled.") << "\n"
      << Tr("Without a command, mosaicer opens its desktop application (when built with it).")
      << "\n";
}

void PrintCommandHelp(std::ostream& out, const Command& c) {
  out << UsageLead() << Reindent(c.usage) << "\n\n";
  for (const char* paragraph : c.help) out << Tr(paragraph) << "\n";
  if (!c.help.empty()) out << "\n";
  out << Tr(c.summary.c_str()) << "\n";
}

int UsageError(Io& io, const std::string& command, const std::string& message) {
  io.err << "mosaicer " << command << ": " << message << "\n"
         << Format(Tr("Try '%1'."), {"mosaicer " + command + " --help"}) << "\n";
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
      return Failure(io, Format(Tr("internal error: %1"), {e.what()}));
    }
  }
  err << "mosaicer: " << Format(Tr("unknown command '%1'"), {args[0]}) << "\n"
      << Tr("Run 'mosaicer --help' for the list of commands.") << "\n";
  return kExitUsage;
}

}  // namespace mosaicer::cli
