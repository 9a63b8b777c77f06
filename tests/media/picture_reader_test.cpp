#include "media/picture_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "media/jpeg_decoder.h"
#include "media/picture_encoders.h"
#include "support/temp_dir.h"
#include "support/damage.h"
#include "support/language_scope.h"

namespace mosaicer {
namespace {

using testing::EncodeJpeg;
using testing::EncodePng;
using testing::GarbageAfter;
using testing::JpegPicture;
using testing::PngPicture;
using testing::TempDir;

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A sample of `bits` bits as an 8-bit value: 16-bit samples are multiples of
// 257 in these tests, so both roundings agree.
unsigned To8(unsigned v, int bits) { return bits == 16 ? v / 257 : v * 255 / ((1u << bits) - 1); }
unsigned OnBlack(unsigned c, unsigned a) { return (c * a + 127) / 255; }

// The largest difference of the three components.
int Distance(Rgb got, const int (&want)[3]) {
  return std::max({std::abs(got.r - want[0]), std::abs(got.g - want[1]), std::abs(got.b - want[2])});
}

// Random samples; 16-bit ones are multiples of 257 (see To8).
std::vector<unsigned> RandomSamples(std::size_t count, int bits, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned> s(count);
  for (auto& v : s) v = bits == 16 ? (rng() % 256) * 257 : rng() % (1u << bits);
  return s;
}

struct PngCase {
  const char* name;
  int colourType;
  int bitDepth;
  bool interlaced;
};

class PngColourTypes : public ::testing::TestWithParam<PngCase> {};

// Every colour type and depth the PNG format allows, interlaced and not:
// the decoded colours are the written samples, laid on black by their alpha.
TEST_P(PngColourTypes, DecodesTheWrittenPixels) {
  const PngCase& c = GetParam();
  // 37 x 23: not a multiple of any packing or interlace step.
  PngPicture picture{37, 23, c.colourType, c.bitDepth, c.interlaced};
  const int channels = testing::PngChannels(c.colourType);
  picture.samples = RandomSamples(static_cast<std::size_t>(picture.width * picture.height * channels),
                               c.bitDepth, static_cast<unsigned>(c.colourType * 100 + c.bitDepth));
  for (int i = 0; c.colourType == PNG_COLOR_TYPE_PALETTE && i < (1 << c.bitDepth); ++i)
    picture.palette.push_back(png_color{static_cast<png_byte>(i * 7), static_cast<png_byte>(255 - i),
                                        static_cast<png_byte>(i * 3 + 1)});
  const std::vector<std::uint8_t> file = EncodePng(picture);
  ASSERT_FALSE(file.empty());

  const BitmapResult read = DecodePicture(file);
  ASSERT_TRUE(read.ok()) << read.error;
  const Bitmap& bitmap = *read.bitmap;
  ASSERT_EQ(bitmap.Width(), picture.width);
  ASSERT_EQ(bitmap.Height(), picture.height);
  const bool smallPalette = c.colourType == PNG_COLOR_TYPE_PALETTE && picture.palette.size() <= 16;
  EXPECT_EQ(bitmap.BitsPerPixel(), smallPalette ? 4 : 24);
  if (smallPalette) {
    EXPECT_EQ(bitmap.PaletteCount(), static_cast<int>(picture.palette.size()));
  }

  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const unsigned* s = picture.samples.data() + (y * picture.width + x) * channels;
      Rgb want;
      if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        const png_color& p = picture.palette[s[0]];
        want = {p.red, p.green, p.blue};
        if (smallPalette) {
          EXPECT_EQ(bitmap.PixelIndex(x, y), s[0]);
        }
      } else {
        // Colour samples as 8-bit levels, laid on black by the alpha sample.
        const int colours = channels <= 2 ? 1 : 3;
        const unsigned alpha = channels > colours ? To8(s[colours], c.bitDepth) : 255;
        const auto level = [&](int i) {
          return static_cast<std::uint8_t>(OnBlack(To8(s[colours == 1 ? 0 : i], c.bitDepth), alpha));
        };
        want = {level(0), level(1), level(2)};
      }
      ASSERT_EQ(bitmap.ColourAt(x, y), want) << "at " << x << "," << y;
    }
}

