// The command line with pictures and songs of every kind: the same pixels or
// samples give the same CDG file whatever file they came in.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

#include "media/picture_encoders.h"
#include "media/song_files.h"
#include "platform/bmp_codec.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Cli;
using testing::ReadFile;
using testing::TempDir;

// A 24-bit picture with smooth areas and edges, so reduction has work to do.
testing::PngPicture Scene(int w, int h) {
  testing::PngPicture picture{.width = w, .height = h};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      picture.samples.insert(picture.samples.end(),
                          {static_cast<unsigned>(x * 255 / w), static_cast<unsigned>(y * 255 / h),
                           static_cast<unsigned>((x / 16 + y / 16) % 2 ? 200 : 40)});
  return picture;
}

Bitmap BitmapOf(const testing::PngPicture& picture) {
  Bitmap b = *Bitmap::Create(picture.width, picture.height, 24).bitmap;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const unsigned* s = picture.samples.data() + (y * picture.width + x) * 3;
      b.SetPixelRgb(x, y, Rgb{static_cast<std::uint8_t>(s[0]), static_cast<std::uint8_t>(s[1]),
                              static_cast<std::uint8_t>(s[2])});
    }
  return b;
}

std::string Text(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

class MediaCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string Png(const std::string& name, const testing::PngPicture& picture) {
    return dir.Write(name, Text(testing::EncodePng(picture)));
  }
  std::string Bmp(const std::string& name, const Bitmap& bitmap) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteBmpFile(bitmap, path));
    return path;
  }
};

// A PNG and a FLAC make the CDG file the BMP of the PNG's pixels and the WAV
// the FLAC was made from make.
TEST_F(MediaCli, APngAndAFlacMakeTheSameCdgAsABmpAndAWavOfTheirContents) {
  const testing::PngPicture picture = Scene(320, 200);
  const std::string png = Png("p.png", picture), bmp = Bmp("p.bmp", BitmapOf(picture));
  const std::string audio = testing::AudioBytes(2352 * 200 + 4 * 17);
  const std::string wav = dir.Write("s.wav", testing::CdWave(audio));
  std::vector<std::int16_t> samples(audio.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(audio[2 * i]) |
                                           audio[2 * i + 1] << 8);
  const std::string flac =
      testing::WriteSong(dir, "s.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, samples);

  const testing::CliResult plain = Cli({"create", bmp, wav, "-o", dir.File("w.cdg")});
  const testing::CliResult decoded = Cli({"create", png, flac, "-o", dir.File("f.cdg")});
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_TRUE(ReadFile(dir.File("w.cdg")) == ReadFile(dir.File("f.cdg")));
  EXPECT_EQ(plain.err.find("注意:"), std::string::npos);
  EXPECT_NE(decoded.err.find("FLAC 44100 Hz 16-bit ステレオ \u2192 44100 Hz 16-bit ステレオ"),
            std::string::npos)
      << decoded.err;
  // crop is the default: naming it changes nothing.
  ASSERT_EQ(Cli({"create", png, flac, "-o", dir.File("c.cdg"), "-q", "--fit", "crop"}).status, 0);
  EXPECT_TRUE(ReadFile(dir.File("f.cdg")) == ReadFile(dir.File("c.cdg")));
}

TEST_F(MediaCli, FitShowsTheWholePictureAndFillCoversTheArea) {
  // A wide picture, twice the area's width and half its height.
  const testing::PngPicture wide = Scene(576, 96);
  const std::string png = Png("wide.png", wide);
  ASSERT_EQ(Cli({"bmp", png, "-o", dir.File("fit.bmp"), "--fit", "fit", "--border", "5"}).status,
            0);
  const BitmapResult fit = ReadBmpFile(dir.File("fit.bmp"));
  ASSERT_TRUE(fit.ok());
  // 288 x 48 in the middle; above and below is the border colour.
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 288 && (y < 72 || y >= 120); ++x)
      ASSERT_EQ(fit.bitmap->PixelIndex(x, y), 5) << x << "," << y;

  // A picture too small to crop from can still be fitted or filled.
  const std::string small = Png("small.png", Scene(100, 50));
  for (const auto& [mode, status] : {std::pair{"crop", 1}, {"fit", 0}, {"fill", 0}, {"stretch", 2}})
    EXPECT_EQ(Cli({"bmp", small, "-o", dir.File(std::string("s-") + mode), "--fit", mode}).status,
              status) << mode;
}

}  // namespace
}  // namespace mosaicer
