#include "media/picture_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace mosaicer {
namespace {

Bitmap RandomPicture(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  Bitmap b = *Bitmap::Create(w, h, 24).bitmap;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixelRgb(x, y, Rgb{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                              static_cast<std::uint8_t>(rng())});
  return b;
}

TEST(ScaleArea, IntegerRatiosGiveTheBlockAverages) {
  for (const auto& [blockW, blockH] : {std::pair{2, 2}, {3, 3}, {4, 2}, {1, 5}}) {
    const int tw = 7, th = 5;
    const Bitmap source = RandomPicture(tw * blockW, th * blockH, blockW * 10 + blockH);
    const BitmapResult scaled = ScaleArea(source, tw, th);
    ASSERT_TRUE(scaled.ok());
    for (int ty = 0; ty < th; ++ty)
      for (int tx = 0; tx < tw; ++tx) {
        int sum[3] = {};
        for (int y = 0; y < blockH; ++y)
          for (int x = 0; x < blockW; ++x) {
            const Rgb p = source.PixelRgb(tx * blockW + x, ty * blockH + y);
            sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
          }
        const int n = blockW * blockH;
        const Rgb got = scaled.bitmap->PixelRgb(tx, ty);
        const int component[3] = {got.r, got.g, got.b};
        for (int i = 0; i < 3; ++i)
          ASSERT_EQ(component[i], (sum[i] + n / 2) / n) << blockW << "x" << blockH;
      }
  }
}

TEST(ScaleArea, UnevenRatiosShareEdgePixelsAndKeepTheMean) {
  // 3 pixels into 2: the middle one is shared half and half.
  Bitmap row = *Bitmap::Create(3, 1, 24).bitmap;
  for (int x : {1, 2}) row.SetPixelRgb(x, 0, x == 1 ? Rgb{90, 90, 90} : Rgb{240, 240, 240});
  const BitmapResult two = ScaleArea(row, 2, 1);
  ASSERT_TRUE(two.ok());
  EXPECT_EQ(two.bitmap->PixelRgb(0, 0), (Rgb{30, 30, 30}));     // (0 * 2 + 90) / 3
  EXPECT_EQ(two.bitmap->PixelRgb(1, 0), (Rgb{190, 190, 190}));  // (90 + 240 * 2) / 3

  // Any size: the picture's mean colour stays within rounding.
  const Bitmap source = RandomPicture(301, 203, 11);
  const BitmapResult scaled = ScaleArea(source, 97, 41);
  ASSERT_TRUE(scaled.ok());
  auto mean = [](const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) sum += b.PixelRgb(x, y).g;
    return sum / (b.Width() * b.Height());
  };
  EXPECT_NEAR(mean(*scaled.bitmap), mean(source), 0.5);
}

