#include "player/ui/cdg_display.h"

#include "ui_test.h"

#include <QFrame>

#include <fstream>
#include <iterator>

#include "app/bitmap_image.h"
#include "authoring/encoder.h"
#include "platform/bmp_codec.h"
#include "player/cdg_canvas.h"
#include "support/picture.h"

namespace mosaicer {
namespace {

// What `mosaicer render` does with the stream: every sector's four packs
// through a decoder, then the decoder's snapshot.
Bitmap Rendered(const std::vector<std::uint8_t>& stream, int width = 0, int height = 0) {
  RgbCanvas canvas(kScreenWidth, kScreenHeight);
  TNkCdgDecoder decoder;
  decoder.Attach(&canvas);
  decoder.Reset();
  for (std::size_t at = 0; at < stream.size(); at += kSubcodeBytesPerSector)
    decoder.Decode(stream.data() + at, kPacksPerSector);
  return width ? *decoder.SnapshotScaled(static_cast<std::uint16_t>(width),
                                         static_cast<std::uint16_t>(height))
               : *decoder.Snapshot();
}

void Feed(TCdgDisplay& display, const std::vector<std::uint8_t>& stream) {
  for (std::size_t at = 0; at < stream.size(); at += kSubcodeBytesPerSector)
    display.DrawPacks(stream.data() + at, kPacksPerSector);
}

// The image shows the bitmap's colours, pixel for pixel.
bool Same(const QImage& image, const Bitmap& bitmap) {
  return image.convertToFormat(QImage::Format_RGB32) == ToQImage(bitmap);
}

TEST(CdgDisplay, WholeSongLooksAsRenderSavesIt) {
  const std::vector<std::uint8_t> stream = testing::TwoColourTileStream();
  TCdgDisplay display;
  Feed(display, stream);
  const Bitmap rendered = Rendered(stream);
  EXPECT_TRUE(Same(display.Picture(), rendered));
  // And the window paints exactly that picture.
  display.show();
  EXPECT_TRUE(Same(Child<QWidget>(display, "CdgScreen")->grab().toImage(), rendered));

  display.Reset();
  EXPECT_EQ(display.Picture().pixel(150, 100), qRgb(0, 0, 0));
  EXPECT_EQ(display.Picture().pixel(2, 2), qRgb(0, 0, 0));
}

TEST(CdgDisplay, SizeableScreenIsStretchedWithSharpPixels) {
  const std::vector<std::uint8_t> stream = testing::TwoColourTileStream();
  TCdgDisplay display;
  QWidget* CdgScreen = Child<QWidget>(display, "CdgScreen");
  display.SetSizeable(true);
  display.resize(611, 443);  // a screen of 600 x 432: every CD+G pixel becomes 2 x 2
  display.show();
  Feed(display, stream);
  EXPECT_EQ(CdgScreen->size(), QSize(600, 432));
  EXPECT_TRUE(Same(display.Picture(), Rendered(stream, 600, 432)));

  display.resize(461, 335);  // 450 x 324: one and a half times
  const QImage painted = CdgScreen->grab().toImage();
  EXPECT_TRUE(Same(painted, Rendered(stream, 450, 324)));
}

TEST(CdgDisplay, SnapshotsAreWrittenAtTheFixedOrTheScreenSize) {
  testing::TempDir dir;
  const std::vector<std::uint8_t> stream = testing::TwoColourTileStream();
  TCdgDisplay display;
  display.SetSizeable(true);
  display.resize(411, 327);
  Feed(display, stream);

  ASSERT_TRUE(display.SaveBmp(dir.File("fixed.bmp")));
  EXPECT_EQ(testing::LoadBmp(dir.File("fixed.bmp")).BitsPerPixel(), 4);
  EXPECT_EQ(ReadFile(dir.File("fixed.bmp")), [&] {
    const std::vector<std::uint8_t> bytes = WriteBmp(Rendered(stream));
    return std::string(bytes.begin(), bytes.end());
  }());

  ASSERT_TRUE(display.SaveBmpEx(dir.File("screen.bmp")));
  const Bitmap screen = testing::LoadBmp(dir.File("screen.bmp"));
  EXPECT_EQ(screen.Width(), 400);
  EXPECT_EQ(screen.Height(), 316);

  const IoStatus failed = display.SaveBmp(dir.File("missing/folder/x.bmp"));
  EXPECT_FALSE(failed);
  EXPECT_NE(failed.error().find("x.bmp"), std::string::npos) << failed.error();
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

}  // namespace
}  // namespace mosaicer
