#include "image/ui/bmp_frm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

#include "child.h"
#include "image/prepare_picture.h"
#include "modal.h"
#include "scripted_dialogs.h"
#include "support/picture.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::RunModal;
using Model = TBmpWizardModel;

using testing::Gradient;

using testing::SixteenColours;

// Panel0..Panel15 are the palette, Panel16 the picked colour, Panel18..
// Panel33 the border colours 0..15.
BmpSwatch* Swatch(const TBmpFrm& frm, int index) {
  return Child<BmpSwatch>(frm, ("Panel" + std::to_string(index)).c_str());
}
BmpSwatch* BorderSwatch(const TBmpFrm& frm, int index) { return Swatch(frm, 18 + index); }

bool SamePicture(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && std::ranges::equal(a.Pixels(), b.Pixels()) &&
         a.Palette() == b.Palette();
}

// A window on screen with a picture handed over, as the main window does.
struct Wizard {
  explicit Wizard(Bitmap source) : picture(std::move(source)) {
    frm.SetPicture(&picture, &palette, &border);
  }
  void Show() {
    frm.show();
    frm.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
  }
  void Next() { QTest::mouseClick(Child<QPushButton>(frm, "NextBtn"), Qt::LeftButton); }
  void Prev() { QTest::mouseClick(Child<QPushButton>(frm, "PrevBtn"), Qt::LeftButton); }
  int Step() const { return Child<QTabWidget>(frm, "TabControl1")->currentIndex(); }

  testing::ScriptedDialogs dialogs;
  TBmpFrm frm{dialogs};
  Bitmap picture;
  LogPalette palette = LogPalette::Cleared(16);
  int border = 9;
};

TEST(BmpFrm, DefaultWalkGivesThePreparedPicture) {
  const Bitmap source = Gradient(320, 200);
  Wizard w(source);
  EXPECT_FALSE(Child<QCheckBox>(w.frm, "NoReduceCk")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(w.frm, "NoReduceCk")->isChecked());

  const int result = RunModal(w.frm, [&] {
    QTabBar* tabs = Child<QTabWidget>(w.frm, "TabControl1")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    QTest::keyClick(Child<QTabWidget>(w.frm, "TabControl1"), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.Step(), 0);  // tabs refuse to move
    for (int step = 1; step <= 3; ++step) {
      w.Next();
      EXPECT_EQ(w.Step(), step);
      EXPECT_EQ(Child<QFrame>(w.frm, "ReducePanel")->isHidden(), step != 1);
      EXPECT_EQ(Child<QFrame>(w.frm, "RectPanel")->isHidden(), step != 2);
      EXPECT_TRUE(Child<QFrame>(w.frm, "PalPanel")->isHidden());
      EXPECT_TRUE(Child<QPushButton>(w.frm, "NextBtn")->isEnabled() &&
                  Child<QFrame>(w.frm, "RectPanel")->isEnabled());
    }
    EXPECT_EQ(Child<BmpPictureView>(w.frm, "PrevImg")->Image().size(), QSize(300, 216));
    w.Next();
    if (w.frm.isVisible()) w.frm.reject();  // fail rather than hang
  });

  EXPECT_EQ(result, QDialog::Accepted);
  const PreparedPicture expected = PreparePicture(source, {});
  EXPECT_TRUE(SamePicture(w.picture, expected.picture));
  EXPECT_EQ(w.palette, expected.palette);
  EXPECT_EQ(w.border, 0);
  EXPECT_FALSE(w.frm.Model().HasPicture());
}

TEST(BmpFrm, PaletteFilesSaveAndLoadWithoutTouchingKept) {
  testing::TempDir dir;
  Wizard w(Gradient(320, 200));
  Child<QSpinBox>(w.frm, "PalIdxUd")->setValue(4);
  const PaletteColours saved = w.frm.Model().SwatchColours();
  w.dialogs.files = {dir.File("a.pal")};
  QTest::mouseClick(Child<QPushButton>(w.frm, "PalSaveBtn"), Qt::LeftButton);
  const std::string bytes = testing::ReadFile(dir.File("a.pal"));
  ASSERT_EQ(bytes.size(), 1028u);
  EXPECT_EQ(bytes[2], 4);  // K at saving
  EXPECT_EQ(w.dialogs.titles.back(), "パレットの保存");
  IniFile ini;
  w.frm.WriteSettings(ini);
  EXPECT_EQ(ini.ReadString("Path", "PalDir"), dir.path().string());

  Child<QSpinBox>(w.frm, "PalIdxUd")->setValue(7);
  w.frm.Model().SetSwatchColour(0, {1, 2, 3});
  w.dialogs.files = {dir.File("a.pal")};
  QTest::mouseClick(Child<QPushButton>(w.frm, "PalLoadBtn"), Qt::LeftButton);
  EXPECT_EQ(w.frm.Model().SwatchColours(), saved);
  EXPECT_EQ(Swatch(w.frm, 0)->Colour(), QColor(saved[0].r, saved[0].g, saved[0].b));
  EXPECT_EQ(Child<QSpinBox>(w.frm, "PalIdxUd")->value(), 7);

  // Another version is ignored without a word; a missing file is an error.
  std::string other = bytes;
  other[1] = 2;
  w.frm.Model().SetSwatchColour(0, {1, 2, 3});
  w.dialogs.files = {dir.Write("old.pal", other), dir.File("missing.pal"),
                     dir.File("no/such/folder.pal")};
  QTest::mouseClick(Child<QPushButton>(w.frm, "PalLoadBtn"), Qt::LeftButton);
  EXPECT_EQ(w.frm.Model().Swatch(0), (Rgb{1, 2, 3}));
  EXPECT_TRUE(w.dialogs.Errors().empty());
  QTest::mouseClick(Child<QPushButton>(w.frm, "PalLoadBtn"), Qt::LeftButton);
  QTest::mouseClick(Child<QPushButton>(w.frm, "PalSaveBtn"), Qt::LeftButton);
  EXPECT_EQ(w.dialogs.Errors().size(), 2u);
}

