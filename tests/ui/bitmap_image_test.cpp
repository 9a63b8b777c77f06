#include "app/bitmap_image.h"

#include "ui_test.h"

namespace mosaicer {
namespace {

// An odd width leaves part of the last byte of each indexed row unused.
TEST(BitmapImage, EveryDepthShowsTheColoursOfItsPixels) {
  for (const int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    Bitmap bitmap = *Bitmap::Create(13, 5, bits).bitmap;
    for (int i = 0; i < kPaletteSize; ++i)
      bitmap.SetPaletteEntry(
          i, PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                          static_cast<std::uint8_t>(i * 7), 0});
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        if (bits == 24)
          bitmap.SetPixelRgb(
              x, y,
              Rgb{static_cast<std::uint8_t>(x * 19), static_cast<std::uint8_t>(y * 50),
                  static_cast<std::uint8_t>(x + y)});
        else
          bitmap.SetPixelIndex(x, y, static_cast<std::uint8_t>(x * 3 + y * 11));
      }
    const QImage image = ToQImage(bitmap);
    ASSERT_EQ(image.size(), QSize(13, 5));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        const Rgb colour = bitmap.ColourAt(x, y);
        ASSERT_EQ(image.pixel(x, y), qRgb(colour.r, colour.g, colour.b)) << x << "," << y;
      }
  }
  EXPECT_TRUE(ToQImage(Bitmap()).isNull());
}

}  // namespace
}  // namespace mosaicer
