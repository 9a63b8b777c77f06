// The picture wizard: its steps, palette files, the selection and the
// placement choice (crop, fit, fill), whose picture is the one
// `mosaicer bmp --fit` makes of the same file with the same choices.
#include "image/ui/bmp_frm.h"

#include "ui_test.h"

#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

#include "core/subcode_pack.h"
#include "image/prepare_picture.h"
#include "support/picture.h"

namespace mosaicer {
namespace {

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

// A window with a picture handed over, as the main window does.
struct Wizard {
  explicit Wizard(Bitmap source, bool open = true) : picture(std::move(source)) {
    if (open) Open();
  }
  bool Open() { return frm.SetPicture(&picture, &palette, &border); }
  void Place(int index) { Child<QComboBox>(frm, "FitCmb")->setCurrentIndex(index); }
  void Show() {
    frm.show();
    frm.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
  }
  void Next() { Child<QPushButton>(frm, "NextBtn")->click(); }
  void Prev() { QTest::mouseClick(Child<QPushButton>(frm, "PrevBtn"), Qt::LeftButton); }
  int Step() const { return Child<QTabWidget>(frm, "TabControl1")->currentIndex(); }
  // The selected area as its labels show it.
  std::string Area() const {
    const QString x = Child<QLabel>(frm, "XLbl")->text(), y = Child<QLabel>(frm, "YLbl")->text();
    return (x + ", " + y).toStdString();
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
  const std::string bytes = ReadFile(dir.File("a.pal"));
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
  EXPECT_EQ(w.Area(), "X: 000 - 288, Y: 000 - 192");

  // The window is reused for the next picture.
  Bitmap larger = SixteenColours(300, 200);
  w.frm.SetPicture(&larger, &w.palette, &w.border);
  EXPECT_EQ(w.Step(), 0);
  w.Next();
  QTest::keyClick(&w.frm, Qt::Key_Right);
  QTest::keyClick(&w.frm, Qt::Key_Right, Qt::ShiftModifier);  // not a shortcut
  QTest::mouseClick(Child<QPushButton>(w.frm, "DBtn"), Qt::LeftButton);
  EXPECT_EQ(w.Area(), "X: 001 - 289, Y: 001 - 193");

  BmpPictureView* view = Child<BmpPictureView>(w.frm, "RectImg");
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(w.Area(), "X: 012 - 300, Y: 008 - 200");
  QTest::mouseMove(view, QPoint(5, 3));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(5, 3));
  EXPECT_EQ(w.Area(), "X: 005 - 293, Y: 003 - 195");

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
  EXPECT_EQ(w.Area(), "X: 005 - 293, Y: 003 - 195");  // kept coming back
}

// The visible area of a finished picture, colour by colour, against a BMP
// the command line saved.
void ExpectSameArea(const Bitmap& finished, const Bitmap& saved) {
  ASSERT_EQ(saved.Width(), kVisibleWidth);
  ASSERT_EQ(saved.Height(), kVisibleHeight);
  int differing = 0;
  for (int y = 0; y < kVisibleHeight; ++y)
    for (int x = 0; x < kVisibleWidth; ++x)
      differing += !(finished.ColourAt(kVisibleLeft + x, kVisibleTop + y) == saved.ColourAt(x, y));
  EXPECT_EQ(differing, 0);
}

TEST(WizardFit, TheWizardMakesWhatTheCommandLineMakes) {
  struct Case {
    const char* name;
    Bitmap picture;
    int fitIndex;  // FitCmb: 0 crop, 1 fit, 2 fill
    const char* fit;
    int right;           // presses of the right arrow on the area step
    bool beforePicture;  // chosen before the picture came (as read from the INI)
  };
  const std::vector<Case> cases = {
      {"wide, fit", Gradient(600, 200), 1, "fit", 0, false},
      {"tall, fit", Gradient(300, 600), 1, "fit", 0, false},
      {"tall, fill", Gradient(300, 600), 2, "fill", 0, false},
      {"wide, fill moved", Gradient(600, 200), 2, "fill", 7, false},
      {"16 colours, fill", SixteenColours(400, 300), 2, "fill", 0, false},
      {"16 colours, fit", SixteenColours(400, 300), 1, "fit", 0, false},
      {"small, fit", Gradient(100, 80), 1, "fit", 0, true},
      {"small, fill moved", Gradient(100, 80), 2, "fill", 5, true},
      {"crop", Gradient(320, 200), 0, "crop", 4, false},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = testing::WritePicture(dir, "in.bmp", c.picture);
    Wizard w(c.picture, false);
    if (c.beforePicture) w.Place(c.fitIndex);
    ASSERT_TRUE(w.Open());
    while (w.frm.Model().CurrentStep() != Model::kRangeStep) w.Next();
    if (!c.beforePicture) w.Place(c.fitIndex);
    EXPECT_EQ(w.frm.Model().CurrentStep(), Model::kRangeStep);
    for (int i = 0; i < c.right; ++i) Child<QAction>(w.frm, "GoRight")->trigger();
    Child<BmpSwatch>(w.frm, "Panel23")->pressed(Child<BmpSwatch>(w.frm, "Panel23"));  // border 5
    w.Next();
    w.Next();
    ASSERT_FALSE(w.frm.Model().HasPicture()) << "the wizard did not finish";
    EXPECT_EQ(w.border, 5);

    const std::string out = dir.File("out.bmp");
    const testing::CliResult cli =
        Cli({"bmp", source, "-o", out, "--force", "-q", "--fit", c.fit, "--border", "5",
                      "--origin", std::to_string(c.right) + ",0"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    ExpectSameArea(w.picture, testing::LoadBmp(out));
  }
}

TEST(WizardFit, UnderFitTheAreaShowsTheBorderColourAroundThePicture) {
  Wizard w(Gradient(600, 200), false);  // fitted to 288 x 96, 48 rows above and below
  ASSERT_TRUE(w.Open());
  w.Next();
  w.Next();
  w.Place(1);
  Child<BmpSwatch>(w.frm, "Panel21")->pressed(Child<BmpSwatch>(w.frm, "Panel21"));  // border 3
  const QImage shown = Child<BmpPictureView>(w.frm, "RectImg")->Image();
  ASSERT_EQ(shown.size(), QSize(kVisibleWidth, kVisibleHeight));
  const QColor border = Child<BmpSwatch>(w.frm, "Panel21")->Colour();
  EXPECT_EQ(QColor(shown.pixel(5, 10)), border);
  EXPECT_EQ(QColor(shown.pixel(200, 180)), border);
  // The palette step shows the picture as placed too.
  EXPECT_EQ(Child<BmpPictureView>(w.frm, "PalImg")->Image().size(),
            QSize(kVisibleWidth, kVisibleHeight));
  // Back to crop: the area is cut from the picture again, at 1:1.
  w.Place(0);
  EXPECT_EQ(Child<BmpPictureView>(w.frm, "RectImg")->Image().size(), QSize(600, 200));
}

TEST(WizardFit, CropIsRefusedForAPictureSmallerThanTheArea) {
  Wizard w(Gradient(200, 150), false);
  EXPECT_FALSE(w.Open());  // crop, the default, cannot show it
  w.Place(2);
  ASSERT_TRUE(w.Open());
  w.Place(0);
  EXPECT_EQ(w.dialogs.Errors().size(), 1u);
  EXPECT_EQ(Child<QComboBox>(w.frm, "FitCmb")->currentIndex(), 2);
  EXPECT_EQ(w.frm.Model().Options().fit, PictureFit::Fill);
}

TEST(WizardFit, APaletteChosenByHandSurvivesANewPlacement) {
  const Bitmap picture = Gradient(400, 300);
  Model wizard;
  ASSERT_TRUE(wizard.SetPicture(&picture));
  const Rgb mine{1, 2, 3};
  wizard.SetSwatchColour(4, mine);
  wizard.Next();
  wizard.Next();
  ASSERT_TRUE(wizard.SetFit(PictureFit::Fill));
  EXPECT_EQ(wizard.CurrentStep(), Model::kRangeStep);
  EXPECT_EQ(wizard.Palette().entries[4].colour(), mine);

  // A palette the wizard made is made again from the placed picture.
  Model automatic;
  ASSERT_TRUE(automatic.SetPicture(&picture));
  automatic.Next();
  automatic.Next();
  ASSERT_TRUE(automatic.SetFit(PictureFit::Fit));
  Model fresh;
  ASSERT_TRUE(fresh.SetFit(PictureFit::Fit));
  ASSERT_TRUE(fresh.SetPicture(&picture));
  fresh.Next();
  fresh.Next();
  EXPECT_EQ(automatic.Palette(), fresh.Palette());
  EXPECT_EQ(automatic.WorkPicture().Pixels().size(), fresh.WorkPicture().Pixels().size());
}

}  // namespace
}  // namespace mosaicer
