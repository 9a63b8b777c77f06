#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include "support/language_scope.h"

namespace mosaicer {
namespace {

Bitmap Make(int width, int height, int bits) {
  BitmapResult result = Bitmap::Create(width, height, bits);
  EXPECT_TRUE(result.ok()) << result.error;
  return result.ok() ? std::move(*result.bitmap) : Bitmap{};
}

TEST(BitmapCreate, RefusesSizesAndDepthsOutsideTheLimits) {
  testing::LanguageScope english(Language::English);
  EXPECT_EQ(Bitmap::Create(0, 10, 1).error, "invalid image size (0 x 10 pixels)");
  EXPECT_EQ(Bitmap::Create(10, -1, 1).error, "invalid image size (10 x -1 pixels)");
  // A side past 30000, or over 200 million pixels although each side is allowed.
  for (const auto& [w, h] : {std::pair{30'001, 1}, {1, 30'001}, {20'000, 10'001}})
    EXPECT_EQ(Bitmap::Create(w, h, 1).error,
              "image too large (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)");
  EXPECT_TRUE(Bitmap::Create(30'000, 2, 1).ok());
  for (int bits : {0, 2, 16, 32}) EXPECT_FALSE(Bitmap::Create(4, 4, bits).ok()) << bits;
}

TEST(BitmapLayout, IndexedPixelsPackLeftmostPixelInTheHighBits) {
  Bitmap nibbles = Make(3, 2, 4);
  nibbles.SetPixelIndex(0, 1, 0xA);
  nibbles.SetPixelIndex(1, 1, 0x5);
  nibbles.SetPixelIndex(2, 1, 0xF3);  // only the low four bits are kept
  EXPECT_EQ(nibbles.ScanLine(1)[0], 0xA5);
  EXPECT_EQ(nibbles.ScanLine(1)[1], 0x30);
  EXPECT_EQ(nibbles.ScanLine(0)[0], 0x00);
  nibbles.SetPixelIndex(0, 1, 0);
  EXPECT_EQ(nibbles.PixelIndex(1, 1), 0x5);  // neighbour untouched

  Bitmap bits = Make(10, 1, 1);
  bits.SetPixelIndex(0, 0, 1);
  bits.SetPixelIndex(9, 0, 1);
  EXPECT_EQ(bits.ScanLine(0)[0], 0x80);
  EXPECT_EQ(bits.ScanLine(0)[1], 0x40);
  EXPECT_EQ(bits.PixelIndex(9, 0), 1);
  EXPECT_EQ(bits.PixelIndex(8, 0), 0);
}

TEST(BitmapColour, IndexedPixelsLookUpThePalette) {
  Bitmap bitmap = Make(2, 1, 8);
  bitmap.SetPaletteEntry(200, PaletteEntry{1, 2, 3, 9});
  bitmap.SetPixelIndex(1, 0, 200);
  EXPECT_EQ(bitmap.ColourAt(1, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(bitmap.ColourAt(0, 0), (Rgb{0, 0, 0}));
  bitmap.SetPaletteCount(300);
  EXPECT_EQ(bitmap.PaletteCount(), kPaletteSize);
}

}  // namespace
}  // namespace mosaicer
