#include "image/bmp_wizard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/subcode_pack.h"
#include "image/colour_reduction.h"
#include "image/palette_generation.h"

namespace mosaicer {
namespace {

constexpr int kIndexedBits = 4;
// The coefficient is the percentage / 100 rounded once to single precision
// (60 gives 0.6000000238f; a float product 60 * 0.01f would give
// 0.59999996f). The truncating diffusion depends on that last bit.
constexpr double kPercent = 100.0;
constexpr int kHighNibbleShift = 4;
constexpr std::size_t kLabelLength = 32;

PaletteEntry Entry(Rgb c) { return PaletteEntry{c.r, c.g, c.b, kPaletteEntryFlags}; }

std::string RangeLabel(const char* format, int from, int to) {
  char text[kLabelLength];
  std::snprintf(text, sizeof text, format, from, to);
  return text;
}

std::string ComponentLabel(const char* format, int value) {
  char text[kLabelLength];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A 4-bit picture whose colour table is entries 0..15 of `palette`.
Bitmap IndexedPicture(int width, int height, const LogPalette& palette) {
  Bitmap picture = std::move(*Bitmap::Create(width, height, kIndexedBits).bitmap);
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    picture.SetPaletteEntry(i, palette.entries[static_cast<std::size_t>(i)]);
  picture.SetPaletteCount(kUsedPaletteEntries);
  return picture;
}

}  // namespace

TBmpWizardModel::TBmpWizardModel(const BmpWizardOptions& options) : options_(options.Clamped()) {}

void TBmpWizardModel::SetOptions(const BmpWizardOptions& options) {
  const PictureFit current = options_.fit;
  options_ = options.Clamped();
  if (source_ == nullptr) return;
  options_.fit = current;
  SetFit(options.fit);
}

void TBmpWizardModel::SetMethodPosition(int position) {
  options_.methodPosition = position;
  options_ = options_.Clamped();
}

void TBmpWizardModel::SetBits(int bits) {
  options_.bits = bits;
  options_ = options_.Clamped();
}

void TBmpWizardModel::SetKeep(int keep) {
  options_.keep = keep;
  options_ = options_.Clamped();
}

void TBmpWizardModel::SetDiffusionStrength(int percent) {
  options_.diffusionStrength = percent;
  options_ = options_.Clamped();
}

void TBmpWizardModel::SetFrameColour(std::uint32_t colour) {
  options_.frameColour = colour;
  options_ = options_.Clamped();
}

bool TBmpWizardModel::SetPicture(const Bitmap* picture) {
  if (picture == nullptr || picture->empty()) return false;
  const Bitmap* previous = original_;
  original_ = picture;
  if (!FitSource(options_.fit)) {
    original_ = previous;
    return false;
  }
  step_ = kPaletteStep;
  work_ = Bitmap();
  range_ = Bitmap();
  output_ = Bitmap();
  dragging_ = false;
  StartColours();
  return true;
}

// Makes source_ the original picture fitted as `fit` says. False, and
// nothing changes, when the result would be smaller than the area (crop of
// a small picture) or the picture cannot be scaled.
bool TBmpWizardModel::FitSource(PictureFit fit) {
  FittedPicture fitted = FitPicture(*original_, fit, kVisibleWidth, kVisibleHeight);
  if (!fitted.ok()) return false;
  const Bitmap& used = fitted.picture.empty() ? *original_ : fitted.picture;
  if (used.Width() < kVisibleWidth || used.Height() < kVisibleHeight) return false;
  fitted_ = std::move(fitted.picture);
  source_ = fitted_.empty() ? original_ : &fitted_;
  placed_ =
      fit == PictureFit::Fit ? fitted.placed : FitPlacement{0, 0, kVisibleWidth, kVisibleHeight};
  options_.fit = fit;
  return true;
}

// The palette step's start for the source: a 4-bit picture offers its own
// colours, any other gets a palette generated from it.
void TBmpWizardModel::StartColours() {
  noReduceEnabled_ = noReduce_ = source_->BitsPerPixel() == kIndexedBits;
  if (noReduce_) {
    TakeSourcePalette();
  } else {
    // The K kept entries are black here: nothing has been chosen yet. The
    // count (16 plus the colours made) is only looked at again once Next
    // has rebuilt the palette with count 16.
    palette_ = LogPalette::Cleared(kUsedPaletteEntries);
    GeneratePalette(source_, options_.methodPosition + 1, palette_, options_.keep,
                    kUsedPaletteEntries - options_.keep, options_.bits);
  }
  paletteOrigin_ = PaletteOrigin::Automatic;
  PaintSwatchesFromPalette();
}

bool TBmpWizardModel::SetFit(PictureFit fit) {
  if (source_ == nullptr) {
    options_.fit = fit;
    return true;
  }
  if (fit == options_.fit) return true;
  const bool wasIndexed = source_->BitsPerPixel() == kIndexedBits;
  if (!FitSource(fit)) return false;

  const bool indexed = source_->BitsPerPixel() == kIndexedBits;
  switch (paletteOrigin_) {
    case PaletteOrigin::Automatic:
      StartColours();
      break;
    case PaletteOrigin::Made:
      noReduceEnabled_ = indexed;
      noReduce_ = noReduce_ && indexed;
      GenerateFromSwatches();
      break;
    case PaletteOrigin::ByHand:
      noReduceEnabled_ = indexed;
      noReduce_ = noReduce_ && indexed;
      // Colours taken from a 4-bit picture that can no longer keep them
      // are the swatches to reduce to.
      if (wasIndexed && !indexed) PaintSwatchesFromPalette();
      break;
  }

  // The steps taken so far, again, keeping the area's choices.
  const int step = step_;
  const int x = selectionX_, y = selectionY_, border = borderIndex_;
  step_ = kPaletteStep;
  while (step_ < std::min(step, static_cast<int>(kRangeStep)))
    if (Next()) break;
  if (step_ >= kRangeStep) {
    MoveSelection(x, y);
    SelectBorder(border);
    if (step == kPreviewStep) Next();
  }
  return true;
}

void TBmpWizardModel::SetNoReduce(bool on) {
  if (noReduceEnabled_) noReduce_ = on;
}

void TBmpWizardModel::TakeSourcePalette() {
  palette_ = LogPalette::Cleared(kUsedPaletteEntries);
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    palette_.entries[static_cast<std::size_t>(i)] = source_->Palette()[static_cast<std::size_t>(i)];
}

void TBmpWizardModel::PaintSwatchesFromPalette() {
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    swatches_[static_cast<std::size_t>(i)] = palette_.entries[static_cast<std::size_t>(i)].colour();
}

PaletteColours TBmpWizardModel::SwatchColours() const {
  PaletteColours colours;
  std::copy_n(swatches_.begin(), kUsedPaletteEntries, colours.begin());
  return colours;
}

bool TBmpWizardModel::Next() {
  if (source_ == nullptr) return false;
  switch (step_) {
    case kPaletteStep:
      if (noReduce_) {
        // The picture keeps its own colours; swatch edits are dropped.
        work_ = *source_;
        TakeSourcePalette();
        PaintSwatchesFromPalette();
        EnterRangeStep();
      } else {
        palette_ = LogPalette::Cleared(kUsedPaletteEntries);
        for (int i = 0; i < kUsedPaletteEntries; ++i) {
          palette_.entries[static_cast<std::size_t>(i)] =
              Entry(swatches_[static_cast<std::size_t>(i)]);
          borderSwatches_[static_cast<std::size_t>(i)] = swatches_[static_cast<std::size_t>(i)];
        }
        step_ = kReduceStep;
      }
      return false;
    case kReduceStep:
      work_ = ReducedCopy(*source_, palette_, options_.errorDiffusion,
                          static_cast<float>(options_.diffusionStrength / kPercent));
      EnterRangeStep();
      return false;
    case kRangeStep:
      BuildOutput();
      step_ = kPreviewStep;
      return false;
    case kPreviewStep:
      source_ = nullptr;
      return true;
  }
  return false;
}

void TBmpWizardModel::Prev() {
  switch (step_) {
    case kReduceStep:
      step_ = kPaletteStep;
      break;
    case kRangeStep:
      step_ = noReduce_ ? kPaletteStep : kReduceStep;
      break;
    case kPreviewStep:
      step_ = kRangeStep;
      break;
    default:
      break;
  }
}

void TBmpWizardModel::EnterRangeStep() {
  PrepareRange();
  MoveSelection(0, 0);
  step_ = kRangeStep;
}

// The range picture shows what CD+G can show: the work picture's indices
// with every colour cut to its top four bits.
void TBmpWizardModel::PrepareRange() {
  LogPalette cut = palette_;
  for (int i = 0; i < kUsedPaletteEntries; ++i) {
    PaletteEntry& e = cut.entries[static_cast<std::size_t>(i)];
    e = CutToFourBits(e);
    borderSwatches_[static_cast<std::size_t>(i)] = e.colour();
  }
  range_ = IndexedPicture(work_.Width(), work_.Height(), cut);
  for (int y = 0; y < work_.Height(); ++y)
    std::memcpy(range_.ScanLine(y), work_.ScanLine(y), work_.Stride());
  borderIndex_ = 0;
}

void TBmpWizardModel::BuildOutput() {
  LogPalette cut;
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    cut.entries[static_cast<std::size_t>(i)] = range_.Palette()[static_cast<std::size_t>(i)];
  output_ = IndexedPicture(kScreenWidth, kScreenHeight, cut);

  const int border = borderIndex_ >= kUsedPaletteEntries ? 0 : borderIndex_;
  const auto fill = static_cast<std::uint8_t>((border << kHighNibbleShift) | border);
  const std::size_t rowBytes = (kScreenWidth + 1) / 2;
  for (int y = 0; y < kScreenHeight; ++y) std::memset(output_.ScanLine(y), fill, rowBytes);

  for (int y = 0; y < kVisibleHeight; ++y)
    for (int x = 0; x < kVisibleWidth; ++x)
      output_.SetPixelIndex(kVisibleLeft + x, kVisibleTop + y,
                            range_.PixelIndex(selectionX_ + x, selectionY_ + y));
  if (options_.fit == PictureFit::Fit)
    PaintOutsidePlacement(output_, kVisibleLeft, kVisibleTop, kVisibleWidth, kVisibleHeight,
                          placed_, border);
}

Bitmap TBmpWizardModel::ShownRangePicture() const {
  Bitmap shown = range_;
  if (options_.fit == PictureFit::Fit && !shown.empty())
    PaintOutsidePlacement(shown, selectionX_, selectionY_, kVisibleWidth, kVisibleHeight, placed_,
                          borderIndex_);
  return shown;
}

bool TBmpWizardModel::GenerateFromSwatches() {
  if (source_ == nullptr) return false;
  const int keep = options_.keep;
  LogPalette generated = LogPalette::Cleared(static_cast<std::uint16_t>(keep));
  for (int i = 0; i < keep; ++i)
    generated.entries[static_cast<std::size_t>(i)] = Entry(swatches_[static_cast<std::size_t>(i)]);
  if (!GeneratePalette(source_, options_.methodPosition + 1, generated, keep,
                       kUsedPaletteEntries - keep, options_.bits))
    return false;
  palette_ = generated;
  paletteOrigin_ = PaletteOrigin::Made;
  PaintSwatchesFromPalette();
  return true;
}

bool TBmpWizardModel::PickColour(int x, int y) {
  if (source_ == nullptr || x < 0 || y < 0 || x >= source_->Width() || y >= source_->Height())
    return false;
  swatches_[kPickedSwatch] = source_->ColourAt(x, y);
  return true;
}

void TBmpWizardModel::SetSwatchColour(int swatch, Rgb colour) {
  if (swatch < 0 || swatch >= kSwatchCount) return;
  swatches_[static_cast<std::size_t>(swatch)] = colour;
  if (swatch < kUsedPaletteEntries) paletteOrigin_ = PaletteOrigin::ByHand;
}

TBmpWizardModel::SwatchPress TBmpWizardModel::PressSwatch(
    int swatch, std::chrono::milliseconds now, std::chrono::milliseconds doubleClickTime) {
  const bool doublePress = pressedBefore_ && now - lastPress_ < doubleClickTime;
  pressedBefore_ = true;
  lastPress_ = now;
  if (doublePress) return SwatchPress::EditColour;
  selectedSwatch_ = swatch;
  dragging_ = true;
  dragSwatch_ = swatch;
  dragColour_ = Swatch(swatch);
  return SwatchPress::Drag;
}

void TBmpWizardModel::DropSwatch(int target) {
  if (!dragging_) return;
  dragging_ = false;
  if (target < 0 || target >= kSwatchCount) return;
  swatches_[static_cast<std::size_t>(dragSwatch_)] = swatches_[static_cast<std::size_t>(target)];
  swatches_[static_cast<std::size_t>(target)] = dragColour_;
  selectedSwatch_ = target;
  if (target != dragSwatch_) paletteOrigin_ = PaletteOrigin::ByHand;
}

IoStatus TBmpWizardModel::SavePaletteFile(const std::filesystem::path& path) {
  options_.paletteFolder = path.parent_path().string();
  return WritePalFile(path, SwatchColours(), options_.keep);
}

PalFileStatus TBmpWizardModel::LoadPaletteFile(const std::filesystem::path& path) {
  options_.paletteFolder = path.parent_path().string();
  const PalFileContents contents = ReadPalFile(path);
  if (contents.status == PalFileStatus::Loaded) ApplyPaletteEntries(contents.entries);
  return contents.status;
}

void TBmpWizardModel::ApplyPaletteEntries(
    const std::array<PaletteEntry, kUsedPaletteEntries>& entries) {
  std::copy(entries.begin(), entries.end(), palette_.entries.begin());
  palette_.count = kUsedPaletteEntries;
  paletteOrigin_ = PaletteOrigin::ByHand;
  PaintSwatchesFromPalette();
}

void TBmpWizardModel::MoveSelection(int x, int y) {
  if (x > work_.Width() - kVisibleWidth) x = work_.Width() - kVisibleWidth;
  if (y > work_.Height() - kVisibleHeight) y = work_.Height() - kVisibleHeight;
  selectionX_ = std::max(x, 0);
  selectionY_ = std::max(y, 0);
}

std::string TBmpWizardModel::XLabel() const {
  return RangeLabel("X: %.3d - %.3d", selectionX_, selectionX_ + kVisibleWidth);
}

std::string TBmpWizardModel::YLabel() const {
  return RangeLabel("Y: %.3d - %.3d", selectionY_, selectionY_ + kVisibleHeight);
}

void TBmpWizardModel::SelectBorder(int index) {
  if (index >= 0 && index < kBorderSwatchCount) borderIndex_ = index;
}

std::array<std::string, 3> ComponentLabels(Rgb colour) {
  return {ComponentLabel("R: %.3d", colour.r), ComponentLabel("G: %.3d", colour.g),
          ComponentLabel("B: %.3d", colour.b)};
}

}  // namespace mosaicer
