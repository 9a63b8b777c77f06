#include "cli/reference.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "platform/language.h"

namespace mosaicer::cli {
namespace {

// A range "A..B" in the help is offered value by value up to this many.
constexpr long kMaxListedRange = 20;

bool IsValueChar(char c) {
  return std::islower(static_cast<unsigned char>(c)) ||
         std::isdigit(static_cast<unsigned char>(c)) || c == '-';
}

// The word after "--name " in `help` (up to a space, bracket or the end of
// the line), or empty when the help never shows the option with a value.
std::string Placeholder(const std::string& help, const std::string& name) {
  const std::string key = "--" + name + " ";
  for (std::size_t at = help.find(key); at != std::string::npos; at = help.find(key, at + 1)) {
    // "--limit" must not match inside "--limit-x"; the key ends with a space,
    // so only a longer name in front ("--no-limit") could: check the start.
    if (at > 0 && IsValueChar(help[at - 1])) continue;
    std::size_t start = at + key.size();
    std::size_t end = start;
    while (end < help.size() && help[end] != ' ' && help[end] != ']' && help[end] != '\n' &&
           help[end] != ')') {
      ++end;
    }
    // A placeholder (FILE.pal, N, WxH) or a list of values (a|b, 0..4);
    // prose after an option ("from --palette (0)") is neither.
    const std::string word = help.substr(start, end - start);
    const bool upper = std::any_of(word.begin(), word.end(), [](char c) {
      return std::isupper(static_cast<unsigned char>(c));
    });
    if (upper || word.find('|') != std::string::npos || word.find("..") != std::string::npos) {
      return word;
    }
  }
  return {};
}

// "a|b|c" (lower-case words, the upper-case ones being placeholders) or a
// short "A..B" range; nothing for anything else.
std::vector<std::string> FixedValues(const std::string& placeholder) {
  std::vector<std::string> values;
  const std::size_t dots = placeholder.find("..");
  if (dots != std::string::npos) {
    try {
      std::size_t used = 0;
      const long low = std::stol(placeholder.substr(0, dots), &used);
      if (used != dots) return {};
      const std::string rest = placeholder.substr(dots + 2);
      const long high = std::stol(rest, &used);
      if (used != rest.size() || high < low || high - low >= kMaxListedRange) return {};
      for (long v = low; v <= high; ++v) values.push_back(std::to_string(v));
    } catch (const std::exception&) {
      return {};
    }
    return values;
  }
  if (placeholder.find('|') == std::string::npos) return {};
  std::stringstream words(placeholder);
  std::string word;
  while (std::getline(words, word, '|')) {
    if (!word.empty() && std::all_of(word.begin(), word.end(), IsValueChar)) values.push_back(word);
  }
  return values;
}

bool NamesAFile(const std::string& placeholder) {
  if (placeholder.find("..") != std::string::npos) return false;  // a range or a list
  return placeholder.find("FILE") != std::string::npos ||
         placeholder.find("OUT") != std::string::npos || placeholder.find('.') != std::string::npos;
}

// Text for a roff line: backslashes and hyphens escaped, and a leading
// dot or quote kept from being read as a request.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

void RoffLines(std::ostream& out, const std::string& text) {
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\'')) out << "\\&";
    out << Roff(line) << "\n";
  }
}

// The synopsis and the English help of `command`: every option as it is
// typed, with its placeholder or values.
std::string SyntaxText(const Command& command) {
  std::string text = command.usage + "\n";
  for (const char* paragraph : command.help) text += std::string(paragraph) + "\n";
  return text;
}

std::string OptionName(const OptionReference& option) {
  std::string name = "\\fB\\-\\-" + Roff(option.name) + "\\fR";
  if (option.shortName != 0) name = "\\fB\\-" + std::string(1, option.shortName) + "\\fR, " + name;
  return name;
}

// What the common options do; every command takes them.
const std::map<std::string, std::string>& CommonOptionTexts() {
  static const std::map<std::string, std::string> texts = {
      {"output",
       "the file to write. An existing file is replaced only with --force, and the new "
       "file takes its place only when it is complete"},
      {"force", "replace an existing output file (a read-only one never is)"},
      {"quiet", "print nothing but warnings and errors"},
      {"help", "print the usage of the command and its options"},
  };
  return texts;
}

void WriteEnvironment(std::ostream& out) {
  out << ".SH ENVIRONMENT\n"
         ".TP\n.B MOSAICER_HOME\n"
         "names the folder of the settings files and of the effect folder outright.\n"
         ".TP\n.B MOSAICER_AUDIO\n"
         "set to \\fBnull\\fR, plays silently in real time instead of on the sound card.\n"
         ".TP\n.BR XDG_CONFIG_HOME \", \" XDG_DATA_HOME\n"
         "where the settings and the effect files live unless the program is used portably "
         "(default \\fI~/.config\\fR and \\fI~/.local/share\\fR).\n"
         ".TP\n.B XDG_DATA_DIRS\n"
         "searched for the shared effect folder \\fImosaicer/Tlo\\fR after the one installed "
         "beside the program.\n";
}

