#include <gtest/gtest.h>

#include <sys/stat.h>

#include <optional>
#include <sstream>

#include "authoring/authoring_state.h"
#include "authoring/cdg_writer.h"
#include "cli/cli.h"
#include "core/parity.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"
#include "support/cli_run.h"
#include "support/disk_full.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

using testing::TempDir;

using testing::Cli;
using testing::CliResult;

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
  const std::vector<std::string> options = {"--optimize", "full", "--blank",  "2",
                                            "--border",   "7",    "--method", "rgb3d",
                                            "--origin",   "10,20"};
  std::vector<std::string> create = {"create", photo, song, "-o", cdg, "--timing", "first"};
  create.insert(create.end(), options.begin(), options.end());
  ASSERT_EQ(Cli(create).status, kExitSuccess);
  std::vector<std::string> makeRws = {"rws", photo, "-o", rws};
  makeRws.insert(makeRws.end(), options.begin(), options.end());
  ASSERT_EQ(Cli(makeRws).status, kExitSuccess);
  const std::string c = testing::ReadFile(cdg), s = testing::ReadFile(rws);
  ASSERT_EQ(s.size() % 96, 0u);
  const std::size_t g = s.size() / 96;
  for (std::size_t k = 0; k < g; ++k)
    ASSERT_EQ(c.substr(k * kCdgSectorSize + kAudioBytesPerSector, 96), s.substr(k * 96, 96)) << k;
  EXPECT_EQ(s[2 * 96 + 2 * 24 + 4], 7);  // the screen clear uses border colour 7
}

}  // namespace
}  // namespace mosaicer::cli

namespace mosaicer::cli {
namespace {

// A 16-colour picture goes through unreduced: its RWS stream is exactly the
// blank sectors, the picture's colour table, the clear to colour 0 and four
// plane packs per inner tile, rebuilt here pack by pack.
TEST(AuthoringCliExact, SixteenColourPictureGivesTheExactStream) {
  TempDir dir;
  Bitmap b = *Bitmap::Create(288, 192, 4).bitmap;
  for (int i = 0; i < 16; ++i)
    b.SetPaletteEntry(
        i, PaletteEntry{static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(0xF0 - i * 16),
                        static_cast<std::uint8_t>(i * 5), 0});
  b.SetPaletteCount(16);
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 288; ++x)
      b.SetPixelIndex(x, y, static_cast<std::uint8_t>((x * 7 + y * 3 + x * y) % 16));
  const std::string picture = dir.File("sixteen.bmp");
  ASSERT_TRUE(WriteBmpFile(b, picture).ok());
  ASSERT_EQ(Cli({"rws", picture, "-o", dir.File("s.rws"), "--blank", "1"}).status, kExitSuccess);

  TSubCodeErrorCorrect ecc;
  std::string expected(96, '\0');
  const auto add = [&](std::array<std::uint8_t, 24> p) {
    ecc.ComputeQ(p.data());
    ecc.ComputeP(p.data());
    expected.append(reinterpret_cast<const char*>(p.data()), 24);
  };
  for (int half = 0; half < 2; ++half) {
    std::array<std::uint8_t, 24> p{9, static_cast<std::uint8_t>(30 + half)};
    for (int k = 0; k < 8; ++k) {
      const PaletteEntry e = b.Palette()[half * 8 + k];
      p[4 + 2 * k] = static_cast<std::uint8_t>((e.r >> 4) << 2 | (e.g >> 4) >> 2);
      p[5 + 2 * k] = static_cast<std::uint8_t>(((e.g >> 4) & 3) << 4 | (e.b >> 4));
    }
    add(p);
  }
  for (int k = 0; k < 6; ++k) add({9, 1, 0, 0, 0, static_cast<std::uint8_t>(k)});
  for (int row = 1; row <= 16; ++row)
    for (int col = 1; col <= 48; ++col)
      for (int plane = 0; plane < 4; ++plane) {
        std::array<std::uint8_t, 24> p{9,
                                       static_cast<std::uint8_t>(plane == 0 ? 6 : 38),
                                       0,
                                       0,
                                       0,
                                       static_cast<std::uint8_t>(1 << plane),
                                       static_cast<std::uint8_t>(row),
                                       static_cast<std::uint8_t>(col)};
        for (int y = 0; y < 12; ++y)
          for (int x = 0; x < 6; ++x)
            if ((b.PixelIndex((col - 1) * 6 + x, (row - 1) * 12 + y) >> plane) & 1)
              p[8 + y] |= static_cast<std::uint8_t>(0x20 >> x);
        add(p);
      }
  EXPECT_EQ(testing::ReadFile(dir.File("s.rws")), expected);
}

}  // namespace
}  // namespace mosaicer::cli
