// The wizard's placement choice (crop, fit, fill) on its area step: the
// picture it hands back is the one `mosaicer bmp --fit` makes of the same
// file with the same choices.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include <string>
#include <vector>

#include "child.h"
#include "core/subcode_pack.h"
#include "image/ui/bmp_frm.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/picture.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;
using Model = TBmpWizardModel;

struct Wizard {
  explicit Wizard(Bitmap source) : picture(std::move(source)) {}
  bool Open() { return frm.SetPicture(&picture, &palette, &border); }
  void Next() { Child<QPushButton>(frm, "NextBtn")->click(); }
  void Place(int index) { Child<QComboBox>(frm, "FitCmb")->setCurrentIndex(index); }

  testing::ScriptedDialogs dialogs;
  TBmpFrm frm{dialogs};
  Bitmap picture;
  LogPalette palette = LogPalette::Cleared(16);
  int border = 0;
};

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
      {"wide, fit", testing::Gradient(600, 200), 1, "fit", 0, false},
      {"tall, fit", testing::Gradient(300, 600), 1, "fit", 0, false},
      {"tall, fill", testing::Gradient(300, 600), 2, "fill", 0, false},
      {"wide, fill moved", testing::Gradient(600, 200), 2, "fill", 7, false},
      {"16 colours, fill", testing::SixteenColours(400, 300), 2, "fill", 0, false},
      {"16 colours, fit", testing::SixteenColours(400, 300), 1, "fit", 0, false},
      {"small, fit", testing::Gradient(100, 80), 1, "fit", 0, true},
      {"small, fill moved", testing::Gradient(100, 80), 2, "fill", 5, true},
      {"crop", testing::Gradient(320, 200), 0, "crop", 4, false},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = testing::WritePicture(dir, "in.bmp", c.picture);
    Wizard w(c.picture);
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
        testing::Cli({"bmp", source, "-o", out, "--force", "-q", "--fit", c.fit, "--border", "5",
                      "--origin", std::to_string(c.right) + ",0"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    ExpectSameArea(w.picture, testing::LoadBmp(out));
  }
}

TEST(WizardFit, UnderFitTheAreaShowsTheBorderColourAroundThePicture) {
  Wizard w(testing::Gradient(600, 200));  // fitted to 288 x 96, 48 rows above and below
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
  Wizard w(testing::Gradient(200, 150));
  EXPECT_FALSE(w.Open());  // crop, the default, cannot show it
  w.Place(2);
  ASSERT_TRUE(w.Open());
  w.Place(0);
  EXPECT_EQ(w.dialogs.Errors().size(), 1u);
  EXPECT_EQ(Child<QComboBox>(w.frm, "FitCmb")->currentIndex(), 2);
  EXPECT_EQ(w.frm.Model().Options().fit, PictureFit::Fill);
}

TEST(WizardFit, APaletteChosenByHandSurvivesANewPlacement) {
  const Bitmap picture = testing::Gradient(400, 300);
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
