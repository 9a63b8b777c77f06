#include "cli/reference.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "support/cli_run.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;

// Every "--name" in `text`, with roff's escaped hyphens read as hyphens.
std::set<std::string> LongOptions(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
  std::set<std::string> names;
  const std::regex option(R"(--([a-z][a-z0-9-]*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    names.insert((*it)[1]);
  return names;
}

// The part of the manual page between ".SS name" and the next heading.
std::string ManSection(const std::string& page, const std::string& name) {
  const std::string heading = ".SS " + name + "\n";
  const std::size_t start = page.find(heading);
  if (start == std::string::npos) return {};
  const std::size_t end = page.find("\n.S", start + heading.size());
  return page.substr(start, end - start);
}

std::string ManPage() {
  std::ostringstream page;
  WriteManPage(page);
  return page.str();
}

TEST(Reference, ManPageAndHelpListTheSameOptionsForEveryCommand) {
  const std::string page = ManPage();
  ASSERT_FALSE(Commands().empty());
  for (const Command& command : Commands()) {
    SCOPED_TRACE(command.name);
    const auto help = Cli({command.name, "--help"});
    ASSERT_EQ(help.status, kExitSuccess);
    const std::string section = ManSection(page, command.name);
    ASSERT_FALSE(section.empty());
    EXPECT_EQ(LongOptions(section), LongOptions(help.out));
    // And both hold exactly what the command accepts.
    std::set<std::string> accepted;
    for (const OptionDef& def : command.options) accepted.insert(def.name);
    EXPECT_EQ(LongOptions(section), accepted);
  }
}

TEST(Reference, ManPageCarriesTheCommonOptionsExitStatusAndEnvironment) {
  const std::string page = ManPage();
  for (const OptionDef& def : CommonOptions())
    EXPECT_NE(page.find("\\-\\-" + def.name), std::string::npos) << def.name;
  for (const char* heading : {".SH EXIT STATUS", ".SH ENVIRONMENT", ".SH FILES", "MOSAICER_HOME",
                              "MOSAICER_AUDIO", ".SH SEE ALSO"})
    EXPECT_NE(page.find(heading), std::string::npos) << heading;
  // No line may start a request by accident with text from the help.
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != '.') continue;
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(\.(\\"|[A-Z]{1,2}|fi|nf|br)( .*)?)"))) << line;
  }
}

TEST(Reference, FixedValuesAndFilesAreReadFromTheHelp) {
  const auto find = [](const std::string& commandName, const std::string& option) {
    for (const Command& command : Commands())
      for (const OptionReference& o : DescribeOptions(command))
        if (command.name == commandName && o.name == option) return o;
    ADD_FAILURE() << commandName << " --" << option;
    return OptionReference{};
  };
  const std::vector<std::string> none;
  const std::tuple<const char*, const char*, std::vector<std::string>, bool> cases[] = {
      {"create", "timing", {"play", "first", "overflow", "msf"}, false},
      {"play", "stereo", {"0", "1", "2", "3", "4"}, false},
      // "default|null|N": the number is a placeholder, not a value.
      {"play", "device", {"default", "null"}, false},
      {"create", "blank", none, false},  // a wide range is left to the user
      {"create", "palette", none, true},
      {"divide", "wav", none, true},
      {"render", "at", none, false},
  };
  for (const auto& [command, option, values, takesFile] : cases) {
    const OptionReference o = find(command, option);
    EXPECT_EQ(o.values, values) << command << " --" << option;
    EXPECT_EQ(o.takesFile, takesFile) << command << " --" << option;
  }
  EXPECT_FALSE(find("check", "force").takesValue);
}

TEST(Reference, CompletionOffersEveryCommandAndOption) {
  std::ostringstream script;
  WriteBashCompletion(script);
  const std::string text = script.str();
  EXPECT_NE(text.find("complete -o filenames -F _mosaicer mosaicer"), std::string::npos);
  for (const Command& command : Commands()) {
    const std::string line = "    " + command.name + ") options='";
    const std::size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << command.name;
    const std::string options = text.substr(at, text.find('\n', at) - at);
    for (const OptionReference& o : DescribeOptions(command))
      EXPECT_NE(options.find("--" + o.name + " "), std::string::npos)
          << command.name << " --" << o.name;
  }
  EXPECT_NE(text.find("\"create --method\")\n      COMPREPLY=($(compgen -W 'rgb3d rrggbb rgbrgb'"),
            std::string::npos);
}

}  // namespace
}  // namespace mosaicer::cli
