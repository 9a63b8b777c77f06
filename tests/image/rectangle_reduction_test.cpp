// Reducing only the rectangle the visible area needs gives exactly what the
// wizard gives after reducing the whole picture.
#include <gtest/gtest.h>

#include <random>

#include "image/bmp_wizard.h"
#include "image/colour_reduction.h"
#include "image/palette_generation.h"
#include "image/prepare_picture.h"
#include "support/picture.h"

namespace mosaicer {
namespace {

// Noise with smooth areas, so both dithering and plain mapping have work.
Bitmap Photo(int width, int height, int bits, unsigned seed) {
  std::mt19937 rng(seed);
  Bitmap picture = *Bitmap::Create(width, height, bits).bitmap;
  if (bits == 8) {
    for (int i = 0; i < 256; ++i)
      picture.SetPaletteEntry(i, {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(i),
                                  static_cast<std::uint8_t>(255 - i), 0});
    picture.SetPaletteCount(256);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto noise = static_cast<std::uint8_t>(rng() % 40);
      if (bits == 8)
        picture.SetPixelIndex(x, y, static_cast<std::uint8_t>((x / 3 + y / 5 + noise) % 256));
      else
        picture.SetPixelRgb(x, y,
                            {static_cast<std::uint8_t>(x + noise), static_cast<std::uint8_t>(y * 2),
                             static_cast<std::uint8_t>((x * y) / 64 + noise)});
    }
  return picture;
}

// The wizard's own run, which reduces the whole picture (the windows' way).
PreparedPicture ThroughTheWholeWizard(const Bitmap& source, const PictureOptions& options) {
  BmpWizardOptions choices;
  choices.methodPosition = options.method;
  choices.bits = options.bits;
  choices.errorDiffusion = options.diffuse;
  choices.diffusionStrength = options.strength;
  TBmpWizardModel wizard(choices);
  wizard.SetPicture(&source);
  wizard.Next();
  wizard.Next();
  EXPECT_EQ(wizard.WorkPicture().Width(), source.Width());
  wizard.MoveSelection(options.originX, options.originY);
  wizard.SelectBorder(options.border);
  wizard.Next();
  const TBmpWizardResult result = wizard.Result();
  return {result.picture, result.palette, result.border, {}};
}

TEST(RectangleReduction, TheTopLeftRectangleIsTheWholeReductionCut) {
  const Bitmap source = Photo(331, 257, 24, 7);
  LogPalette palette = LogPalette::Cleared(16);
  ASSERT_TRUE(GeneratePalette(&source, 3, palette, 0, 16, 6));
  for (const bool diffuse : {true, false}) {
    const Bitmap whole = ReducedCopy(source, palette, diffuse, 0.6f);
    for (const auto& [w, h] : {std::pair{1, 1}, {290, 200}, {331, 1}, {17, 257}, {400, 400}}) {
      SCOPED_TRACE(::testing::Message() << w << "x" << h << (diffuse ? " diffused" : " plain"));
      const Bitmap part = ReducedCopy(source, palette, diffuse, 0.6f, w, h);
      ASSERT_EQ(part.Width(), std::min(w, 331));
      ASSERT_EQ(part.Height(), std::min(h, 257));
      EXPECT_EQ(part.Palette(), whole.Palette());
      for (int y = 0; y < part.Height(); ++y)
        for (int x = 0; x < part.Width(); ++x)
          ASSERT_EQ(part.PixelIndex(x, y), whole.PixelIndex(x, y)) << x << "," << y;
    }
  }
  EXPECT_TRUE(ReducedCopy(source, palette, true, 0.6f, 0, 10).empty());
}

TEST(RectangleReduction, PreparedPicturesEqualTheWholeWizardsAtEveryOrigin) {
  for (const int bits : {24, 8}) {
    const Bitmap source = Photo(401, 263, bits, 11 + bits);
    for (const auto& [x, y] : {std::pair{0, 0}, {113, 71}, {400, 0}, {0, 999}, {-5, 30}}) {
      for (const int strength : {60, 1, 100}) {
        for (const bool diffuse : {true, false}) {
          PictureOptions options;
          options.originX = x;
          options.originY = y;
          options.strength = strength;
          options.diffuse = diffuse;
          options.border = (x + strength) % 16;
          options.method = strength % 3;
          SCOPED_TRACE(::testing::Message() << bits << " bits at " << x << "," << y << " strength "
                                            << strength << (diffuse ? " diffused" : " plain"));
          const PreparedPicture fast = PreparePicture(source, options);
          const PreparedPicture whole = ThroughTheWholeWizard(source, options);
          ASSERT_TRUE(fast.ok()) << fast.error;
          ASSERT_EQ(fast.picture.Width(), whole.picture.Width());
          ASSERT_EQ(fast.picture.BitsPerPixel(), whole.picture.BitsPerPixel());
          EXPECT_EQ(fast.picture.Palette(), whole.picture.Palette());
          EXPECT_EQ(fast.picture.PaletteCount(), whole.picture.PaletteCount());
          EXPECT_TRUE(std::ranges::equal(fast.picture.Pixels(), whole.picture.Pixels()));
          EXPECT_EQ(fast.palette.entries, whole.palette.entries);
          EXPECT_EQ(fast.palette.count, whole.palette.count);
          EXPECT_EQ(fast.border, whole.border);
        }
      }
    }
  }
}

}  // namespace
}  // namespace mosaicer