TEST(BmpFrm, SelectionMovesByKeysButtonsAndMouseInsideThePicture) {
  Wizard w(SixteenColours(288, 192));
  w.Show();
  w.Next();
  QTest::keyClick(&w.frm, Qt::Key_Right);
  QTest::mouseClick(Child<QPushButton>(w.frm, "DBtn"), Qt::LeftButton);
  QTest::mousePress(Child<BmpPictureView>(w.frm, "RectImg"), Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseRelease(Child<BmpPictureView>(w.frm, "RectImg"), Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(Child<QLabel>(w.frm, "XLbl")->text(), QStringLiteral("X: 000 - 288"));
  EXPECT_EQ(Child<QLabel>(w.frm, "YLbl")->text(), QStringLiteral("Y: 000 - 192"));

  // The window is reused for the next picture.
  Bitmap larger = SixteenColours(300, 200);
  w.frm.SetPicture(&larger, &w.palette, &w.border);
  EXPECT_EQ(w.Step(), 0);
  w.Next();
  QTest::keyClick(&w.frm, Qt::Key_Right);
  QTest::keyClick(&w.frm, Qt::Key_Right, Qt::ShiftModifier);  // not a shortcut
  QTest::mouseClick(Child<QPushButton>(w.frm, "DBtn"), Qt::LeftButton);
  EXPECT_EQ(Child<QLabel>(w.frm, "XLbl")->text(), QStringLiteral("X: 001 - 289"));
  EXPECT_EQ(Child<QLabel>(w.frm, "YLbl")->text(), QStringLiteral("Y: 001 - 193"));

  BmpPictureView* view = Child<BmpPictureView>(w.frm, "RectImg");
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(Child<QLabel>(w.frm, "XLbl")->text(), QStringLiteral("X: 012 - 300"));
  EXPECT_EQ(Child<QLabel>(w.frm, "YLbl")->text(), QStringLiteral("Y: 008 - 200"));
  QTest::mouseMove(view, QPoint(5, 3));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(5, 3));
  EXPECT_EQ(Child<QLabel>(w.frm, "XLbl")->text(), QStringLiteral("X: 005 - 293"));
  EXPECT_EQ(Child<QLabel>(w.frm, "YLbl")->text(), QStringLiteral("Y: 003 - 195"));

  // The frame is drawn over the shown copy only, in the frame colour.
  EXPECT_EQ(view->Displayed().pixel(5, 3), qRgb(0, 0, 0));
  EXPECT_EQ(view->Displayed().pixel(292, 100), qRgb(0, 0, 0));
  EXPECT_NE(view->Displayed().pixel(6, 4), qRgb(0, 0, 0));
  EXPECT_NE(view->Image().pixel(5, 3), qRgb(0, 0, 0));
  w.dialogs.colours = {0x000000FFu};
  QTest::mouseDClick(Child<BmpSwatch>(w.frm, "RectColPanel"), Qt::LeftButton);
  EXPECT_EQ(view->Displayed().pixel(5, 3), qRgb(255, 0, 0));
  EXPECT_EQ(Child<BmpSwatch>(w.frm, "RectColPanel")->Colour(), QColor(255, 0, 0));

  QTest::mousePress(BorderSwatch(w.frm, 4), Qt::LeftButton);
  EXPECT_TRUE(BorderSwatch(w.frm, 4)->Selected());
  EXPECT_FALSE(BorderSwatch(w.frm, 0)->Selected());
  w.Next();
  EXPECT_EQ(Child<BmpPictureView>(w.frm, "PrevImg")->Image().pixel(0, 0),
            qRgb(64, 240, 0));  // border colour 4, cut
  w.Prev();
  EXPECT_EQ(Child<QLabel>(w.frm, "XLbl")->text(),
            QStringLiteral("X: 005 - 293"));  // kept coming back
}

}  // namespace
}  // namespace mosaicer
