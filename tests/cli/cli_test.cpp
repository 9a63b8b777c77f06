#include "cli/cli.h"
#include "support/cli_run.h"

#include <gtest/gtest.h>

#include "effects/tlo_file.h"
#include "platform/cp932.h"
#include "support/pack_stream.h"
#include "support/temp_dir.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

// The help and usage errors of every command are checked by the help tests.
TEST(CliGeneral, NoArgumentsShowTheOverview) {
  const CliResult none = Cli({});
  EXPECT_EQ(none.status, kExitSuccess);
  EXPECT_EQ(none.out, Cli({"--help"}).out);
}

TEST(CliCheck, PrintsEveryFigureAndFailsOnUnrepairablePacks) {
  testing::TempDir dir;
  std::string stream = testing::PresetStream(10);
  stream[2 * 96 + 10] ^= 0x08;  // single error: repairable
  stream[4 * 96 + 5] ^= 0x01;   // double error: not
  stream[4 * 96 + 6] ^= 0x01;
  const std::string file = dir.Write("song.rws", stream);

  CliResult r = Cli({"check", file});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out,
            "format: rws\nsectors: 10\ngraphics packs: 10\nempty packs: 30\nother packs: 0\n"
            "packs failing Q: 0\npacks failing P: 2\nrepairable: 1\nunrepairable: 1\n");

  stream[4 * 96 + 6] ^= 0x01;  // now a single error as well
  CliResult fixed = Cli({"check", dir.Write("song.rws", stream)});
  EXPECT_EQ(fixed.status, kExitSuccess);
  EXPECT_NE(fixed.out.find("repairable: 2\nunrepairable: 0\n"), std::string::npos);
}

TEST(CliCheck, FormatComesFromThePacksUnlessGiven) {
  testing::TempDir dir;
  // 51 RWS sectors are 4896 bytes, which is also two whole CDG sectors: the
  // packs where CDG keeps audio tell it is bare subcode.
  const std::string file = dir.Write("ambiguous.cdg", testing::PresetStream(51));
  EXPECT_NE(Cli({"check", file}).out.find("format: rws\nsectors: 51\n"), std::string::npos);
  EXPECT_NE(Cli({"check", file, "--format", "cdg"}).out.find("sectors: 2\n"), std::string::npos);
  EXPECT_EQ(Cli({"check", file, "--format=mp3"}).status, kExitUsage);
}

TEST(CliEffect, PrintsTheJapaneseHeaderAndTheTileOrder) {
  testing::TempDir dir;
  TTloFile header;
  header.TitleJ = "左から右へ";
  header.TitleE = "Left to right";
  header.AuthorJ = "作者";
  const std::string file = dir.File("ltr.tlo");
  ASSERT_TRUE(WriteTloFile(file, header, {{0, 0}, {49, 17}}));
  ASSERT_NE(testing::ReadFile(file).find(Utf8ToCp932("左から右へ")), std::string::npos);

  CliResult r = Cli({"effect", file});
  EXPECT_EQ(r.status, kExitSuccess) << r.err;
  for (const char* line : {"TitleJ: 左から右へ\n", "AuthorJ: 作者\n", "TitleE: Left to right\n",
                           "tiles: 2\nstep col row\n   1   0   0\n   2  49  17\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;

  // Files that are no effects.
  EXPECT_EQ(Cli({"effect", dir.File("none.tlo")}).status, kExitFailure);
  EXPECT_EQ(Cli({"effect", dir.Write("plain.tlo", "[Info]\r\nTitleJ=x\r\n")}).status, kExitFailure);
  CliResult huge =
      Cli({"effect", dir.Write("huge.tlo", "[Info]\r\nTloVersion=1\r\nNumTiles=2147483647\r\n")});
  EXPECT_EQ(huge.status, kExitFailure);
  EXPECT_EQ(huge.out, "");
  EXPECT_NE(huge.err.find("huge.tlo"), std::string::npos);
}

}  // namespace
}  // namespace mosaicer::cli
