#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "support/cli_run.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::TempDir;

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
  const std::size_t g = s.size() / 96;
  for (std::size_t k = 0; k < g; ++k)
    ASSERT_EQ(c.substr(k * kCdgSectorSize + kAudioBytesPerSector, 96), s.substr(k * 96, 96)) << k;
  EXPECT_EQ(s[2 * 96 + 2 * 24 + 4], 7);  // the screen clear uses border colour 7
}

}  // namespace
}  // namespace mosaicer::cli
