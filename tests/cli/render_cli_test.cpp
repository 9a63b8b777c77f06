#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "platform/bmp_codec.h"
#include "support/pack_stream.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::PresetStream;
using testing::TempDir;

int Cli(std::vector<std::string> args, std::string* err = nullptr) {
  std::ostringstream out, errors;
  const int status = RunCli(args, out, errors);
  if (err) *err = errors.str();
  return status;
}

Bitmap Read(const std::string& path) {
  BitmapResult r = ReadBmpFile(path);
  EXPECT_TRUE(r.ok()) << path << ": " << r.error;
  return r.ok() ? std::move(*r.bitmap) : Bitmap();
}

// A 24-bit picture with a few colour bands, saved for the authoring commands.
std::string Picture(const TempDir& dir) {
  constexpr int kWidth = 320, kHeight = 240;
  Bitmap b = *Bitmap::Create(kWidth, kHeight, 24).bitmap;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      b.SetPixelRgb(
          x, y,
          Rgb{static_cast<std::uint8_t>(x / 40 * 32), static_cast<std::uint8_t>(y / 30 * 32),
              static_cast<std::uint8_t>((x + y) / 70 * 48)});
  const std::string path = dir.File("picture.bmp");
  EXPECT_TRUE(WriteBmpFile(b, path).ok());
  return path;
}

// The same packs in 2448-byte sectors, with audio that looks like graphics
// packs so that reading it as subcode would show.
std::string AsCdg(const std::string& rws) {
  std::string cdg;
  for (std::size_t at = 0; at < rws.size(); at += kSubcodeBytesPerSector) {
    // Audio that would paint wrong colours if it were read as packs.
    cdg += testing::AudioBytes(kAudioBytesPerSector, static_cast<unsigned>(at));
    cdg.append(rws, at, kSubcodeBytesPerSector);
  }
  return cdg;
}

TEST(RenderCli, LastFrameOfAnAuthoredStreamIsThePreparedPicture) {
  TempDir dir;
  const std::string picture = Picture(dir);
  const std::string rws = dir.File("a.rws"), visible = dir.File("v.bmp");
  ASSERT_EQ(Cli({"rws", picture, "-o", rws, "--border", "5"}), kExitSuccess);
  ASSERT_EQ(Cli({"bmp", picture, "-o", visible, "--border", "5"}), kExitSuccess);
  const std::string frame = dir.File("f.bmp");
  ASSERT_EQ(Cli({"render", rws, "-o", frame}), kExitSuccess);

  const Bitmap want = Read(visible), got = Read(frame);
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
  const std::string cdg = dir.Write("a.cdg", AsCdg(testing::ReadFile(rws)));
  const std::string fromCdg = dir.File("c.bmp");
  ASSERT_EQ(Cli({"render", cdg, "-o", fromCdg}), kExitSuccess);
  EXPECT_EQ(testing::ReadFile(fromCdg), testing::ReadFile(frame));

  const std::string big = dir.File("big.bmp");
  ASSERT_EQ(Cli({"render", cdg, "-o", big, "--size", "600x432", "--format", "cdg"}), kExitSuccess);
  const Bitmap scaled = Read(big);
  ASSERT_EQ(scaled.Width(), 600);
  EXPECT_EQ(scaled.PixelIndex(12 + 2 * 100, 24 + 2 * 50), got.PixelIndex(6 + 100, 12 + 50));
}

TEST(RenderCli, SectorAndTimeSelectHowFarToDecode) {
  TempDir dir;
  const std::string stream = PresetStream(100);
  const std::string rws = dir.Write("p.rws", stream);
  const std::string cdg = dir.Write("p.cdg", AsCdg(stream));
  const auto borderAfter = [&](std::vector<std::string> args) {
    const std::string out = dir.File("x.bmp");
    args.insert(args.end(), {"-o", out, "--force"});
    EXPECT_EQ(Cli(args), kExitSuccess);
    return static_cast<int>(Read(out).PixelIndex(0, 0));
  };
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "5"}), 4);
  EXPECT_EQ(borderAfter({"render", cdg, "--sector", "5"}), 4);
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "0"}), 0);
  EXPECT_EQ(borderAfter({"render", rws, "--at", "00:01:05"}), 79 % 16);  // 80 sectors
  EXPECT_EQ(borderAfter({"render", cdg}), 99 % 16);
  EXPECT_EQ(borderAfter({"render", rws, "--sector", "1000", "-q"}), 99 % 16);
}

TEST(RenderCli, RefusesBadOptionsAndExistingOutput) {
  TempDir dir;
  const std::string rws = dir.Write("p.rws", PresetStream(4));
  const std::string out = dir.Write("old.bmp", "keep me");
  std::string err;
  EXPECT_EQ(Cli({"render", rws, "-o", out}, &err), kExitFailure);
  EXPECT_NE(err.find("--force"), std::string::npos);
  EXPECT_EQ(testing::ReadFile(out), "keep me");

  const std::string fresh = dir.File("new.bmp");
  EXPECT_EQ(Cli({"render", rws}), kExitUsage);
  EXPECT_EQ(Cli({"render", rws, "-o", fresh, "--at", "00-00-01"}), kExitUsage);
  EXPECT_EQ(Cli({"render", rws, "-o", fresh, "--at", "00:00:01", "--sector", "1"}), kExitUsage);
  EXPECT_EQ(Cli({"render", rws, "-o", fresh, "--size", "0x10"}), kExitUsage);
  EXPECT_EQ(Cli({"render", rws, "-o", fresh, "--format", "bin"}), kExitUsage);
  EXPECT_EQ(Cli({"render", dir.File("missing.rws"), "-o", fresh}), kExitFailure);
  EXPECT_FALSE(std::filesystem::exists(fresh));
}

}  // namespace
}  // namespace mosaicer::cli
