// play, render, check and divide reading a track of a disc image directly
// give what they give for the ripped CDG file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

class DiscTrackCli : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::Disc disc = testing::MakeDisc(150, 33);
  std::string ccd;
  testing::LanguageScope english{Language::English};
  void SetUp() override {
    // A few damaged symbols, repaired alike by the rip and the direct read.
    for (int s : {5, 50, 99}) disc.sub[s * 96 + 3 * 12 + 2] ^= 0x20;
    ccd = testing::WriteCloneCd(dir, disc);
  }
  // Track `track` ripped as the commands read it.
  std::string Ripped(const std::string& track) {
    const std::string file = dir.File("rip" + track + ".cdg");
    const CliResult r = Cli({"rip", ccd, "--track", track, "-o", file, "--no-log", "-q"});
    EXPECT_EQ(r.status, kExitSuccess) << r.err;
    return file;
  }
};

TEST_F(DiscTrackCli, RenderCheckAndDivideMatchTheRippedFile) {
  for (const std::string track : {"1", "2"}) {
    SCOPED_TRACE("track " + track);
    const std::string ripped = Ripped(track);
    // render: the screen at several moments, the whole track included.
    for (const std::vector<std::string>& at :
         {std::vector<std::string>{}, {"--sector", "9"}, {"--at", "00:00:40"}}) {
      for (const auto& [from, bmp] : {std::pair{ccd, "disc.bmp"}, {ripped, "file.bmp"}}) {
        std::vector<std::string> args = {"render", from, "-o", dir.File(bmp), "--force"};
        if (from == ccd) args.insert(args.end(), {"--track", track});
        args.insert(args.end(), at.begin(), at.end());
        const CliResult r = Cli(args);
        ASSERT_EQ(r.status, kExitSuccess) << r.err;
      }
      EXPECT_EQ(testing::ReadFile(dir.File("disc.bmp")), testing::ReadFile(dir.File("file.bmp")));
    }
    // check: the same figures; only the format line differs.
    const CliResult d = Cli({"check", ccd, "--track", track, "--list"});
    const CliResult f = Cli({"check", ripped, "--list"});
    ASSERT_EQ(d.status, f.status) << d.err;
    ASSERT_EQ(d.out.rfind("format: disc track\n", 0), 0u) << d.out;
    ASSERT_EQ(f.out.rfind("format: cdg\n", 0), 0u) << f.out;
    EXPECT_EQ(d.out.substr(d.out.find('\n')), f.out.substr(f.out.find('\n')));
    EXPECT_NE(d.out.find("sectors: " + std::string(track == "1" ? "85" : "65")),
              std::string::npos);
    // divide: subcode and audio.
    ASSERT_EQ(Cli({"divide", ccd, "--track", track, "-o", dir.File("d.rws"), "--wav",
                   dir.File("d.wav"), "--force", "-q"})
                  .status,
              kExitSuccess);
    ASSERT_EQ(Cli({"divide", ripped, "-o", dir.File("f.rws"), "--wav", dir.File("f.wav"), "--force",
                   "-q"})
                  .status,
              kExitSuccess);
    EXPECT_EQ(testing::ReadFile(dir.File("d.rws")), testing::ReadFile(dir.File("f.rws")));
    EXPECT_EQ(testing::ReadFile(dir.File("d.wav")), testing::ReadFile(dir.File("f.wav")));
  }
}

TEST_F(DiscTrackCli, PlayRunsForTheTracksLength) {
  // Track 1 is 85 sectors: 1.13 s of disc time through the real-time null device.
  const auto began = std::chrono::steady_clock::now();
  const CliResult r = Cli({"play", ccd, "--track", "1", "--device", "null", "-q"});
  const auto took = std::chrono::steady_clock::now() - began;
  ASSERT_EQ(r.status, kExitSuccess) << r.err;
  EXPECT_GE(took, std::chrono::milliseconds(1000));
  EXPECT_LT(took, std::chrono::seconds(10));
}

TEST_F(DiscTrackCli, BadTracksAndDrivesAreNamed) {
  dir.Write("lonely.ccd", testing::kCcd);  // its .img and .sub are missing
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::string bmp = dir.File("x.bmp");
  const std::vector<Case> cases = {
      {{"play", ccd, "--track", "3", "--device", "null"}, kExitFailure,
       "\"" + ccd + "\" has no track 3: the disc has tracks 1 to 2"},
      {{"check", ccd, "--track", "7"}, kExitFailure, "\"" + ccd + "\" has no track 7"},
      {{"render", ccd, "--track", "0", "-o", bmp}, kExitUsage, "--track must be"},
      {{"divide", ccd, "--track", "x", "-o", dir.File("x.rws")}, kExitUsage, "--track must be"},
      {{"check", dir.File("none.ccd"), "--track", "1"}, kExitFailure, "none.ccd"},
      {{"play", dir.File("lonely.ccd"), "--track", "1", "--device", "null"}, kExitFailure,
       "lonely"},
      {{"check", dir.File("missing-device"), "--track", "1"}, kExitFailure, "missing-device"},
      {{"check", ccd, "--track", "1", "--format", "cdg"}, kExitUsage, "--format"},
      // The image's own files are never an output.
      {{"divide", ccd, "--track", "1", "-o", dir.File("disc.sub"), "--force"}, kExitFailure,
       "disc.sub"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1] << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_EQ(testing::ReadFile(dir.File("disc.sub")), disc.sub);
}

}  // namespace
}  // namespace mosaicer::cli
