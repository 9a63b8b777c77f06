#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

class RipCli : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::Disc disc = testing::MakeDisc(150, 21);
  std::string ccd;
  void SetUp() override {
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
  }
};

TEST_F(RipCli, TocPrintsTheRippersTrackLines) {
  const CliResult r = Cli({"toc", ccd});
  ASSERT_EQ(r.status, kExitSuccess) << r.err;
  EXPECT_EQ(r.out,
            "Track  1 : 00:02:00 - 00:03:10 (00:01:10)\n"
            "Track  2 : 00:03:10 - 00:04:00 (00:00:65)\n");
}

TEST_F(RipCli, RipsOneTrackOrABatchOfThem) {
  const CliResult one = Cli({"rip", ccd, "--track", "2", "-o", dir.File("two.cdg")});
  ASSERT_EQ(one.status, kExitSuccess) << one.err;
  EXPECT_EQ(one.out, "CDGファイルの作成に成功しました。\n");
  const std::string two = testing::ReadFile(dir.File("two.cdg"));
  ASSERT_EQ(two.size(), 65u * kCdgSectorSize);
  EXPECT_EQ(two.compare(0, 100, disc.audio, 85 * kAudioBytesPerSector, 100), 0);
  // The existing file is not replaced without --force.
  EXPECT_EQ(Cli({"rip", ccd, "--track", "2", "-o", dir.File("two.cdg")}).status, kExitFailure);

  const CliResult all = Cli({"rip", ccd, "--all", "--rws", "-o", dir.File("song.rws")});
  ASSERT_EQ(all.status, kExitSuccess) << all.err;
  EXPECT_EQ(all.out, "RWSファイルの作成に成功しました。\n");
  EXPECT_EQ(testing::ReadFile(dir.File("song_01.rws")).size(), 85u * 96u);
  EXPECT_EQ(testing::ReadFile(dir.File("song_02.rws")).size(), 65u * 96u);
  // A second batch does not replace the first.
  ASSERT_EQ(Cli({"rip", ccd, "--tracks", "2", "--rws", "-o", dir.File("song")}).status,
            kExitSuccess);
  EXPECT_TRUE(FileExists(dir.File("song_02 - 001.rws")));
}

TEST_F(RipCli, RefusesWhatItCannotRip) {
  EXPECT_EQ(Cli({"rip", ccd, "-o", dir.File("x.cdg")}).status, kExitUsage);
  EXPECT_EQ(Cli({"rip", ccd, "--track", "3", "-o", dir.File("x.cdg")}).status, kExitUsage);
  EXPECT_EQ(Cli({"rip", ccd, "--tracks", "1,x", "-o", dir.File("x.cdg")}).status, kExitUsage);
  EXPECT_EQ(Cli({"rip", ccd, "--all", "--command", "fast", "-o", dir.File("x")}).status,
            kExitUsage);
  EXPECT_EQ(Cli({"rip", dir.File("none.ccd"), "--all", "-o", dir.File("x")}).status, kExitFailure);
  // A device is never replaced by a file.
  EXPECT_EQ(Cli({"rip", ccd, "--track", "1", "-o", "/dev/null", "--force"}).status, kExitFailure);
}

}  // namespace
}  // namespace mosaicer::cli
