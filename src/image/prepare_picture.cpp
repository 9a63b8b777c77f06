#include "image/prepare_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/subcode_pack.h"
#include "image/bmp_wizard.h"
#include "image/colour_reduction.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

constexpr int kIndexedBits = 4;
constexpr double kPercent = 100.0;
constexpr int kHighNibbleShift = 4;

std::string TooSmallMessage() {
  return Format(Tr("Choose a bitmap of at least %1×%2 pixels."),
                {std::to_string(kVisibleWidth), std::to_string(kVisibleHeight)});
}

PreparedPicture Failure(std::string message) {
  PreparedPicture prepared;
  prepared.error = std::move(message);
  return prepared;
}

// The wizard's last steps from its reduce step, for a caller that keeps
// nothing but the result: only the rectangle from the picture's top-left
// corner to the selection's bottom-right corner is reduced, since error
// diffusion carries nothing up or left, and the 300 x 216 picture is built
// from it as the range and preview steps build it from the whole picture.
PreparedPicture FinishFromReduceStep(const TBmpWizardModel& wizard, const Bitmap& source,
                                     const PictureOptions& options) {
  // Where MoveSelection puts the selection in the whole reduced picture.
  const int x = std::max(std::min(options.originX, source.Width() - kVisibleWidth), 0);
  const int y = std::max(std::min(options.originY, source.Height() - kVisibleHeight), 0);
  const BmpWizardOptions& choices = wizard.Options();
  const Bitmap work = ReducedCopy(source, wizard.Palette(), choices.errorDiffusion,
                                  static_cast<float>(choices.diffusionStrength / kPercent),
                                  x + kVisibleWidth, y + kVisibleHeight);

  PreparedPicture prepared;
  prepared.palette = wizard.Palette();
  prepared.border = std::clamp(options.border, 0, TBmpWizardModel::kBorderSwatchCount - 1);
  prepared.picture = std::move(*Bitmap::Create(kScreenWidth, kScreenHeight, kIndexedBits).bitmap);
  Bitmap& screen = prepared.picture;
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    screen.SetPaletteEntry(i, CutToFourBits(prepared.palette.entries[static_cast<std::size_t>(i)]));
  screen.SetPaletteCount(kUsedPaletteEntries);
  const auto fill =
      static_cast<std::uint8_t>((prepared.border << kHighNibbleShift) | prepared.border);
  const std::size_t rowBytes = (kScreenWidth + 1) / 2;
  for (int row = 0; row < kScreenHeight; ++row) std::memset(screen.ScanLine(row), fill, rowBytes);
  for (int row = 0; row < kVisibleHeight; ++row)
    for (int column = 0; column < kVisibleWidth; ++column)
      screen.SetPixelIndex(kVisibleLeft + column, kVisibleTop + row,
                           work.PixelIndex(x + column, y + row));
  return prepared;
}

}  // namespace

PreparedPicture PreparePicture(const Bitmap& source, const PictureOptions& options) {
  if (source.Width() < kVisibleWidth || source.Height() < kVisibleHeight)
    return Failure(TooSmallMessage());
  const bool indexed16 = source.BitsPerPixel() == kIndexedBits;
  const bool reduce = options.reduce.value_or(!indexed16);
  if (!reduce && !indexed16) return Failure("only a 4-bit picture can skip colour reduction");

  BmpWizardOptions choices;
  choices.methodPosition = options.method;
  choices.bits = options.bits;
  choices.keep = options.keep;
  choices.errorDiffusion = options.diffuse;
  choices.diffusionStrength = options.strength;
  TBmpWizardModel wizard(choices);
  wizard.SetPicture(&source);

  if (options.palette) {
    std::array<PaletteEntry, kUsedPaletteEntries> entries;
    std::copy_n(options.palette->entries.begin(), kUsedPaletteEntries, entries.begin());
    wizard.ApplyPaletteEntries(entries);
    if (wizard.Options().keep > 0) wizard.GenerateFromSwatches();
  }
  wizard.SetNoReduce(!reduce);

  wizard.Next();  // to step 1, or straight to 2 without reduction
  if (wizard.CurrentStep() == TBmpWizardModel::kReduceStep)
    return FinishFromReduceStep(wizard, source, options);
  wizard.MoveSelection(options.originX, options.originY);
  wizard.SelectBorder(std::clamp(options.border, 0, TBmpWizardModel::kBorderSwatchCount - 1));
  wizard.Next();  // builds the output picture
  wizard.Next();  // finishes

  TBmpWizardResult result = wizard.Result();
  PreparedPicture prepared;
  prepared.picture = std::move(result.picture);
  prepared.palette = result.palette;
  prepared.border = result.border;
  return prepared;
}

}  // namespace mosaicer
