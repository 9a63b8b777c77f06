#include "image/bmp_wizard.h"

#include <gtest/gtest.h>

#include "image/colour_reduction.h"
#include "image/palette_generation.h"
#include "image/prepare_picture.h"
#include "support/picture.h"

namespace mosaicer {
namespace {

using namespace std::chrono_literals;
using Wizard = TBmpWizardModel;

using namespace testing;

TEST(BmpWizardSteps, SixteenColourPictureSkipsReductionUntilUnticked) {
  const Bitmap picture = SixteenColours(300, 200);
  Wizard wizard;
  ASSERT_TRUE(wizard.SetPicture(&picture));
  EXPECT_TRUE(wizard.NoReduceEnabled());
  EXPECT_TRUE(wizard.NoReduce());
  EXPECT_EQ(wizard.Palette().count, 16);
  EXPECT_EQ(wizard.Swatch(3), picture.Palette()[3].colour());

  // Swatch edits are dropped: the picture keeps its own colours.
  wizard.SetSwatchColour(3, {1, 2, 3});
  wizard.Next();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kRangeStep);
  EXPECT_EQ(wizard.Palette().entries[3], picture.Palette()[3]);
  EXPECT_EQ(wizard.Swatch(3), picture.Palette()[3].colour());
  wizard.Prev();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kPaletteStep);
  wizard.Prev();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kPaletteStep);

  wizard.SetNoReduce(false);
  wizard.Next();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kReduceStep);
  wizard.Next();
  wizard.MoveSelection(-5, 3);  // the selection stays inside the picture
  EXPECT_EQ(wizard.SelectionX(), 0);
  EXPECT_EQ(wizard.SelectionY(), 3);
  wizard.Prev();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kReduceStep);

  const Bitmap small = SixteenColours(287, 192);
  EXPECT_FALSE(wizard.SetPicture(&small));
  EXPECT_FALSE(wizard.SetPicture(nullptr));
}

TEST(BmpWizardSteps, OtherPicturesStartFromAGeneratedPalette) {
  const Bitmap picture = Gradient(300, 200);
  BmpWizardOptions options;
  options.methodPosition = 0;
  options.bits = 5;
  options.keep = 2;
  Wizard wizard(options);
  ASSERT_TRUE(wizard.SetPicture(&picture));
  EXPECT_FALSE(wizard.NoReduceEnabled());
  wizard.SetNoReduce(true);
  EXPECT_FALSE(wizard.NoReduce());

  LogPalette expected = LogPalette::Cleared(16);
  ASSERT_TRUE(GeneratePalette(&picture, 1, expected, 2, 14, 5));
  EXPECT_EQ(wizard.Palette(), expected);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(wizard.Swatch(i), expected.entries[i].colour());
}

// A 24-bit picture in a wizard on its palette step.
class GradientWizard : public ::testing::Test {
 protected:
  const Bitmap picture = Gradient(300, 200);
  Wizard wizard;
  void SetUp() override { ASSERT_TRUE(wizard.SetPicture(&picture)); }
};