void WriteFiles(std::ostream& out) {
  out << ".SH FILES\n"
         ".TP\n.I mosaicer.ini\n"
         "the desktop application's settings: beside the program when one already lies in its "
         "writable folder (a portable folder) or the program runs from its build tree, else in "
         "\\fI$XDG_CONFIG_HOME/mosaicer/\\fR.\n"
         ".TP\n.I Drive.ini\n"
         "the ripper's drive settings, in the same folder.\n"
         ".TP\n.I Tlo/\n"
         "the effect folder (display effects, \\fI.tlo\\fR files): "
         "\\fI$XDG_DATA_HOME/mosaicer/Tlo\\fR; "
         "while it holds no effect, the read\\-only shared folder \\fIshare/mosaicer/Tlo\\fR of "
         "the "
         "installation is used.\n"
         ".TP\n.I share/mosaicer/examples/\n"
         "a sample picture, song and display effect.\n";
}

}  // namespace

std::vector<OptionReference> DescribeOptions(const Command& command) {
  std::vector<OptionReference> options;
  std::vector<OptionDef> all = command.options;
  all.insert(all.end(), CommonOptions().begin(), CommonOptions().end());
  for (const OptionDef& def : all) {
    OptionReference option{def.name, def.shortName, def.takesValue, {}, false};
    if (def.takesValue) {
      const std::string placeholder =
          def.name == "output" ? std::string("OUT") : Placeholder(SyntaxText(command), def.name);
      option.values = FixedValues(placeholder);
      option.takesFile = option.values.empty() && NamesAFile(placeholder);
    }
    options.push_back(std::move(option));
  }
  return options;
}

void WriteManPage(std::ostream& out) {
  out << ".\\\" Made by mosaicer_docs from the command line's own tables.\n"
         ".TH MOSAICER 1 \"\" \"Mosaicer " MOSAICER_VERSION
         "\" \"User Commands\"\n"
         ".SH NAME\n"
         "mosaicer \\- make, check, play and rip CD+G karaoke graphics\n"
         ".SH SYNOPSIS\n"
         ".B mosaicer\n.I COMMAND\n[\\fIoptions\\fR]\n.br\n"
         ".B mosaicer\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n.br\n"
         ".B mosaicer\n"
         ".SH DESCRIPTION\n"
         "CD+G is the picture a karaoke player shows from the R\\-W subcode of an audio CD.\n"
         ".B mosaicer\n"
         "turns a picture (BMP, PNG, JPEG) and a song (WAV, FLAC, Ogg, Opus, MP3) into a CDG file (2448\\-byte "
         "sectors) or an RWS file (bare 96\\-byte subcode, the layout of an MP3+G \\fI.cdg\\fR), "
         "checks and renders such files, plays them, rips CD+G discs and splits or joins audio "
         "and subcode. Every command works without a display.\n"
         ".PP\n"
         "Without a command it starts the desktop application,\n"
         ".BR mosaicer\\-gui (1),\n"
         "from its own folder or from \\fBPATH\\fR, passing its arguments on; when that is not "
         "installed it prints its help and exits with status 0.\n"
         ".PP\n"
         "The overview that \\fBmosaicer \\-\\-help\\fR prints:\n"
         ".PP\n.RS 2\n.nf\n";
  std::ostringstream help;
  PrintHelp(help);
  RoffLines(out, help.str());
  out << ".fi\n.RE\n"
         ".SH COMMANDS\n";
  for (const Command& command : Commands()) {
    out << ".SS " << Roff(command.name) << "\n";
    // TRANSLATORS: a command's summary as a sentence of the manual page.
    RoffLines(out, Format(Tr("%1."), {Tr(command.summary.c_str())}));
    out << ".PP\n.RS 2\n.nf\n";
    RoffLines(out, command.usage);
    for (const char* paragraph : command.help) RoffLines(out, Tr(paragraph));
    out << ".fi\n.RE\n.PP\nOptions:";
    bool first = true;
    for (const OptionDef& def : command.options) {
      out << (first ? " " : ", ") << "\\fB\\-\\-" << Roff(def.name) << "\\fR";
      first = false;
    }
    out << (first ? " the common options only.\n" : "; and the common options.\n");
  }
  out << ".SH COMMON OPTIONS\n";
  for (const OptionDef& def : CommonOptions()) {
    const OptionReference option{def.name, def.shortName, def.takesValue, {}, false};
    out << ".TP\n" << OptionName(option) << (def.takesValue ? " \\fIFILE\\fR" : "") << "\n";
    const auto text = CommonOptionTexts().find(def.name);
    RoffLines(out, text != CommonOptionTexts().end() ? text->second : def.name);
  }
  out << ".TP\n\\fB\\-\\-version\\fR\n"
         "(without a command) print the program's version.\n"
         ".SH EXIT STATUS\n"
         ".TP\n.B 0\nsuccess.\n"
         ".TP\n.B 1\nfailure; the reason is printed on standard error.\n"
         ".TP\n.B 2\nusage error: an unknown command or option, or a value out of range.\n"
         ".TP\n.B 3\ncancelled (Ctrl\\-C, SIGTERM or SIGHUP); the partial output stays, as in the "
         "desktop application.\n";
  WriteEnvironment(out);
  out << ".TP\n.B PATH\nsearched for \\fBmosaicer\\-gui\\fR when it is not beside "
         "\\fBmosaicer\\fR.\n";
  WriteFiles(out);
  out << ".SH EXAMPLES\n"
         ".nf\n"
         "mosaicer create sunset.bmp song.wav \\-o song.cdg\n"
         "mosaicer check song.cdg\n"
         "mosaicer render song.cdg \\-o frame.bmp \\-\\-at 00:05:00\n"
         ".fi\n"
         ".SH SEE ALSO\n"
         ".BR mosaicer\\-gui (1)\n";
}

