#include <gtest/gtest.h>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "support/cli_run.h"
#include "ripper/worn_disc.h"
#include "support/clone_cd_disc.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

class RipCli : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::Disc disc = testing::MakeDisc(150, 21);
  std::string ccd = testing::WriteCloneCd(dir, disc);
};

TEST_F(RipCli, ListsAndRipsOneTrackOrABatchOfThem) {
  const CliResult toc = Cli({"toc", ccd});
  ASSERT_EQ(toc.status, kExitSuccess) << toc.err;
  EXPECT_EQ(toc.out,
            "Track  1 : 00:02:00 - 00:03:10 (00:01:10)\n"
            "Track  2 : 00:03:10 - 00:04:00 (00:00:65)\n");
  const CliResult one = Cli({"rip", ccd, "--track", "2", "-o", dir.File("two.cdg")});
  ASSERT_EQ(one.status, kExitSuccess) << one.err;
  EXPECT_TRUE(one.out.ends_with("\nCDGファイルの作成に成功しました。\n")) << one.out;
  // The report goes to standard output and, word for word, to the log.
  EXPECT_EQ(one.out.substr(0, one.out.rfind("\n\n") + 1), testing::ReadFile(dir.File("two.log")));
  const std::string two = testing::ReadFile(dir.File("two.cdg"));
  ASSERT_EQ(two.size(), 65u * kCdgSectorSize);
  EXPECT_EQ(two.compare(0, 100, disc.audio, 85 * kAudioBytesPerSector, 100), 0);

  const CliResult all = Cli({"rip", ccd, "--all", "--rws", "-q", "--no-log", "-o", dir.File("song.rws")});
  ASSERT_EQ(all.status, kExitSuccess) << all.err;
  EXPECT_EQ(all.out, "");
  EXPECT_FALSE(FileExists(dir.File("song.log")));
  EXPECT_EQ(testing::ReadFile(dir.File("song_01.rws")).size(), 85u * 96u);
  EXPECT_EQ(testing::ReadFile(dir.File("song_02.rws")).size(), 65u * 96u);
}

TEST_F(RipCli, RefusesWhatItCannotRip) {
  for (const std::vector<std::string>& more : {std::vector<std::string>{},
                                               {"--track", "3"},
                                               {"--tracks", "1,x"},
                                               {"--all", "--command", "fast"},
                                               {"--all", "--retries", "21"},
                                               {"--all", "--log", "--no-log"}}) {
    std::vector<std::string> args = {"rip", ccd, "-o", dir.File("x.cdg")};
    args.insert(args.end(), more.begin(), more.end());
    EXPECT_EQ(Cli(args).status, kExitUsage) << args.back();
  }
  EXPECT_EQ(Cli({"rip", dir.File("none.ccd"), "--all", "-o", dir.File("x")}).status, kExitFailure);
}

// Packs of track 1 with two wrong symbols on every read of the image.
TEST_F(RipCli, UnrepairablePacksAreListedAndTheOutputKept) {
  testing::LanguageScope english(Language::English);
  for (int slot : {40, 201, 333})
    for (int symbol : {5, 11}) testing::SpoilSymbol(disc, testing::SpotOfPack(0, slot, symbol), 0x21);
  testing::WriteCloneCd(dir, disc);
  const CliResult r = Cli({"rip", ccd, "--track", "1", "-o", dir.File("one.cdg")});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("3 packs could not be repaired"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("one.log"), std::string::npos) << r.err;
  EXPECT_EQ(testing::ReadFile(dir.File("one.cdg")).size(), 85u * kCdgSectorSize);
  const std::string log = testing::ReadFile(dir.File("one.log"));
  EXPECT_NE(log.find("still unrepairable: 3\n"), std::string::npos) << log;
  EXPECT_NE(log.find("unrepairable sectors: 10, 50, 83\n"), std::string::npos) << log;
  EXPECT_NE(log.find("sectors re-read: 45\n"), std::string::npos) << log;
  // The same packs counted by check, sector by sector.
  const CliResult checked = Cli({"check", dir.File("one.cdg"), "--list"});
  EXPECT_EQ(checked.status, kExitFailure);
  EXPECT_NE(checked.out.find("unrepairable pack: sector 10, pack 0\n"
                             "unrepairable pack: sector 50, pack 1\n"
                             "unrepairable pack: sector 83, pack 1\n"),
            std::string::npos)
      << checked.out;
}

TEST_F(RipCli, ASlippedSubcodeIsReportedAndCorrected) {
  testing::LanguageScope english(Language::English);
  testing::WriteQTimes(disc);
  testing::WriteCloneCd(dir, disc);
  ASSERT_EQ(Cli({"rip", ccd, "--track", "1", "-o", dir.File("clean.cdg")}).status, kExitSuccess);

  testing::SlipSubcode(disc, 1);
  dir.Write("disc.sub", disc.sub);
  const CliResult slipped = Cli({"rip", ccd, "--track", "1", "-o", dir.File("s.cdg")});
  EXPECT_NE(slipped.out.find("subcode runs 1 sector late (84 of 84 Q frames)"), std::string::npos)
      << slipped.out;
  const CliResult fixed =
      Cli({"rip", ccd, "--track", "1", "--fix-slip", "-o", dir.File("fixed.cdg")});
  EXPECT_EQ(fixed.status, kExitSuccess) << fixed.err;
  EXPECT_NE(fixed.out.find("shifted by 1 sectors"), std::string::npos) << fixed.out;
  EXPECT_TRUE(testing::ReadFile(dir.File("fixed.cdg")) == testing::ReadFile(dir.File("clean.cdg")));
}

}  // namespace
}  // namespace mosaicer::cli
