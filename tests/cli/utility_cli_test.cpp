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

}  // namespace
}  // namespace mosaicer::cli
