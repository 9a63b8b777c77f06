#include "image/palette_generation.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace mosaicer {
namespace {

constexpr int kRgb3D = 1, kRrggbb = 2, kRgbrgb = 3;

// A 24-bit picture one pixel high holding each colour `times` times.
Bitmap Strip(const std::vector<std::pair<Rgb, int>>& runs) {
  int width = 0;
  for (const auto& run : runs) width += run.second;
  Bitmap picture = *Bitmap::Create(width, 1, 24).bitmap;
  int x = 0;
  for (const auto& [colour, times] : runs)
    for (int i = 0; i < times; ++i) picture.SetPixelRgb(x++, 0, colour);
  return picture;
}

std::vector<Rgb> Colours(const LogPalette& palette, int from = 0) {
  std::vector<Rgb> colours;
  for (int i = from; i < palette.count; ++i) {
    EXPECT_EQ(palette.entries[i].flags, 1) << i;
    colours.push_back(palette.entries[i].colour());
  }
  return colours;
}

LogPalette Generate(const Bitmap& picture, int method, int bits, LogPalette palette = {},
                    int keep = 0) {
  palette.count = static_cast<std::uint16_t>(keep);
  EXPECT_TRUE(GeneratePalette(&picture, method, palette, keep, 16 - keep, bits));
  return palette;
}

// Three colours, 3 + 2 + 1 pixels: quantised at 4 bits to (1,0,0), (0,2,0)
// and (0,0,3).
Bitmap ThreeColours() { return Strip({{{16, 0, 0}, 3}, {{0, 32, 0}, 2}, {{0, 0, 48}, 1}}); }

TEST(GeneratePalette, OneColourPictureGivesOneColour) {
  const Bitmap red = Strip({{{255, 0, 0}, 4}});
  // Rgb3D cannot cut at the top value, so red stops at 62 << 2.
  EXPECT_EQ(Colours(Generate(red, kRgb3D, 6)), (std::vector<Rgb>{{248, 0, 0}}));
  EXPECT_EQ(Colours(Generate(red, kRrggbb, 6)), (std::vector<Rgb>{{252, 0, 0}}));
  EXPECT_EQ(Colours(Generate(red, kRgbrgb, 6)), (std::vector<Rgb>{{252, 0, 0}}));
}

TEST(GeneratePalette, Rgb3DCutsTheFullestBoxAtItsMarginalMedians) {
  // Cut by hand: the whole cube at (0,0,0); the red box at r = 1; the
  // green box at g = 2, then its lower half g 1..2 at its lowest value 1
  // (the walk never reaches the top); then the one-pixel blue box at each
  // of its lowest values in turn, since half a pixel rounds down to 0.
  EXPECT_EQ(
      Colours(Generate(ThreeColours(), kRgb3D, 4)),
      (std::vector<Rgb>{
          {0, 0, 0}, {16, 0, 0}, {0, 32, 0}, {0, 16, 0}, {0, 0, 16}, {0, 0, 32}, {0, 0, 48}}));
}

TEST(GeneratePalette, OneDimensionalMethodsCutAlongTheirKeys) {
  // Rrggbb keys: blue 3 < green 32 < red 256. The first median is green;
  // equal counts (3 and 3) then pick the lower interval.
  EXPECT_EQ(Colours(Generate(ThreeColours(), kRrggbb, 4)),
            (std::vector<Rgb>{{0, 32, 0}, {0, 0, 48}, {16, 0, 0}}));
  // Interleaved keys: red 4 < blue 9 < green 16.
  EXPECT_EQ(Colours(Generate(ThreeColours(), kRgbrgb, 4)),
            (std::vector<Rgb>{{16, 0, 0}, {0, 0, 48}, {0, 32, 0}}));
}

TEST(GeneratePalette, TopKeyHoldingMoreThanHalfIsSetApart) {
  // White is the last key and holds 3 of 4 pixels: it becomes the first
  // colour, and black what remains below it.
  const Bitmap picture = Strip({{{0, 0, 0}, 1}, {{255, 255, 255}, 3}});
  EXPECT_EQ(Colours(Generate(picture, kRrggbb, 4)), (std::vector<Rgb>{{240, 240, 240}, {0, 0, 0}}));
}

TEST(GeneratePalette, KeptEntriesStayAndOneDimensionalMethodsNeverRepeatThem) {
  LogPalette kept;
  kept.entries[0] = {16, 0, 0, 7};
  const LogPalette out = Generate(ThreeColours(), kRrggbb, 4, kept, 1);
  EXPECT_EQ(out.entries[0], (PaletteEntry{16, 0, 0, 7}));
  EXPECT_EQ(Colours(out, 1), (std::vector<Rgb>{{0, 32, 0}, {0, 0, 48}}));

  // Rgb3D does not look at kept colours.
  kept.entries[0] = {248, 0, 0, 7};
  EXPECT_EQ(Colours(Generate(Strip({{{255, 0, 0}, 4}}), kRgb3D, 6, kept, 1), 1),
            (std::vector<Rgb>{{248, 0, 0}}));
}

TEST(GeneratePalette, KeepingFifteenWritesOnlyTheLastEntry) {
  LogPalette kept;
  for (int i = 0; i < 15; ++i) kept.entries[i] = {static_cast<std::uint8_t>(i), 1, 2, 0};
  for (int method : {kRgb3D, kRrggbb, kRgbrgb}) {
    const LogPalette out = Generate(ThreeColours(), method, 4, kept, 15);
    EXPECT_EQ(out.count, 16) << method;
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out.entries[i], kept.entries[i]) << method;
    EXPECT_EQ(out.entries[15].flags, 1) << method;
  }
}

TEST(GeneratePalette, IndexedPicturesAreCountedThroughTheirColourTable) {
  Bitmap picture = *Bitmap::Create(6, 1, 4).bitmap;
  picture.SetPaletteEntry(1, {16, 0, 0, 0});
  picture.SetPaletteEntry(2, {0, 32, 0, 0});
  picture.SetPaletteEntry(3, {0, 0, 48, 0});
  const int indices[] = {1, 1, 1, 2, 2, 3};
  for (int x = 0; x < 6; ++x) picture.SetPixelIndex(x, 0, static_cast<std::uint8_t>(indices[x]));
  EXPECT_EQ(Colours(Generate(picture, kRrggbb, 4)), Colours(Generate(ThreeColours(), kRrggbb, 4)));
}

}  // namespace
}  // namespace mosaicer