// clang-format off
const PngCase kPngCases[] = {
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, false},       {"grey2", PNG_COLOR_TYPE_GRAY, 2, true},
    {"grey4", PNG_COLOR_TYPE_GRAY, 4, false},       {"grey8", PNG_COLOR_TYPE_GRAY, 8, true},
    {"grey16", PNG_COLOR_TYPE_GRAY, 16, false},     {"greyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
    {"greyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true}, {"rgb8", PNG_COLOR_TYPE_RGB, 8, false},
    {"rgb8i", PNG_COLOR_TYPE_RGB, 8, true},         {"rgb16", PNG_COLOR_TYPE_RGB, 16, false},
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, true},   {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false}, {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false},
    {"palette4", PNG_COLOR_TYPE_PALETTE, 4, true},  {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(AllKinds, PngColourTypes, ::testing::ValuesIn(kPngCases),
                         [](const auto& info) { return info.param.name; });

TEST(PngTransparency, PaletteAlphaAndTransparentColourAreLaidOnBlack) {
  // A 16-colour palette whose entry 3 is half transparent and 5 invisible.
  PngPicture palette{.width = 4, .height = 2, .colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 4};
  for (int i = 0; i < 16; ++i)
    palette.palette.push_back(png_color{200, 100, static_cast<png_byte>(i * 16)});
  palette.paletteAlpha = {255, 255, 255, 128, 255, 0};
  palette.samples = {0, 3, 5, 15, 3, 3, 5, 0};
  const BitmapResult read = DecodePicture(EncodePng(palette));
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.bitmap->BitsPerPixel(), 4);
  EXPECT_EQ(read.bitmap->ColourAt(1, 0), (Rgb{100, 50, 24}));
  EXPECT_EQ(read.bitmap->ColourAt(2, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(read.bitmap->ColourAt(3, 0), (Rgb{200, 100, 240}));
  EXPECT_EQ(read.bitmap->PixelIndex(1, 1), 3);

  // An RGB picture whose colour (10, 20, 30) is marked transparent.
  PngPicture rgb{.width = 2, .height = 1, .transparentColour = true};
  rgb.transparent.red = 10, rgb.transparent.green = 20, rgb.transparent.blue = 30;
  rgb.samples = {10, 20, 30, 10, 20, 31};
  const BitmapResult rgbRead = DecodePicture(EncodePng(rgb));
  ASSERT_TRUE(rgbRead.ok()) << rgbRead.error;
  EXPECT_EQ(rgbRead.bitmap->ColourAt(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(rgbRead.bitmap->ColourAt(1, 0), (Rgb{10, 20, 31}));
}

// A smooth picture (JPEG keeps those within a few levels) in the colour
// space asked: RGB, grey or CMYK samples.
std::vector<std::uint8_t> SmoothSamples(int w, int h, int components) {
  std::vector<std::uint8_t> s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < components; ++c)
        s.push_back(static_cast<std::uint8_t>((x * 4 + y * 2 + c * 60) % 256 / 2 + 40));
  return s;
}

struct JpegCase {
  const char* name;
  J_COLOR_SPACE space;
  bool progressive;
};

class JpegKinds : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegKinds, DecodesWithinTheCodecsTolerance) {
  const JpegCase& c = GetParam();
  JpegPicture picture{.width = 40, .height = 24, .space = c.space, .progressive = c.progressive};
  const int components = c.space == JCS_GRAYSCALE ? 1 : c.space == JCS_CMYK ? 4 : 3;
  picture.samples = SmoothSamples(picture.width, picture.height, components);
  const std::vector<std::uint8_t> file = EncodeJpeg(picture);
  ASSERT_FALSE(file.empty());

  const BitmapResult read = DecodePicture(file);
  ASSERT_TRUE(read.ok()) << read.error;
  const Bitmap& bitmap = *read.bitmap;
  ASSERT_EQ(bitmap.BitsPerPixel(), 24);
  ASSERT_EQ(bitmap.Width(), picture.width);
  ASSERT_EQ(bitmap.Height(), picture.height);
  constexpr int kTolerance = 6;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* s = picture.samples.data() + (y * picture.width + x) * components;
      // libjpeg writes CMYK with Adobe's marker: samples are inverted ink,
      // so a channel is C' * K' / 255.
      int want[3];
      for (int i = 0; i < 3; ++i)
        want[i] = components == 1 ? s[0] : components == 3 ? s[i] : s[i] * s[3] / 255;
      EXPECT_LE(Distance(bitmap.PixelRgb(x, y), want), kTolerance) << x << "," << y;
    }
}

const JpegCase kJpegCases[] = {{"baseline", JCS_RGB, false},
                               {"progressive", JCS_RGB, true},
                               {"grey", JCS_GRAYSCALE, false},
                               {"greyProgressive", JCS_GRAYSCALE, true},
                               {"cmyk", JCS_CMYK, false}};
INSTANTIATE_TEST_SUITE_P(AllKinds, JpegKinds, ::testing::ValuesIn(kJpegCases),
                         [](const auto& info) { return info.param.name; });

// Corner colours: red, green, blue and white corners of an upright picture.
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

struct OrientationCase {
  int orientation;
  // What the file stores in its corners (top left, top right, bottom left,
  // bottom right) so that, turned as the tag says, red is top left, green
  // top right, blue bottom left and white bottom right.
  Rgb stored[4];
};

TEST(JpegOrientation, EveryExifOrientationShowsThePictureUpright) {
  const OrientationCase cases[] = {
      {1, {kRed, kGreen, kBlue, kWhite}}, {2, {kGreen, kRed, kWhite, kBlue}},
      {3, {kWhite, kBlue, kGreen, kRed}}, {4, {kBlue, kWhite, kRed, kGreen}},
      {5, {kRed, kBlue, kGreen, kWhite}}, {6, {kGreen, kWhite, kRed, kBlue}},
      {7, {kWhite, kGreen, kBlue, kRed}}, {8, {kBlue, kRed, kWhite, kGreen}},
  };
  constexpr int kW = 32, kH = 16;
  for (const OrientationCase& c : cases)
    for (bool bigEndian : {true, false}) {
      JpegPicture picture{.width = kW, .height = kH};
      picture.app1 = testing::ExifWithOrientation(c.orientation, bigEndian);
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const Rgb colour = c.stored[(y >= kH / 2 ? 2 : 0) + (x >= kW / 2 ? 1 : 0)];
          picture.samples.insert(picture.samples.end(), {colour.r, colour.g, colour.b});
        }
      const BitmapResult read = DecodePicture(EncodeJpeg(picture));
      ASSERT_TRUE(read.ok()) << read.error;
      const Bitmap& b = *read.bitmap;
      const bool turned = c.orientation >= 5;
      ASSERT_EQ(b.Width(), turned ? kH : kW) << c.orientation;
      ASSERT_EQ(b.Height(), turned ? kW : kH) << c.orientation;
      const Rgb corners[4] = {b.PixelRgb(1, 1), b.PixelRgb(b.Width() - 2, 1),
                              b.PixelRgb(1, b.Height() - 2),
                              b.PixelRgb(b.Width() - 2, b.Height() - 2)};
      const int want[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      for (int i = 0; i < 4; ++i)
        EXPECT_LE(Distance(corners[i], want[i]), 8) << "orientation " << c.orientation << " corner " << i;
    }
}

TEST(ExifOrientation, MalformedSegmentsMeanUpright) {
  std::vector<std::uint8_t> good = testing::ExifWithOrientation(6, true);
  EXPECT_EQ(ExifOrientation(good), 6);
  EXPECT_EQ(ExifOrientation(testing::ExifWithOrientation(9, false)), 1);  // no such orientation
  EXPECT_EQ(ExifOrientation({good.begin(), good.begin() + 20}), 1);  // entry cut short
  std::vector<std::uint8_t> farDirectory = good;
  farDirectory[6 + 4] = 0x7F;  // first directory far past the end
  EXPECT_EQ(ExifOrientation(farDirectory), 1);
  EXPECT_EQ(ExifOrientation(std::vector<std::uint8_t>{'X', 'M', 'P'}), 1);
}

PngPicture SmallRgbPng() {
  return {.width = 64, .height = 64, .samples = RandomSamples(64 * 64 * 3, 8, 7)};
}

// Damaged and unknown files are refused with a sentence naming the file.
TEST(ReadPicture, RefusesDamagedAndUnknownFilesNamingThem) {
  testing::LanguageScope english(Language::English);
  TempDir dir;
  const std::string png = Text(EncodePng(SmallRgbPng()));
  const std::string jpeg =
      Text(EncodeJpeg({.width = 64, .height = 64, .samples = SmoothSamples(64, 64, 3)}));
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"cut.png", png.substr(0, png.size() / 2), "is damaged"},
      {"garbage.png", GarbageAfter(png, 33, 3), "is damaged"},  // signature and IHDR kept
      {"nodata.png", png.substr(0, 8), "is damaged"},
      {"cut.jpg", jpeg.substr(0, jpeg.size() / 2), "is damaged"},
      {"garbage.jpg", GarbageAfter(jpeg, 400, 3), "is damaged"},  // the headers kept
      {"header.jpg", jpeg.substr(0, 3), "is damaged"},
      {"text.png", "hello, this is no picture", "is not a picture this program can read"},
      {"empty.jpg", "", "is not a picture this program can read"},
      {"cut.bmp", "BM\x10\x00", "is not a BMP picture that can be read"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    const BitmapResult read = ReadPicture(path);
    EXPECT_FALSE(read.ok()) << c.name;
    EXPECT_NE(read.error.find("\"" + path + "\""), std::string::npos) << read.error;
    EXPECT_NE(read.error.find(c.says), std::string::npos) << c.name << ": " << read.error;
  }
  const BitmapResult missing = ReadPicture(dir.File("none.png"));
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.error.find("none.png"), std::string::npos);
}

TEST(ReadPicture, RefusesPicturesPastTheSizeLimitsBeforeDecoding) {
  testing::LanguageScope english(Language::English);
  // A one-row picture wider than any Bitmap may be; tiny as a file.
  const PngPicture wide{.width = 30'001, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY,
                        .bitDepth = 1, .samples = std::vector<unsigned>(30'001, 0)};
  const JpegPicture tall{.width = 1, .height = 30'001, .space = JCS_GRAYSCALE, .quality = 50,
                         .samples = std::vector<std::uint8_t>(30'001, 0)};
  for (const std::vector<std::uint8_t>& file : {EncodePng(wide), EncodeJpeg(tall)}) {
    ASSERT_FALSE(file.empty());
    const BitmapResult read = DecodePicture(file);
    EXPECT_FALSE(read.ok());
    EXPECT_NE(read.error.find("too large"), std::string::npos) << read.error;
  }
  // And the caller's own, smaller limit.
  const BitmapResult limited = DecodePicture(EncodePng(SmallRgbPng()), 64 * 63);
  EXPECT_FALSE(limited.ok());
}

}  // namespace
}  // namespace mosaicer
