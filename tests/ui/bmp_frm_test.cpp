#include "image/ui/bmp_frm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

#include "image/prepare_picture.h"
#include "modal.h"
#include "scripted_dialogs.h"
#include "support/picture.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::RunModal;
using Model = TBmpWizardModel;

using testing::Gradient;

using testing::SixteenColours;

bool SamePicture(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && std::ranges::equal(a.Pixels(), b.Pixels()) &&
         a.Palette() == b.Palette();
}

// The system's double-click time, set for one test.
class DoubleClickTime {
 public:
  explicit DoubleClickTime(int ms) : old_(QApplication::doubleClickInterval()) {
    QApplication::setDoubleClickInterval(ms);
  }
  ~DoubleClickTime() { QApplication::setDoubleClickInterval(old_); }

 private:
  int old_;
};

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
  void Next() { QTest::mouseClick(frm.NextBtn(), Qt::LeftButton); }
  void Prev() { QTest::mouseClick(frm.PrevBtn(), Qt::LeftButton); }
  int Step() const { return frm.TabControl1()->currentIndex(); }
  // Presses swatch `from` and lets go over swatch `to`.
  void Drag(int from, int to) {
    BmpSwatch* source = frm.Swatch(from);
    QTest::mousePress(source, Qt::LeftButton);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    const QPoint over = frm.Swatch(to)->mapTo(&frm, QPoint(3, 3));
    QTest::mouseRelease(source, Qt::LeftButton, {}, source->mapFrom(&frm, over));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  testing::ScriptedDialogs dialogs;
  TBmpFrm frm{dialogs};
  Bitmap picture;
  LogPalette palette = LogPalette::Cleared(16);
  int border = 9;
};

