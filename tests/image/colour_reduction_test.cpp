#include "image/colour_reduction.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/picture.h"

namespace mosaicer {
namespace {

LogPalette BlackAndWhite() {
  LogPalette palette = LogPalette::Cleared(2);
  palette.entries[1] = {255, 255, 255, 1};
  return palette;
}

Bitmap Grey(const std::vector<std::vector<int>>& rows) {
  Bitmap picture =
      *Bitmap::Create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24).bitmap;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const auto v = static_cast<std::uint8_t>(rows[y][x]);
      picture.SetPixelRgb(x, y, {v, v, v});
    }
  return picture;
}

std::vector<int> Column(const Bitmap& picture) {
  std::vector<int> indices;
  for (int y = 0; y < picture.Height(); ++y) indices.push_back(picture.PixelIndex(0, y));
  return indices;
}

TEST(NearestPaletteIndex, CityBlockDistanceWithTheLowerIndexOnTies) {
  LogPalette palette = LogPalette::Cleared(4);
  palette.entries[1] = {100, 0, 0, 1};
  palette.entries[2] = {80, 80, 50, 1};
  palette.entries[3] = {50, 50, 0, 1};
  EXPECT_EQ(NearestPaletteIndex(palette, 50, 0, 0), 0);  // 50 from 0 and from 1
  // 50 from entry 3 against 60 from entry 2 (which is nearer in a straight line).
  EXPECT_EQ(NearestPaletteIndex(palette, 50, 50, 50), 3);
  palette.count = 3;  // entry 3 is no longer searched
  EXPECT_EQ(NearestPaletteIndex(palette, 50, 50, 50), 2);
  EXPECT_EQ(NearestPaletteIndex(LogPalette::Cleared(0), 9, 9, 9), 0);
}

TEST(ReduceColours, MakesAFourBitPictureCarryingThePalette) {
  Bitmap picture = Grey({{10, 200, 130}});
  ASSERT_TRUE(ReduceColours(&picture, BlackAndWhite(), false, 0.6f));
  EXPECT_EQ(picture.BitsPerPixel(), 4);
  EXPECT_EQ(picture.PaletteCount(), 16);
  EXPECT_EQ(picture.Palette()[1], (PaletteEntry{255, 255, 255, 1}));
  // Odd width: the third pixel stands alone in the high nibble.
  EXPECT_EQ(picture.ScanLine(0)[0], 0x01);
  EXPECT_EQ(picture.ScanLine(0)[1], 0x10);
  EXPECT_FALSE(ReduceColours(nullptr, BlackAndWhite(), false, 0.6f));
}

TEST(ReduceColours, WithoutDiffusionEachPixelMapsOnItsOwn) {
  const Bitmap picture = testing::SixteenColours(9, 5);
  LogPalette palette = LogPalette::Cleared(16);
  for (int i = 0; i < 16; ++i)
    palette.entries[i] = {static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(255 - i * 9),
                          static_cast<std::uint8_t>(i * 5), 1};
  Bitmap reduced = picture;
  ASSERT_TRUE(ReduceColours(&reduced, palette, false, 1.0f));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) {
      const Rgb c = picture.ColourAt(x, y);
      EXPECT_EQ(reduced.PixelIndex(x, y), NearestPaletteIndex(palette, c.r, c.g, c.b));
    }
}

TEST(ReduceColours, ErrorIsTakenFromTheUnclampedWantedColour) {
  // 80 maps to black and passes 40 down. White then searches with 295
  // clamped to 255 but passes on half of 295 - 255 = 40, which lifts 110
  // over the midpoint to white.
  Bitmap picture = Grey({{80}, {255}, {110}});
  ASSERT_TRUE(ReduceColours(&picture, BlackAndWhite(), true, 1.0f));
  EXPECT_EQ(Column(picture), (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(picture.ScanLine(0)[0] & 0x0F, 0);  // spare nibble

  Bitmap alone = Grey({{110}});
  ASSERT_TRUE(ReduceColours(&alone, BlackAndWhite(), true, 1.0f));
  EXPECT_EQ(Column(alone), (std::vector<int>{0}));
}

TEST(ReduceColours, ErrorsReachTheNextRowOnce) {
  // Row 1 spends what row 0 passed down; none of it comes back on row 2,
  // where (0, 2) passes -62 to its right and 115 - 22 stays black.
  Bitmap picture = Grey({{80, 80}, {0, 0}, {110, 115}});
  ASSERT_TRUE(ReduceColours(&picture, BlackAndWhite(), true, 1.0f));
  EXPECT_EQ(picture.PixelIndex(0, 2), 1);
  EXPECT_EQ(picture.PixelIndex(1, 2), 0);
}

TEST(ReduceColours, SmallErrorsTruncateTowardZero) {
  // Coefficient 1 %: an error of +-100 passes on +-0.5, which truncates to
  // 0 on an empty accumulator, so 127 stays black and 128 stays white
  // (rounding would give +1, flooring -1).
  const float onePercent = 1 * 0.01f;
  Bitmap up = Grey({{100}, {127}});
  ASSERT_TRUE(ReduceColours(&up, BlackAndWhite(), true, onePercent));
  EXPECT_EQ(Column(up), (std::vector<int>{0, 0}));
  Bitmap down = Grey({{155}, {128}});
  ASSERT_TRUE(ReduceColours(&down, BlackAndWhite(), true, onePercent));
  EXPECT_EQ(Column(down), (std::vector<int>{1, 1}));

  // Each addition truncates: at 60 % an error of 2 passes on 0.6, and 0.6
  // from the left plus 0.6 from above still leave 0, so 127 stays black.
  Bitmap twice = Grey({{0, 2}, {2, 127}});
  ASSERT_TRUE(ReduceColours(&twice, BlackAndWhite(), true, 0.6f));
  EXPECT_EQ(twice.PixelIndex(1, 1), 0);
}

}  // namespace
}  // namespace mosaicer
