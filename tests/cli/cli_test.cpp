// The commands that make, check, render and describe files.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include "core/subcode_pack.h"
#include "effects/tlo_file.h"
#include "platform/cp932.h"
#include "support/cli_run.h"
#include "support/pack_stream.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::CdgOf;
using testing::Cli;
using testing::CliResult;
using testing::PresetStream;
using testing::TempDir;

// The help and usage errors of every command are checked by the help tests.
TEST(CliGeneral, NoArgumentsShowTheOverview) {
  const CliResult none = Cli({});
  EXPECT_EQ(none.status, kExitSuccess);
  EXPECT_EQ(none.out, Cli({"--help"}).out);
}

TEST(CliCheck, PrintsEveryFigureAndFailsOnUnrepairablePacks) {
  TempDir dir;
  std::string stream = PresetStream(10);
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
  TempDir dir;
  // 51 RWS sectors are 4896 bytes, which is also two whole CDG sectors: the
  // packs where CDG keeps audio tell it is bare subcode.
  const std::string file = dir.Write("ambiguous.cdg", PresetStream(51));
  EXPECT_NE(Cli({"check", file}).out.find("format: rws\nsectors: 51\n"), std::string::npos);
  EXPECT_NE(Cli({"check", file, "--format", "cdg"}).out.find("sectors: 2\n"), std::string::npos);
  EXPECT_EQ(Cli({"check", file, "--format=mp3"}).status, kExitUsage);
}

TEST(CliEffect, PrintsTheJapaneseHeaderAndTheTileOrder) {
  TempDir dir;
  TTloFile header;
  header.TitleJ = "左から右へ", header.TitleE = "Left to right", header.AuthorJ = "作者";
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

class AuthoringCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string photo = testing::WritePicture(dir, "photo.bmp", testing::Gradient(320, 240));
  std::string audio = testing::AudioBytes(100 * kAudioBytesPerSector + 10);
  std::string song = dir.Write("song.wav", testing::CdWave(audio));
};

TEST_F(AuthoringCli, CreateWritesTheSongWithCheckedGraphics) {
  const std::string out = dir.File("song.cdg");
  const CliResult r = Cli({"create", photo, song, "-o", out});
  ASSERT_EQ(r.status, kExitSuccess) << r.err;
  EXPECT_EQ(r.out, "CDGファイルの作成に成功しました。\n");
  const std::string file = testing::ReadFile(out);
  ASSERT_EQ(file.size(), (37u + 770u) * kCdgSectorSize);  // default 37 blank sectors
  EXPECT_EQ(file.substr(0, 100), audio.substr(0, 100));
  const CliResult check = Cli({"check", out});
  EXPECT_EQ(check.status, kExitSuccess);
  EXPECT_NE(check.out.find("graphics packs: 3080\n"), std::string::npos);
  EXPECT_NE(check.out.find("packs failing P: 0\n"), std::string::npos);
}

TEST_F(AuthoringCli, RwsIsTheSubcodeOfTheCdg) {
  const std::string cdg = dir.File("a.cdg"), rws = dir.File("a.rws");
  for (std::vector<std::string> args : {std::vector<std::string>{"create", photo, song, "-o", cdg,
                                                                 "--timing", "first"},
                                       {"rws", photo, "-o", rws}}) {
    args.insert(args.end(), {"--optimize", "full", "--blank", "2", "--border", "7", "--method",
                             "rgb3d", "--origin", "10,20"});
    ASSERT_EQ(Cli(args).status, kExitSuccess) << args[0];
  }
  const std::string c = testing::ReadFile(cdg), s = testing::ReadFile(rws);
  ASSERT_EQ(s.size() % 96, 0u);
  for (std::size_t k = 0; k < s.size() / 96; ++k)
    ASSERT_EQ(c.substr(k * kCdgSectorSize + kAudioBytesPerSector, 96), s.substr(k * 96, 96)) << k;
  EXPECT_EQ(s[2 * 96 + 2 * 24 + 4], 7);  // the screen clear uses border colour 7
}

TEST(RenderCli, LastFrameOfAnAuthoredStreamIsThePreparedPicture) {
  TempDir dir;
  const std::string picture = testing::WritePicture(dir, "pic.bmp", testing::Gradient(320, 240));
  const std::string rws = dir.File("a.rws"), visible = dir.File("v.bmp");
  ASSERT_EQ(Cli({"rws", picture, "-o", rws, "--border", "5"}).status, kExitSuccess);
  ASSERT_EQ(Cli({"bmp", picture, "-o", visible, "--border", "5"}).status, kExitSuccess);
  const std::string frame = dir.File("f.bmp"), fromCdg = dir.File("c.bmp");
  ASSERT_EQ(Cli({"render", rws, "-o", frame}).status, kExitSuccess);

  const Bitmap want = testing::LoadBmp(visible), got = testing::LoadBmp(frame);
  ASSERT_EQ(got.Width(), kScreenWidth);
  ASSERT_EQ(got.Height(), kScreenHeight);
  int mismatches = 0;
  for (int y = 0; y < kVisibleHeight; ++y)
    for (int x = 0; x < kVisibleWidth; ++x)
      if (got.PixelIndex(x + kVisibleLeft, y + kVisibleTop) != want.PixelIndex(x, y) ||
          got.ColourAt(x + kVisibleLeft, y + kVisibleTop) != want.ColourAt(x, y))
        ++mismatches;
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(got.PixelIndex(0, 0), 5);
  EXPECT_EQ(got.PixelIndex(299, 215), 5);

  // The same packs inside CDG sectors give the same frame.
  const std::string cdg = dir.Write("a.cdg", CdgOf(testing::ReadFile(rws)));
  ASSERT_EQ(Cli({"render", cdg, "-o", fromCdg}).status, kExitSuccess);
  EXPECT_EQ(testing::ReadFile(fromCdg), testing::ReadFile(frame));

  const std::string big = dir.File("big.bmp");
  ASSERT_EQ(Cli({"render", cdg, "-o", big, "--size", "600x432", "--format", "cdg"}).status,
            kExitSuccess);
  const Bitmap scaled = testing::LoadBmp(big);
  ASSERT_EQ(scaled.Width(), 600);
  EXPECT_EQ(scaled.PixelIndex(12 + 2 * 100, 24 + 2 * 50), got.PixelIndex(6 + 100, 12 + 50));
}

TEST(RenderCli, SectorAndTimeSelectHowFarToDecode) {
  TempDir dir;
  const std::string stream = PresetStream(100);
  const std::string rws = dir.Write("p.rws", stream);
  const std::string cdg = dir.Write("p.cdg", CdgOf(stream));
  const auto borderAfter = [&](std::vector<std::string> args) {
    const std::string out = dir.File("x.bmp");
    args.insert(args.end(), {"-o", out, "--force"});
    EXPECT_EQ(Cli(args).status, kExitSuccess);
    return static_cast<int>(testing::LoadBmp(out).PixelIndex(0, 0));
  };
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "5"}), 4);
  EXPECT_EQ(borderAfter({"render", cdg, "--sector", "5"}), 4);
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "0"}), 0);
  EXPECT_EQ(borderAfter({"render", rws, "--at", "00:01:05"}), 79 % 16);  // 80 sectors
  EXPECT_EQ(borderAfter({"render", cdg}), 99 % 16);
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "1000", "-q"}), 99 % 16);
}

}  // namespace
}  // namespace mosaicer::cli