TEST(BmpFrm, DefaultWalkGivesThePreparedPicture) {
  const Bitmap source = Gradient(320, 200);
  Wizard w(source);
  EXPECT_EQ(w.frm.windowTitle(), QStringLiteral("ビットマップの読み込み"));
  EXPECT_EQ(w.frm.TabControl1()->tabText(1), QStringLiteral("減色"));
  EXPECT_FALSE(w.frm.NoReduceCk()->isEnabled());
  EXPECT_FALSE(w.frm.NoReduceCk()->isChecked());

  const int result = RunModal(w.frm, [&] {
    QTabBar* tabs = w.frm.TabControl1()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    QTest::keyClick(w.frm.TabControl1(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.Step(), 0);  // tabs refuse to move
    for (int step = 1; step <= 3; ++step) {
      w.Next();
      EXPECT_EQ(w.Step(), step);
      EXPECT_EQ(w.frm.ReducePanel()->isHidden(), step != 1);
      EXPECT_EQ(w.frm.RectPanel()->isHidden(), step != 2);
      EXPECT_TRUE(w.frm.PalPanel()->isHidden());
      EXPECT_TRUE(w.frm.NextBtn()->isEnabled() && w.frm.RectPanel()->isEnabled());
    }
    EXPECT_EQ(w.frm.PrevImg()->Image().size(), QSize(300, 216));
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

TEST(BmpFrm, SixteenColourPictureSkipsReductionBothWays) {
  Wizard w(SixteenColours(300, 200));
  EXPECT_TRUE(w.frm.NoReduceCk()->isEnabled());
  EXPECT_TRUE(w.frm.NoReduceCk()->isChecked());
  w.Next();
  EXPECT_EQ(w.Step(), 2);
  EXPECT_FALSE(w.frm.RectPanel()->isHidden());
  // The range step shows what CD+G can show: colours cut to four bits.
  EXPECT_EQ(w.frm.RectImg()->Image().pixel(10, 10), qRgb(16 * ((10 + 20) % 16), 240, 0));
  EXPECT_EQ(w.frm.BorderSwatch(1)->Colour(), QColor(16, 240, 0));
  EXPECT_TRUE(w.frm.BorderSwatch(0)->Selected());
  w.Prev();
  EXPECT_EQ(w.Step(), 0);
  EXPECT_FALSE(w.frm.PalPanel()->isHidden());
}

TEST(BmpFrm, SwatchesSwapByDragAndTakeThePickedColour) {
  DoubleClickTime never(0);
  Wizard w(Gradient(320, 200));
  w.Show();
  const QColor three = w.frm.Swatch(3)->Colour(), nine = w.frm.Swatch(9)->Colour();
  ASSERT_NE(three, nine);
  w.Drag(3, 9);
  EXPECT_EQ(w.frm.Swatch(3)->Colour(), nine);
  EXPECT_EQ(w.frm.Swatch(9)->Colour(), three);
  EXPECT_TRUE(w.frm.Swatch(9)->Selected());
  EXPECT_FALSE(w.frm.Swatch(3)->Selected());

  QTest::mousePress(w.frm.PalImg(), Qt::LeftButton, {}, QPoint(30, 40));
  EXPECT_EQ(w.frm.Swatch(16)->Colour(), QColor(30, 40, 30 ^ 40));
  EXPECT_EQ(w.frm.PalRLbl()->text(), QStringLiteral("R: 030"));
  EXPECT_EQ(w.frm.PalBLbl()->text(), QStringLiteral("B: 054"));

  const QColor five = w.frm.Swatch(5)->Colour();
  w.Drag(16, 5);
  EXPECT_EQ(w.frm.Swatch(5)->Colour(), QColor(30, 40, 30 ^ 40));
  EXPECT_EQ(w.frm.Swatch(16)->Colour(), five);
  EXPECT_EQ(w.frm.Model().SwatchColours()[5], (Rgb{30, 40, 30 ^ 40}));

  // Let go outside the swatches: nothing moves.
  BmpSwatch* two = w.frm.Swatch(2);
  const QColor before = two->Colour();
  QTest::mousePress(two, Qt::LeftButton);
  QTest::mouseRelease(two, Qt::LeftButton, {},
                      two->mapFrom(&w.frm, w.frm.PalImg()->mapTo(&w.frm, QPoint(5, 5))));
  EXPECT_EQ(two->Colour(), before);
}

TEST(BmpFrm, QuickSecondPressEditsTheSwatchColour) {
  DoubleClickTime slow(60'000);
  Wizard w(Gradient(320, 200));
  w.frm.ReadSettings(IniFile("[Palette]\nDlgColor0=0000FF\n"));
  w.dialogs.colours = {0x00332211u, std::nullopt};
  BmpSwatch* two = w.frm.Swatch(2);
  QTest::mouseClick(two, Qt::LeftButton);  // selects and drags
  QTest::mouseClick(two, Qt::LeftButton);  // within the double-click time
  EXPECT_EQ(two->Colour(), QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(w.dialogs.customColours, std::vector<std::string>{"ColorA=0000FF"});
  QTest::mouseClick(two, Qt::LeftButton);  // cancelled this time
  EXPECT_EQ(two->Colour(), QColor(0x11, 0x22, 0x33));
  EXPECT_TRUE(w.dialogs.colours.empty());
}

TEST(BmpFrm, PaletteFilesSaveAndLoadWithoutTouchingKept) {
  testing::TempDir dir;
  Wizard w(Gradient(320, 200));
  w.frm.PalIdxUd()->setValue(4);
  const PaletteColours saved = w.frm.Model().SwatchColours();
  w.dialogs.files = {dir.File("a.pal")};
  QTest::mouseClick(w.frm.PalSaveBtn(), Qt::LeftButton);
  const std::string bytes = testing::ReadFile(dir.File("a.pal"));
  ASSERT_EQ(bytes.size(), 1028u);
  EXPECT_EQ(bytes[2], 4);  // K at saving
  EXPECT_EQ(w.dialogs.titles.back(), TBmpFrm::kPalSaveTitle);
  IniFile ini;
  w.frm.WriteSettings(ini);
  EXPECT_EQ(ini.ReadString("Path", "PalDir"), dir.path().string());

  w.frm.PalIdxUd()->setValue(7);
  w.frm.Model().SetSwatchColour(0, {1, 2, 3});
  w.dialogs.files = {dir.File("a.pal")};
  QTest::mouseClick(w.frm.PalLoadBtn(), Qt::LeftButton);
  EXPECT_EQ(w.frm.Model().SwatchColours(), saved);
  EXPECT_EQ(w.frm.Swatch(0)->Colour(), QColor(saved[0].r, saved[0].g, saved[0].b));
  EXPECT_EQ(w.frm.PalIdxUd()->value(), 7);

  // Another version is ignored without a word; a missing file is an error.
  std::string other = bytes;
  other[1] = 2;
  w.frm.Model().SetSwatchColour(0, {1, 2, 3});
  w.dialogs.files = {dir.Write("old.pal", other), dir.File("missing.pal"),
                     dir.File("no/such/folder.pal")};
  QTest::mouseClick(w.frm.PalLoadBtn(), Qt::LeftButton);
  EXPECT_EQ(w.frm.Model().Swatch(0), (Rgb{1, 2, 3}));
  EXPECT_TRUE(w.dialogs.Errors().empty());
  QTest::mouseClick(w.frm.PalLoadBtn(), Qt::LeftButton);
  QTest::mouseClick(w.frm.PalSaveBtn(), Qt::LeftButton);
  EXPECT_EQ(w.dialogs.Errors().size(), 2u);
}

TEST(BmpFrm, SelectionMovesByKeysButtonsAndMouseInsideThePicture) {
  Wizard w(SixteenColours(288, 192));
  w.Show();
  w.Next();
  QTest::keyClick(&w.frm, Qt::Key_Right);
  QTest::mouseClick(w.frm.DBtn(), Qt::LeftButton);
  QTest::mousePress(w.frm.RectImg(), Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseRelease(w.frm.RectImg(), Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(w.frm.XLbl()->text(), QStringLiteral("X: 000 - 288"));
  EXPECT_EQ(w.frm.YLbl()->text(), QStringLiteral("Y: 000 - 192"));

  // The window is reused for the next picture.
  Bitmap larger = SixteenColours(300, 200);
  w.frm.SetPicture(&larger, &w.palette, &w.border);
  EXPECT_EQ(w.Step(), 0);
  w.Next();
  QTest::keyClick(&w.frm, Qt::Key_Right);
  QTest::keyClick(&w.frm, Qt::Key_Right, Qt::ShiftModifier);  // not a shortcut
  QTest::mouseClick(w.frm.DBtn(), Qt::LeftButton);
  EXPECT_EQ(w.frm.XLbl()->text(), QStringLiteral("X: 001 - 289"));
  EXPECT_EQ(w.frm.YLbl()->text(), QStringLiteral("Y: 001 - 193"));

  BmpPictureView* view = w.frm.RectImg();
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(w.frm.XLbl()->text(), QStringLiteral("X: 012 - 300"));
  EXPECT_EQ(w.frm.YLbl()->text(), QStringLiteral("Y: 008 - 200"));
  QTest::mouseMove(view, QPoint(5, 3));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(5, 3));
  EXPECT_EQ(w.frm.XLbl()->text(), QStringLiteral("X: 005 - 293"));
  EXPECT_EQ(w.frm.YLbl()->text(), QStringLiteral("Y: 003 - 195"));

  // The frame is drawn over the shown copy only, in the frame colour.
  EXPECT_EQ(view->Displayed().pixel(5, 3), qRgb(0, 0, 0));
  EXPECT_EQ(view->Displayed().pixel(292, 100), qRgb(0, 0, 0));
  EXPECT_NE(view->Displayed().pixel(6, 4), qRgb(0, 0, 0));
  EXPECT_NE(view->Image().pixel(5, 3), qRgb(0, 0, 0));
  w.dialogs.colours = {0x000000FFu};
  QTest::mouseDClick(w.frm.RectColPanel(), Qt::LeftButton);
  EXPECT_EQ(view->Displayed().pixel(5, 3), qRgb(255, 0, 0));
  EXPECT_EQ(w.frm.RectColPanel()->Colour(), QColor(255, 0, 0));

  QTest::mousePress(w.frm.BorderSwatch(4), Qt::LeftButton);
  EXPECT_TRUE(w.frm.BorderSwatch(4)->Selected());
  EXPECT_FALSE(w.frm.BorderSwatch(0)->Selected());
  w.Next();
  EXPECT_EQ(w.frm.PrevImg()->Image().pixel(0, 0), qRgb(64, 240, 0));  // border colour 4, cut
  w.Prev();
  EXPECT_EQ(w.frm.XLbl()->text(), QStringLiteral("X: 005 - 293"));  // kept coming back
}

TEST(BmpFrm, ClosingWithoutFinishingLeavesTheCallersPicture) {
  const Bitmap source = SixteenColours(300, 200);
  Wizard w(source);
  const int result = RunModal(w.frm, [&] {
    w.Next();
    w.Next();
    EXPECT_EQ(w.Step(), 3);
    QTest::keyClick(&w.frm, Qt::Key_Escape);
    if (w.frm.isVisible()) w.frm.done(-1);  // fail rather than hang
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_FALSE(w.frm.Model().HasPicture());
  w.Next();  // a stray click after closing finishes nothing
  EXPECT_TRUE(SamePicture(w.picture, source));
  EXPECT_EQ(w.palette, LogPalette::Cleared(16));
  EXPECT_EQ(w.border, 9);
}

TEST(BmpFrm, SettingsRoundTrip) {
  testing::ScriptedDialogs dialogs;
  TBmpFrm frm(dialogs);
  IniFile defaults;
  frm.WriteSettings(defaults);
  EXPECT_EQ(defaults.ReadInteger("Palette", "McMode", -1), 2);
  EXPECT_EQ(defaults.ReadInteger("Reduce", "ErrDiffK", -1), 60);
  EXPECT_EQ(defaults.ReadInteger("BmpForm", "Height", -1), 530);

  frm.ReadSettings(
      IniFile("[BmpForm]\nTop=40\nLeft=50\nWidth=600\nHeight=560\n[Path]\nPalDir=/pal\n"
              "[Palette]\nMcMode=0\nRgbBit=5\nRemIdx=3\nDlgColor0=112233\n"
              "[Reduce]\nErrDiff=0\nErrDiffK=25\n[Select]\nRectColor=255\n"));
  EXPECT_EQ(frm.PalModeCmb()->currentText(), QStringLiteral("RGB独立3次元"));
  EXPECT_EQ(frm.PalBitUd()->value(), 5);
  EXPECT_EQ(frm.PalIdxUd()->value(), 3);
  EXPECT_FALSE(frm.ErrCk()->isChecked());
  EXPECT_EQ(frm.ErrKUd()->value(), 25);
  EXPECT_EQ(frm.RectColPanel()->Colour(), QColor(255, 0, 0));

  IniFile out;
  frm.WriteSettings(out);
  for (auto [section, key, value] : {std::tuple{"BmpForm", "Top", 40},
                                     {"BmpForm", "Left", 50},
                                     {"BmpForm", "Width", 600},
                                     {"BmpForm", "Height", 560},
                                     {"Palette", "McMode", 0},
                                     {"Palette", "RgbBit", 5},
                                     {"Palette", "RemIdx", 3},
                                     {"Reduce", "ErrDiff", 0},
                                     {"Reduce", "ErrDiffK", 25},
                                     {"Select", "RectColor", 255}})
    EXPECT_EQ(out.ReadInteger(section, key, -1), value) << section << ' ' << key;
  EXPECT_EQ(out.ReadString("Path", "PalDir"), "/pal");
  EXPECT_EQ(out.ReadString("Palette", "DlgColor0"), "112233");

  frm.ReadSettings(IniFile("[BmpForm]\nWidth=100\nHeight=100\n"));
  EXPECT_EQ(frm.size(), QSize(560, 530));  // never smaller
}

}  // namespace
}  // namespace mosaicer
