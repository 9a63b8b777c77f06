// The command line's help and usage errors in both languages: Japanese
// sentences for karaoke users under Japanese, plain English otherwise, and in
// either the options, commands and synopses exactly as they are typed.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/language.h"
#include "support/cli_run.h"
#include "support/language_scope.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::LanguageScope;

// Kana and kanji take three bytes in UTF-8, led by 0xE3..0xE9.
bool HasJapanese(const std::string& text) {
  return std::ranges::any_of(text, [](unsigned char c) { return c >= 0xE3 && c <= 0xE9; });
}

// Every "--name" and "-x" option a text shows.
std::set<std::string> Options(const std::string& text) {
  std::set<std::string> names;
  const std::regex option(R"((^|[^A-Za-z0-9-])(--?[a-z][a-z0-9-]*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    names.insert((*it)[2]);
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Trimmed(const std::string& line) {
  const std::size_t start = line.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : line.substr(start);
}

CliResult CliIn(Language language, const std::vector<std::string>& args) {
  LanguageScope scope(language);
  return Cli(args);
}

TEST(CliHelpLanguage, EveryHelpIsJapaneseOrEnglishByTheLanguage) {
  std::vector<std::vector<std::string>> helps = {{"--help"}};
  for (const Command& command : Commands()) helps.push_back({command.name, "--help"});
  for (const auto& args : helps) {
    SCOPED_TRACE(args[0]);
    const CliResult english = CliIn(Language::English, args);
    const CliResult japanese = CliIn(Language::Japanese, args);
    ASSERT_EQ(english.status, kExitSuccess);
    ASSERT_EQ(japanese.status, kExitSuccess);
    const std::string &englishHelp = english.out, &japaneseHelp = japanese.out;
    EXPECT_FALSE(HasJapanese(englishHelp)) << englishHelp;
    EXPECT_TRUE(HasJapanese(japaneseHelp)) << japaneseHelp;
    EXPECT_NE(englishHelp, japaneseHelp);
    // A translation that drops, renames or invents an option misleads the
    // user as much as a wrong table would.
    EXPECT_EQ(Options(japaneseHelp), Options(englishHelp));
  }
}

TEST(CliHelpLanguage, SynopsisAndOptionColumnStayAsTyped) {
  for (const Command& command : Commands()) {
    SCOPED_TRACE(command.name);
    const std::string help = CliIn(Language::Japanese, {command.name, "--help"}).out;
    // Every synopsis line, continuation lines lined up anew under the
    // longer Japanese lead.
    const std::vector<std::string> synopsis = Lines(command.usage);
    const std::vector<std::string> shown = Lines(help);
    ASSERT_GE(shown.size(), synopsis.size());
    EXPECT_NE(shown[0].find(synopsis[0]), std::string::npos) << shown[0];
    for (std::size_t i = 1; i < synopsis.size(); ++i) {
      EXPECT_EQ(Trimmed(shown[i]), Trimmed(synopsis[i]));
      EXPECT_GT(shown[i].size() - Trimmed(shown[i]).size(),
                synopsis[i].size() - Trimmed(synopsis[i]).size())
          << shown[i];
    }
    // Each option line of the help begins with the option as it is typed.
    for (const char* paragraph : command.help)
      for (const std::string& line : Lines(paragraph)) {
        const std::string start = Trimmed(line);
        if (!start.starts_with("-")) continue;
        // Up to the gap before the description, or the option alone where
        // a long name leaves a single space ("--read-size sectors ...").
        const std::size_t gap = start.find("  ");
        const std::string syntax =
            start.substr(0, gap != std::string::npos ? gap : start.find(' '));
        EXPECT_NE(help.find("  " + syntax), std::string::npos) << syntax;
      }
  }
}

// A command line that is a usage error, and the option or word the message
// must name as the user typed it.
const std::vector<std::pair<std::vector<std::string>, std::string>> kUsageCases = {
    {{"create"}, "PICTURE"},
    {{"create", "a.bmp", "b.wav", "-o", "c.cdg", "--bits", "9"}, "--bits"},
    {{"create", "a.bmp", "b.wav", "-o", "c.cdg", "--reduce", "--no-reduce"}, "--no-reduce"},
    {{"create", "a.bmp", "b.wav", "-o", "c.cdg", "--limit", "1:2:3"}, "MM:SS:FF"},
    {{"rws", "a.bmp"}, "-o"},
    {{"check", "--colour", "x.rws"}, "--colour"},
    {{"check", "--format"}, "--format"},
    {{"check", "--list=yes", "x.rws"}, "--list"},
    {{"check", "a.cdg", "--format", "cdg", "--format", "rws"}, "--format"},
    {{"render", "a.cdg", "-o", "f.bmp", "--at", "00:01:00", "--sector", "3"}, "--sector"},
    {{"rip", "disc.ccd", "-o", "out.cdg"}, "--tracks"},
    {{"rip", "disc.ccd", "--all", "-o", "out", "--retries", "99"}, "--retries"},
    {{"play", "a.cdg", "--stereo"}, "--stereo"},
    {{"video", "a.cdg", "-o", "v.avi"}, ".mkv"},
    {{"image", "a.cdg", "-o", "disc.ccd", "--cooked"}, "--cooked"},
    {{"divide", "a.cdg", "-o", "a.zip", "--wav", "b.wav"}, "--wav"},
    {{"combine", "a.rws", "b.wav", "-o", "c.zip", "--bitrate", "100"}, "--bitrate"},
    {{"drives", "extra"}, "drives"},
};

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += a + " ";
  return text;
}

TEST(CliHelpLanguage, UsageErrorsSpeakTheLanguageAndKeepWhatWasTyped) {
  for (const auto& [args, named] : kUsageCases) {
    SCOPED_TRACE(Joined(args));
    const CliResult english = CliIn(Language::English, args);
    const CliResult japanese = CliIn(Language::Japanese, args);
    ASSERT_EQ(english.status, kExitUsage) << english.err;
    ASSERT_EQ(japanese.status, kExitUsage) << japanese.err;
    EXPECT_FALSE(HasJapanese(english.err)) << english.err;
    EXPECT_TRUE(HasJapanese(japanese.err)) << japanese.err;
    const std::string command = args[0];
    for (const std::string* err : {&english.err, &japanese.err}) {
      EXPECT_EQ(err->rfind("mosaicer " + command + ": ", 0), 0u) << *err;
      EXPECT_NE(err->find(named), std::string::npos) << *err;
      EXPECT_NE(err->find("'mosaicer " + command + " --help'"), std::string::npos) << *err;
    }
    // Whatever the message says, it is one sentence a line: the same number
    // of lines in both languages.
    EXPECT_EQ(Lines(japanese.err).size(), Lines(english.err).size()) << japanese.err;
  }
}

TEST(CliHelpLanguage, AnUnknownCommandIsNamedAsTyped) {
  const CliResult r = CliIn(Language::Japanese, {"frobnicate"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_TRUE(HasJapanese(r.err)) << r.err;
  EXPECT_NE(r.err.find("'frobnicate'"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'mosaicer --help'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace mosaicer::cli
