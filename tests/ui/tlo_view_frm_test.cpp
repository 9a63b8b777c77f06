#include "effects/ui/tlo_view_frm.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include "app/bitmap_image.h"
#include "child.h"
#include "core/subcode_pack.h"
#include "modal.h"
#include "screen_tiles.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);

// A 24-bit picture whose every pixel differs from its neighbours and from
// black, so a tile copied to the wrong place shows.
Bitmap Picture() {
  Bitmap picture = *Bitmap::Create(kScreenWidth, kScreenHeight, 24).bitmap;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x)
      picture.SetPixelRgb(x, y,
                          Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                              static_cast<std::uint8_t>(0x80 | x >> 8)});
  return picture;
}

using testing::Filled;
using testing::Tile;

// Which of the 900 tiles show the picture; the rest must be `background`.
std::vector<TileOrderEntry> PaintedTiles(const QImage& screen, const QImage& picture,
                                         QRgb background) {
  std::vector<TileOrderEntry> painted;
  for (int row = 0; row < kTileRows; ++row)
    for (int col = 0; col < kTileColumns; ++col) {
      if (Tile(screen, col, row) == Tile(picture, col, row))
        painted.push_back({static_cast<std::uint16_t>(col), static_cast<std::uint16_t>(row)});
      else
        EXPECT_EQ(Tile(screen, col, row), Filled(background)) << col << "," << row;
    }
  return painted;
}

std::string WriteEffect(const testing::TempDir& dir, const TileOrder& order) {
  TTloFile header;
  header.TitleJ = "夕焼け";
  header.AuthorJ = "山田";
  header.EditedByJ = "鈴木,佐藤";
  header.CommentJ = "左から右へ";
  header.TitleE = "Sunset";
  header.AuthorE = "Yamada";
  header.EditedByE = "Suzuki,Sato";
  header.CommentE = "Left to right";
  const std::string file = dir.File("effect.tlo");
  EXPECT_TRUE(WriteTloFile(file, header, order));
  return file;
}

TEST(TloViewFrm, PicturePaintsOnlyTheTilesOfTheEffect) {
  testing::TempDir dir;
  TTloViewFrm view;
  const Bitmap picture = Picture();
  view.SetTestPicture(&picture, 0x00336699);  // 0x00BBGGRR
  const QRgb background = qRgb(0x99, 0x66, 0x33);
  EXPECT_TRUE(PaintedTiles(view.Screen(), ToQImage(picture), background).empty());
  const TileOrder order{{49, 17}, {3, 5}, {0, 9}, {48, 1}};
  view.LoadEffect(WriteEffect(dir, order));
  Child<QSpinBox>(view, "IntervalUd")->setValue(1);
  view.PlayEffect();
  TileOrder expected = order;
  std::sort(expected.begin(), expected.end(),
            [](auto a, auto b) { return std::pair(a.Row, a.Col) < std::pair(b.Row, b.Col); });
  EXPECT_EQ(PaintedTiles(view.Screen(), ToQImage(picture), background), expected);
}

TEST(TloViewFrm, CloseDuringALongAnimationEndsItAndTheModalCall) {
  TTloViewFrm view;
  QSpinBox* IntervalUd = Child<QSpinBox>(view, "IntervalUd");
  QPushButton* TestBtn = Child<QPushButton>(view, "TestBtn");
  const Bitmap picture = Picture();
  view.SetTestPicture(&picture, 0);
  view.LoadEffect("");
  IntervalUd->setValue(1000);
  // Should the close go unheard, finish quickly so the test fails instead of hanging.
  QTimer::singleShot(3000, &view, [&] { IntervalUd->setValue(1); });
  QElapsedTimer clock;
  clock.start();
  const int result = testing::RunModal(view, [&] {
    QTimer::singleShot(200, &view, [&] {
      EXPECT_TRUE(view.Playing());
      EXPECT_FALSE(TestBtn->isEnabled());
      QTest::mouseClick(Child<QPushButton>(view, "CloseBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(TestBtn, Qt::LeftButton);
  });
  EXPECT_LT(clock.elapsed(), 3000);  // 767 s if the close were not heard
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_FALSE(view.isVisible());
  EXPECT_FALSE(view.Playing());
  // The first tile at once, the second when the pause was cut short.
  EXPECT_EQ(PaintedTiles(view.Screen(), ToQImage(picture), kBlack), (TileOrder{{1, 1}, {2, 1}}));

  // Escape stops it the same way.
  clock.restart();
  testing::RunModal(view, [&] {
    QTimer::singleShot(200, &view, [&] { QTest::keyClick(&view, Qt::Key_Escape); });
    QTest::mouseClick(TestBtn, Qt::LeftButton);
  });
  EXPECT_LT(clock.elapsed(), 3000);
}

}  // namespace
}  // namespace mosaicer