void WriteDesktopManPage(std::ostream& out) {
  out << ".\\\" Made by mosaicer_docs.\n"
         ".TH MOSAICER\\-GUI 1 \"\" \"Mosaicer " MOSAICER_VERSION
         "\" \"User Commands\"\n"
         ".SH NAME\n"
         "mosaicer\\-gui \\- the Mosaicer desktop application for CD+G karaoke graphics\n"
         ".SH SYNOPSIS\n"
         ".B mosaicer\\-gui\n[\\fIQt options\\fR]\n"
         ".SH DESCRIPTION\n"
         ".B mosaicer\\-gui\n"
         "opens the Mosaicer main window (Japanese user interface). It holds the picture, the "
         "song and the creation options: a picture goes through the four\\-step bitmap wizard "
         "(palette, reduction, area and border, preview) and becomes a CDG file with the song, "
         "an RWS file or a 16\\-colour BMP; the same choices make the same bytes as the "
         "commands of\n"
         ".BR mosaicer (1).\n"
         "Its tools menu opens the display\\-effect editor, the CD+G player with its display "
         "window, the ripper and the utility that divides and combines CDG, RWS and WAV files.\n"
         ".PP\n"
         "\\fBmosaicer\\fR without a command starts this program.\n"
         ".SH OPTIONS\n"
         "The program takes Qt's standard options, among them:\n"
         ".TP\n\\fB\\-platform\\fR \\fINAME\\fR\n"
         "the window system plug\\-in (\\fBxcb\\fR, \\fBwayland\\fR, \\fBoffscreen\\fR).\n"
         ".TP\n\\fB\\-style\\fR \\fINAME\\fR\n"
         "the widget style.\n"
         ".SH EXIT STATUS\n"
         "0 when the main window was closed; 1 when there is no display to show it on.\n";
  WriteEnvironment(out);
  out << ".TP\n.B QT_QPA_PLATFORM\nthe window system plug\\-in, as \\fB\\-platform\\fR.\n";
  WriteFiles(out);
  out << ".SH SEE ALSO\n"
         ".BR mosaicer (1)\n";
}

void WriteBashCompletion(std::ostream& out) {
  out << "# bash completion for mosaicer, made by mosaicer_docs from its option tables.\n"
         "_mosaicer() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  local command= i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      -*) ;;\n"
         "      *) command=${COMP_WORDS[i]}; break ;;\n"
         "    esac\n"
         "  done\n"
         "  if [[ -z $command ]]; then\n"
         "    COMPREPLY=($(compgen -W '";
  for (const Command& command : Commands()) out << command.name << " ";
  out << "--help --version' -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  local options=\n"
         "  case \"$command $prev\" in\n";
  std::map<std::string, std::string> optionLists;
  for (const Command& command : Commands()) {
    std::string list;
    for (const OptionReference& option : DescribeOptions(command)) {
      list += "--" + option.name + " ";
      if (option.shortName != 0) list += std::string("-") + option.shortName + " ";
      if (!option.takesValue) continue;
      std::string patterns = "\"" + command.name + " --" + option.name + "\"";
      if (option.shortName != 0) {
        patterns += " | \"" + command.name + " -" + std::string(1, option.shortName) + "\"";
      }
      out << "    " << patterns << ")\n";
      if (!option.values.empty()) {
        out << "      COMPREPLY=($(compgen -W '";
        for (std::size_t i = 0; i < option.values.size(); ++i) {
          out << (i ? " " : "") << option.values[i];
        }
        out << "' -- \"$cur\"))\n";
      } else if (option.takesFile) {
        out << "      COMPREPLY=($(compgen -f -- \"$cur\"))\n";
      } else {
        out << "      COMPREPLY=()\n";
      }
      out << "      return ;;\n";
    }
    optionLists[command.name] = list;
  }
  out << "  esac\n"
         "  case $command in\n";
  for (const Command& command : Commands()) {
    out << "    " << command.name << ") options='" << optionLists[command.name] << "' ;;\n";
  }
  out << "    *) return ;;\n"
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _mosaicer mosaicer\n";
}

}  // namespace mosaicer::cli
