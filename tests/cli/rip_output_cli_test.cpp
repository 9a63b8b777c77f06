// The rip command writing MP3+G: OUT's extension chooses the kind, a batch
// names its titles after OUT, and --force covers every file of every track.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"
#include "support/title_sectors.h"

namespace mosaicer::cli {
namespace {

using testing::FilesIn;
using testing::SectorsOf;

using testing::Cli;
using testing::CliResult;

class RipOutputCli : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string ccd;
  std::string out;
  void SetUp() override {
    ccd = testing::WriteCloneCd(dir, testing::MakeDisc(150, 71));
    out = dir.File("out");
    std::filesystem::create_directory(out);
  }
};

TEST_F(RipOutputCli, ABatchOfZipsHoldsWhatTheCdgRipHolds) {
  ASSERT_EQ(Cli({"rip", ccd, "--all", "-q", "--no-log", "-o", dir.File("c.cdg")}).status,
            kExitSuccess);
  const CliResult zips = Cli({"rip", ccd, "--all", "--audio", "wav", "-o", out + "/t.zip"});
  ASSERT_EQ(zips.status, kExitSuccess) << zips.err;
  EXPECT_TRUE(zips.out.ends_with("\nMP3+Gファイルの作成に成功しました。\n")) << zips.out;
  EXPECT_NE(zips.out.find("\"" + out + "/t_02.zip\""), std::string::npos) << zips.out;
  EXPECT_EQ(FilesIn(out), (std::set<std::string>{"t_01.zip", "t_02.zip", "t.log"}));
  EXPECT_TRUE(SectorsOf(out + "/t_01.zip") == testing::ReadFile(dir.File("c_01.cdg")));
  EXPECT_TRUE(SectorsOf(out + "/t_02.zip") == testing::ReadFile(dir.File("c_02.cdg")));

  // One track as a FLAC pair; .rws asks for RWS as --rws does.
  ASSERT_EQ(Cli({"rip", ccd, "--track", "2", "--no-log", "-o", out + "/two.flac"}).status,
            kExitSuccess);
  EXPECT_TRUE(SectorsOf(out + "/two.cdg") == testing::ReadFile(dir.File("c_02.cdg")));
  ASSERT_EQ(Cli({"rip", ccd, "--track", "2", "--no-log", "-o", out + "/two.rws"}).status,
            kExitSuccess);
  EXPECT_EQ(testing::ReadFile(out + "/two.rws").size(), 65u * kSubcodeBytesPerSector);
}

TEST_F(RipOutputCli, ForceCoversEveryFileOfEveryTrack) {
  dir.Write("out/t_02.cdg", "old subcode");
  // Without --force nothing is read while one file of one track exists.
  const CliResult refused = Cli({"rip", ccd, "--all", "-o", out + "/t.wav"});
  EXPECT_EQ(refused.status, kExitFailure);
  EXPECT_NE(refused.err.find("t_02.cdg"), std::string::npos) << refused.err;
  EXPECT_EQ(FilesIn(out), std::set<std::string>{"t_02.cdg"});
  EXPECT_EQ(Cli({"rip", ccd, "--track", "2", "-o", out + "/t_02.wav"}).status, kExitFailure);
  EXPECT_EQ(FilesIn(out), std::set<std::string>{"t_02.cdg"});

  const CliResult forced = Cli({"rip", ccd, "--all", "--force", "--no-log", "-o", out + "/t.wav"});
  ASSERT_EQ(forced.status, kExitSuccess) << forced.err;
  EXPECT_EQ(FilesIn(out), (std::set<std::string>{"t_01.wav", "t_01.cdg", "t_02.wav", "t_02.cdg"}));
  EXPECT_EQ(testing::ReadFile(out + "/t_02.cdg").size(), 65u * kSubcodeBytesPerSector);
}

TEST_F(RipOutputCli, RefusesOptionsThatDoNotFitTheOutput) {
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"--rws", "-o", "x.zip"}, kExitUsage},
      {{"--audio", "ogg", "-o", "x.cdg"}, kExitUsage},
      {{"--audio", "ogg", "-o", "x.mp3"}, kExitUsage},  // a pair's song is its extension
      {{"--bitrate", "100", "-o", "x.zip"}, kExitUsage},
      {{"--audio", "wav", "-o", "x.rws"}, kExitUsage},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"rip", ccd, "--all"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.back() = out + "/" + args.back();
    const CliResult r = Cli(args);
    EXPECT_EQ(r.status, c.status) << r.err;
  }
  EXPECT_TRUE(FilesIn(out).empty());
}

}  // namespace
}  // namespace mosaicer::cli
