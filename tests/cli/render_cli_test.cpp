#include <gtest/gtest.h>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "support/cli_run.h"
#include "support/pack_stream.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::CdgOf;
using testing::Cli;
using testing::PresetStream;
using testing::TempDir;

TEST(RenderCli, LastFrameOfAnAuthoredStreamIsThePreparedPicture) {
  TempDir dir;
  const std::string picture = testing::WritePicture(dir, "picture.bmp", testing::Gradient(320, 240));
  const std::string rws = dir.File("a.rws"), visible = dir.File("v.bmp");
  ASSERT_EQ(Cli({"rws", picture, "-o", rws, "--border", "5"}).status, kExitSuccess);
  ASSERT_EQ(Cli({"bmp", picture, "-o", visible, "--border", "5"}).status, kExitSuccess);
  const std::string frame = dir.File("f.bmp");
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
  const std::string fromCdg = dir.File("c.bmp");
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
