#include "image/prepare_picture.h"

#include <algorithm>
#include <cstdio>

#include "core/subcode_pack.h"
#include "image/bmp_wizard.h"

namespace mosaicer {
namespace {

constexpr int kIndexedBits = 4;
constexpr std::size_t kMessageLength = 128;

std::string TooSmallMessage() {
  char text[kMessageLength];
  std::snprintf(text, sizeof text, "%d×%dピクセル以上のビットマップを選択して下さい。",
                kVisibleWidth, kVisibleHeight);
  return text;
}

PreparedPicture Failure(std::string message) {
  PreparedPicture prepared;
  prepared.error = std::move(message);
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
  if (wizard.CurrentStep() == TBmpWizardModel::kReduceStep) wizard.Next();
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