TEST_F(GradientWizard, NextTakesTheSwatchesAndGoingBackRecomputesNothing) {
  wizard.SetSwatchColour(3, {9, 8, 7});
  wizard.Next();
  ASSERT_EQ(wizard.CurrentStep(), Wizard::kReduceStep);
  EXPECT_EQ(wizard.Palette().count, 16);
  EXPECT_EQ(wizard.Palette().entries[3], (PaletteEntry{9, 8, 7, 1}));
  EXPECT_EQ(wizard.Palette().entries[16], PaletteEntry{});
  EXPECT_EQ(wizard.BorderSwatch(3), (Rgb{9, 8, 7}));

  wizard.Next();
  ASSERT_EQ(wizard.CurrentStep(), Wizard::kRangeStep);
  EXPECT_EQ(wizard.WorkPicture().BitsPerPixel(), 4);
  EXPECT_EQ(wizard.BorderSwatch(3), (Rgb{0, 0, 0}));  // cut to the top four bits
  wizard.MoveSelection(4, 5);
  wizard.SelectBorder(6);
  wizard.Next();
  wizard.Prev();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kRangeStep);
  EXPECT_EQ(wizard.SelectionX(), 4);
  EXPECT_EQ(wizard.BorderIndex(), 6);

  const Bitmap work = wizard.WorkPicture();
  wizard.SetDiffusionStrength(100);
  wizard.Prev();
  wizard.Prev();
  EXPECT_EQ(wizard.CurrentStep(), Wizard::kPaletteStep);
  EXPECT_TRUE(std::ranges::equal(wizard.WorkPicture().Pixels(), work.Pixels()));
  // Entering the range step again starts from the origin and border 0.
  wizard.Next();
  wizard.Next();
  EXPECT_EQ(wizard.SelectionX(), 0);
  EXPECT_EQ(wizard.BorderIndex(), 0);
}

TEST_F(GradientWizard, DraggingSwapsColoursIncludingThePickedOne) {
  const Rgb three = wizard.Swatch(3), nine = wizard.Swatch(9), five = wizard.Swatch(5);
  EXPECT_EQ(wizard.PressSwatch(3, 1000ms, 500ms), Wizard::SwatchPress::Drag);
  EXPECT_EQ(wizard.SelectedSwatch(), 3);
  wizard.DropSwatch(9);
  EXPECT_EQ(wizard.Swatch(3), nine);
  EXPECT_EQ(wizard.Swatch(9), three);
  EXPECT_EQ(wizard.SelectedSwatch(), 9);

  ASSERT_TRUE(wizard.PickColour(10, 20));
  EXPECT_EQ(wizard.Swatch(Wizard::kPickedSwatch), (Rgb{10, 20, 10 ^ 20}));
  EXPECT_FALSE(wizard.PickColour(300, 0));
  wizard.PressSwatch(Wizard::kPickedSwatch, 2000ms, 500ms);
  wizard.DropSwatch(5);
  EXPECT_EQ(wizard.Swatch(5), (Rgb{10, 20, 10 ^ 20}));
  EXPECT_EQ(wizard.Swatch(Wizard::kPickedSwatch), five);

  // A second press within the double-click time asks for the colour dialog.
  EXPECT_EQ(wizard.PressSwatch(5, 2400ms, 500ms), Wizard::SwatchPress::EditColour);
  EXPECT_FALSE(wizard.Dragging());
  wizard.PressSwatch(1, 3000ms, 500ms);
  const Rgb one = wizard.Swatch(1);
  wizard.DropSwatch(Wizard::kNoSwatch);
  EXPECT_EQ(wizard.Swatch(1), one);
  EXPECT_EQ(wizard.SelectedSwatch(), 1);
}

TEST_F(GradientWizard, GenerationKeepsTheFirstKSwatches) {
  wizard.SetKeep(2);
  wizard.SetSwatchColour(0, {200, 0, 0});
  wizard.SetSwatchColour(1, {0, 200, 0});
  ASSERT_TRUE(wizard.GenerateFromSwatches());

  LogPalette expected = LogPalette::Cleared(2);
  expected.entries[0] = {200, 0, 0, 1};
  expected.entries[1] = {0, 200, 0, 1};
  ASSERT_TRUE(GeneratePalette(&picture, 3, expected, 2, 14, 6));
  EXPECT_EQ(wizard.Palette(), expected);
  EXPECT_EQ(wizard.Swatch(15), expected.entries[15].colour());
}

