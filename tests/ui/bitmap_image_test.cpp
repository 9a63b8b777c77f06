#include "app/bitmap_image.h"

#include "ui_test.h"

namespace mosaicer {
namespace {

// An odd width leaves part of the last byte of each indexed row unused.
TEST(BitmapImage, EveryDepthShowsTheColoursOfItsPixels) {
  for (const int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    Bitmap bitmap = *Bitmap::Create(13, 5, bits).bitmap;
    using U8 = std::uint8_t;
    for (int i = 0; i < kPaletteSize; ++i)
      bitmap.SetPaletteEntry(i, PaletteEntry{U8(i), U8(255 - i), U8(i * 7), 0});
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        if (bits == 24)
          bitmap.SetPixelRgb(x, y, Rgb{U8(x * 19), U8(y * 50), U8(x + y)});
        else
          bitmap.SetPixelIndex(x, y, U8(x * 3 + y * 11));
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
