#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;

using testing::Cli;
using testing::CliResult;

class UtilityCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string bytes = testing::AudioBytes(27 * kCdgSectorSize, 9);
  std::string input = dir.Write("in.cdg", bytes);
  std::string rws = dir.File("out.rws"), wav = dir.File("out.wav"), cdg = dir.File("out.cdg");
};

TEST_F(UtilityCli, DivideThenCombineRoundTrips) {
  const CliResult divide = Cli({"divide", input, "-o", rws, "--wav", wav});
  ASSERT_EQ(divide.status, kExitSuccess) << divide.err;
  EXPECT_EQ(divide.out, "分割成功\n");
  const CliResult combine = Cli({"combine", rws, wav, "-o", cdg, "-q"});
  ASSERT_EQ(combine.status, kExitSuccess) << combine.err;
  EXPECT_EQ(combine.out, "");
  EXPECT_TRUE(ReadFile(cdg) == bytes);
}

TEST_F(UtilityCli, CombineConvertsASongThatIsNotCdAudioAndRefusesNoSong) {
  const std::string sub = dir.Write("sub.rws", std::string(kSubcodeBytesPerSector, 'x'));
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 44100, 16)) +
                                          testing::Chunk("data", std::string(4, '\0'))));
  EXPECT_EQ(Cli({"combine", sub, mono, "-o", cdg}).status, kExitSuccess);
  const std::string text = dir.Write("text.wav", "no song here");
  const CliResult r = Cli({"combine", sub, text, "-o", cdg, "--force"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("はこのプログラムで読める曲ではありません"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace mosaicer::cli