TEST(BmpWizardOutput, BorderFrameAroundTheSelectionInCutColours) {
  Bitmap picture = SixteenColours(320, 200);
  // Entries 1 and 2 differ only below the top four bits.
  picture.SetPaletteEntry(1, {0x12, 0x34, 0x56, 0});
  picture.SetPaletteEntry(2, {0x1F, 0x3B, 0x50, 0});
  Wizard wizard;
  ASSERT_TRUE(wizard.SetPicture(&picture));
  wizard.Next();
  EXPECT_EQ(wizard.RangePicture().ColourAt(1, 0), wizard.RangePicture().ColourAt(2, 0));
  EXPECT_EQ(wizard.RangePicture().ColourAt(1, 0), (Rgb{0x10, 0x30, 0x50}));
  wizard.MoveSelection(10, 5);
  wizard.SelectBorder(7);
  wizard.Next();
  ASSERT_EQ(wizard.CurrentStep(), Wizard::kPreviewStep);

  // Where the frame and the area lie is checked by the render command-line
  // test, and that this picture is PreparePicture's by the rectangle tests.
  const Bitmap& out = wizard.OutputPicture();
  EXPECT_EQ(out.PixelIndex(0, 0), 7);
  EXPECT_EQ(out.PixelIndex(6 + 13, 12 + 40), picture.PixelIndex(10 + 13, 5 + 40));
  EXPECT_EQ(out.Palette()[2], (PaletteEntry{0x10, 0x30, 0x50, 0}));

  EXPECT_TRUE(wizard.Next());
  EXPECT_FALSE(wizard.HasPicture());
  const TBmpWizardResult result = wizard.Result();
  EXPECT_EQ(result.border, 7);
  EXPECT_EQ(result.palette.entries[2], (PaletteEntry{0x1F, 0x3B, 0x50, 0}));
  EXPECT_TRUE(std::ranges::equal(result.picture.Pixels(), out.Pixels()));
}

// A 16-colour picture goes through unreduced, with its own colour table.
TEST(PreparePicture, SixteenColourPicturesKeepTheirColoursAndSmallOnesAreRefused) {
  const Bitmap picture = SixteenColours(300, 200);
  const PreparedPicture prepared = PreparePicture(picture, {});
  ASSERT_TRUE(prepared.ok()) << prepared.error;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(prepared.palette.entries[i], picture.Palette()[i]) << i;
  for (auto [x, y] : {std::pair{0, 0}, {287, 191}, {13, 40}})
    EXPECT_EQ(prepared.picture.PixelIndex(6 + x, 12 + y), picture.PixelIndex(x, y));

  EXPECT_EQ(PreparePicture(Gradient(288, 191), {}).error,
            "288×192ピクセル以上のビットマップを選択して下さい。");
  PictureOptions keepColours;
  keepColours.reduce = false;
  EXPECT_FALSE(PreparePicture(Gradient(288, 192), keepColours).ok());
}

TEST(PreparePicture, PaletteFileColoursWithKeepRegenerateTheRest) {
  const Bitmap picture = Gradient(300, 200);
  PictureOptions options;
  options.palette = LogPalette::Cleared(16);
  for (int i = 0; i < 16; ++i)
    options.palette->entries[i] = {static_cast<std::uint8_t>(i), 0, 0, 1};
  options.keep = 3;
  options.diffuse = false;
  options.originX = 500;
  options.border = 20;
  const PreparedPicture prepared = PreparePicture(picture, options);
  ASSERT_TRUE(prepared.ok());

  LogPalette expected = LogPalette::Cleared(3);
  for (int i = 0; i < 3; ++i) expected.entries[i] = {static_cast<std::uint8_t>(i), 0, 0, 1};
  ASSERT_TRUE(GeneratePalette(&picture, 3, expected, 3, 13, 6));
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(prepared.palette.entries[i].colour(), expected.entries[i].colour());
  EXPECT_EQ(prepared.border, 15);
  // Clamped origin (12, 0); no diffusion, so the corner is that pixel's
  // nearest colour.
  const Rgb corner = picture.ColourAt(12, 0);
  EXPECT_EQ(prepared.picture.PixelIndex(6, 12),
            NearestPaletteIndex(prepared.palette, corner.r, corner.g, corner.b));
}

}  // namespace
}  // namespace mosaicer
