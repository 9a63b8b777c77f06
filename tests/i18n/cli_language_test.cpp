// The command line speaks the user's language: English under the C.UTF-8
// locale CI machines have, the Japanese texts under MOSAICER_LANG=ja or a
// Japanese locale. Run as its own program, so the choice is made from the
// environment as a user's shell would hand it over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/bmp_codec.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

// Runs the mosaicer program with `env` (assignments; the variables that
// choose a language are cleared first) and returns what it printed.
std::string RunProgram(const std::string& env, const std::string& args) {
  const std::string command = "env -u MOSAICER_LANG -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " +
                              env + " '" MOSAICER_CLI_PROGRAM "' " + args + " 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST(CliLanguage, TheSameCommandPrintsEnglishOrJapaneseByTheEnvironment) {
  testing::TempDir dir;
  const std::string small = dir.File("small.bmp");
  ASSERT_TRUE(WriteBmpFile(*Bitmap::Create(100, 80, 24).bitmap, small));
  const std::string args = "rws '" + small + "' -o '" + dir.File("out.rws") + "'";
  const std::string english = "Choose a bitmap of at least 288×192 pixels.";
  const std::string japanese = "288×192ピクセル以上のビットマップを選択して下さい。";

  struct Case {
    const char* env;
    const std::string& expected;
  };
  const std::vector<Case> cases = {
      {"LANG=C.UTF-8", english},
      {"", english},
      {"LANG=ja_JP.UTF-8", japanese},  // whether or not that locale is installed
      {"LANG=C.UTF-8 MOSAICER_LANG=ja", japanese},
      {"LANG=ja_JP.UTF-8 MOSAICER_LANG=en", english},
  };
  for (const Case& c : cases) {
    const std::string out = RunProgram(c.env, args);
    EXPECT_NE(out.find(c.expected), std::string::npos) << c.env << ": " << out;
  }
}

bool HasJapanese(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0xE3 && byte <= 0xE9;  // leads kana and kanji in UTF-8
  });
}

TEST(CliLanguage, HelpAndUsageErrorsFollowTheEnvironment) {
  struct Case {
    const char* env;
    bool japanese;
  };
  const std::vector<Case> cases = {
      {"LANG=C.UTF-8", false},
      {"LANG=ja_JP.UTF-8 MOSAICER_LANG=en", false},
      {"LANG=C.UTF-8 MOSAICER_LANG=ja", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env);
    const std::string help = RunProgram(c.env, "--help");
    EXPECT_NE(help.find("mosaicer COMMAND [options]"), std::string::npos) << help;
    EXPECT_EQ(HasJapanese(help), c.japanese) << help;
    for (const char* command : {"create", "rws", "bmp", "render", "video", "play", "drives", "toc",
                                "rip", "image", "divide", "combine", "check", "effect"}) {
      const std::string commandHelp = RunProgram(c.env, std::string(command) + " --help");
      EXPECT_NE(commandHelp.find(std::string("mosaicer ") + command), std::string::npos)
          << commandHelp;
      EXPECT_EQ(HasJapanese(commandHelp), c.japanese) << commandHelp;
    }
    // A usage error: the message in the language, the command and the way
    // to its help as typed.
    const std::string missing = RunProgram(c.env, "create");
    EXPECT_EQ(missing.rfind("mosaicer create: ", 0), 0u) << missing;
    EXPECT_NE(missing.find("'mosaicer create --help'"), std::string::npos) << missing;
    EXPECT_EQ(HasJapanese(missing), c.japanese) << missing;
  }
}

}  // namespace
}  // namespace mosaicer