TEST(ScaleArea, EnlargingRepeatsPixelsAndIndexedPicturesScaleByTheirColours) {
  Bitmap indexed = *Bitmap::Create(2, 2, 4).bitmap;
  indexed.SetPaletteEntry(1, PaletteEntry{10, 20, 30, 0});
  indexed.SetPaletteEntry(2, PaletteEntry{200, 100, 0, 0});
  indexed.SetPaletteCount(3);
  indexed.SetPixelIndex(0, 0, 1);
  indexed.SetPixelIndex(1, 1, 2);
  const BitmapResult big = ScaleArea(indexed, 6, 4);
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(big.bitmap->BitsPerPixel(), 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(big.bitmap->PixelRgb(x, y), indexed.ColourAt(x / 3, y / 2)) << x << "," << y;
  EXPECT_FALSE(ScaleArea(indexed, 0, 4).ok());
  EXPECT_FALSE(ScaleArea(Bitmap(), 4, 4).ok());
}

TEST(PlaceFitted, FitAndFillPlaceWideTallAndSmallPictures) {
  struct Case {
    const char* name;
    int w, h;
    PictureFit fit;
    FitPlacement want;
  };
  const Case cases[] = {
      {"photo fit", 4000, 3000, PictureFit::Fit, {16, 0, 256, 192}},
      {"photo fill", 4000, 3000, PictureFit::Fill, {0, 0, 288, 216}},
      {"wide fit", 4000, 1000, PictureFit::Fit, {0, 60, 288, 72}},
      {"wide fill", 4000, 1000, PictureFit::Fill, {0, 0, 768, 192}},
      {"tall fit", 1000, 4000, PictureFit::Fit, {120, 0, 48, 192}},
      {"tall fill", 1000, 4000, PictureFit::Fill, {0, 0, 288, 1152}},
      {"small fit", 100, 50, PictureFit::Fit, {0, 24, 288, 144}},
      {"small fill", 100, 50, PictureFit::Fill, {0, 0, 384, 192}},
      {"exact fit", 288, 192, PictureFit::Fit, {0, 0, 288, 192}},
      {"exact fill", 288, 192, PictureFit::Fill, {0, 0, 288, 192}},
      {"line fit", 30000, 1, PictureFit::Fit, {0, 95, 288, 1}},
      {"crop", 4000, 3000, PictureFit::Crop, {0, 0, 288, 192}},
  };
  for (const Case& c : cases) {
    const FitPlacement got = PlaceFitted(c.w, c.h, c.fit, 288, 192);
    EXPECT_EQ(got, c.want) << c.name << ": " << got.left << "," << got.top << " " << got.width
                           << "x" << got.height;
  }
}

TEST(FitPicture, FitCentresThePictureAndTheBorderFillsTheRest) {
  // A 20 x 10 picture fitted into 10 x 10: 10 x 5 at (0, 2).
  const Bitmap source = RandomPicture(20, 10, 3);
  const FittedPicture fitted = FitPicture(source, PictureFit::Fit, 10, 10);
  ASSERT_TRUE(fitted.ok());
  EXPECT_EQ(fitted.placed, (FitPlacement{0, 2, 10, 5}));
  ASSERT_EQ(fitted.picture.Width(), 10);
  ASSERT_EQ(fitted.picture.Height(), 10);
  const BitmapResult scaled = ScaleArea(source, 10, 5);
  for (int x = 0; x < 10; ++x) {
    for (int y = 0; y < 5; ++y) EXPECT_EQ(fitted.picture.PixelRgb(x, y + 2), scaled.bitmap->PixelRgb(x, y));
    // Outside: the nearest edge row, so no new colour enters the palette.
    EXPECT_EQ(fitted.picture.PixelRgb(x, 0), scaled.bitmap->PixelRgb(x, 0));
    EXPECT_EQ(fitted.picture.PixelRgb(x, 9), scaled.bitmap->PixelRgb(x, 4));
  }

  // After reduction, the pixels outside take the border colour.
  Bitmap prepared = *Bitmap::Create(14, 14, 4).bitmap;
  PaintOutsidePlacement(prepared, 2, 2, 10, 10, fitted.placed, 9);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x) {
      const bool outsideArea = x < 2 || x >= 12 || y < 2 || y >= 12;
      const bool inPicture = !outsideArea && y >= 4 && y < 9;
      EXPECT_EQ(prepared.PixelIndex(x, y), outsideArea || inPicture ? 0 : 9) << x << "," << y;
    }
}

TEST(FitPicture, FillCoversTheAreaAndCropLeavesThePictureAlone) {
  const Bitmap source = RandomPicture(40, 10, 5);
  const FittedPicture fill = FitPicture(source, PictureFit::Fill, 10, 10);
  ASSERT_TRUE(fill.ok());
  EXPECT_TRUE(std::ranges::equal(fill.picture.Pixels(), source.Pixels()));  // already 10 high
  const FittedPicture fill2 = FitPicture(source, PictureFit::Fill, 20, 20);
  ASSERT_TRUE(fill2.ok());
  EXPECT_EQ(fill2.picture.Width(), 80);
  EXPECT_EQ(fill2.picture.Height(), 20);
  const FittedPicture crop = FitPicture(source, PictureFit::Crop, 10, 10);
  EXPECT_TRUE(crop.ok() && crop.picture.empty());
}

}  // namespace
}  // namespace mosaicer
