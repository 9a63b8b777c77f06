// The bitmap import wizard without its window: four steps that turn a
// picture of at least 288 x 192 pixels into a 300 x 216 16-colour picture
// framed by a border colour, its palette and the border index.
//
//   0 palette: generate or edit 16 colours (swatches 0..15, 16 = picked)
//   1 reduce:  map the picture onto them, with or without error diffusion
//   2 range:   choose how the picture meets the 288 x 192 area (crop, fit
//              or fill), the area and the border colour
//   3 preview: the finished picture; Next hands it back
//
// A 4-bit picture may skip step 1 and keep its own colours (NoReduce). The
// window (TBmpFrm) owns one model, forwards its controls' events to it and
// paints what the accessors return; the command line drives the same steps
// through PreparePicture, so both make identical pictures.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <string>

#include "image/bmp_wizard_settings.h"
#include "image/log_palette.h"
#include "image/pal_file.h"
#include "media/picture_fit.h"
#include "platform/bitmap.h"

namespace mosaicer {

// What the wizard hands back when it finishes.
struct TBmpWizardResult {
  Bitmap picture;      // 300 x 216, 4 bits, the cut palette as its colour table
  LogPalette palette;  // 8-bit values as edited, not cut
  int border = 0;      // border colour index 0..15
};

class TBmpWizardModel {
 public:
  enum Step : int { kPaletteStep = 0, kReduceStep = 1, kRangeStep = 2, kPreviewStep = 3 };
  static constexpr int kPickedSwatch = 16;
  static constexpr int kSwatchCount = 17;  // palette swatches 0..15 and the picked colour
  static constexpr int kBorderSwatchCount = 16;
  static constexpr int kNoSwatch = -1;

  enum class SwatchPress {
    Drag,        // the swatch is selected and a drag has started
    EditColour,  // a double press: the window opens the colour dialog
  };

  explicit TBmpWizardModel(const BmpWizardOptions& options = {});

  const BmpWizardOptions& Options() const { return options_; }
  // Each value is clamped into its control's range. During a run a new fit
  // is applied as SetFit applies it.
  void SetOptions(const BmpWizardOptions& options);
  void SetMethodPosition(int position);
  void SetBits(int bits);
  void SetKeep(int keep);
  void SetErrorDiffusion(bool on) { options_.errorDiffusion = on; }
  void SetDiffusionStrength(int percent);
  void SetFrameColour(std::uint32_t colour);

  // Starts a run on `picture`, which the model borrows: it must stay alive
  // and unchanged until the run finishes or Close() is called. The picture
  // is first fitted to the area as Options().fit says; one smaller than
  // 288 x 192 is fitted whole (fit) when the choice is crop. False, and
  // nothing changes, for a null or empty picture.
  // The fitted picture is the source of every step: a 4-bit one takes its
  // palette from its colour table with NoReduce ticked; any other gets a
  // palette generated from it (K black entries kept).
  bool SetPicture(const Bitmap* picture);
  // Forgets the picture (the window was closed without finishing).
  void Close() {
    source_ = nullptr;
    original_ = nullptr;
    fitted_ = Bitmap();
  }
  bool HasPicture() const { return source_ != nullptr; }

  int CurrentStep() const { return step_; }
  bool NoReduceEnabled() const { return noReduceEnabled_; }
  bool NoReduce() const { return noReduce_; }
  // Ignored while the check box is disabled (the picture is not 4-bit).
  void SetNoReduce(bool on);

  // Moves on one step. Returns true only when Next in step 3 finishes the
  // run: Result() then holds the outcome and the picture is forgotten.
  bool Next();
  // Moves back one step; nothing is recomputed.
  void Prev();

  const LogPalette& Palette() const { return palette_; }
  // Palette swatches 0..15 and the picked colour (16).
  Rgb Swatch(int index) const { return swatches_.at(static_cast<std::size_t>(index)); }
  PaletteColours SwatchColours() const;
  Rgb BorderSwatch(int index) const { return borderSwatches_.at(static_cast<std::size_t>(index)); }
  int SelectedSwatch() const { return selectedSwatch_; }
  int BorderIndex() const { return borderIndex_; }

  // Step 0. "実行": keeps swatches 0..K-1 and generates the other 16 - K
  // colours; on success the palette and swatches 0..15 take the result.
  bool GenerateFromSwatches();
  // The colour of a source pixel becomes the picked colour (swatch 16).
  // False when (x, y) lies outside the picture.
  bool PickColour(int x, int y);
  void SetSwatchColour(int swatch, Rgb colour);
  // A press on swatch 0..16 at time `now`. Within `doubleClickTime` of the
  // previous press it asks for the colour dialog; otherwise it selects the
  // swatch and starts dragging it.
  SwatchPress PressSwatch(int swatch, std::chrono::milliseconds now,
                          std::chrono::milliseconds doubleClickTime);
  // Ends a drag over swatch `target` (kNoSwatch: elsewhere). Over a swatch
  // the two colours swap and the selection follows the dropped colour.
  void DropSwatch(int target);
  bool Dragging() const { return dragging_; }

  // .pal files of swatches 0..15 and K. Both remember the file's folder as
  // the palette folder. Loading replaces palette entries 0..15 and swatches
  // 0..15 and sets the count to 16; K, the picked colour and the border
  // swatches stay. A file of another version changes nothing.
  IoStatus SavePaletteFile(const std::filesystem::path& path);
  PalFileStatus LoadPaletteFile(const std::filesystem::path& path);
  void ApplyPaletteEntries(const std::array<PaletteEntry, kUsedPaletteEntries>& entries);

  // Step 2. Fits the picture anew and redoes the steps already taken, as
  // if the run had started with `fit`: a palette the model made is made
  // again from the fitted picture (by "Make" if that made it), one chosen
  // by hand is kept; the selection and the border colour stay. Without a
  // picture the choice is only remembered. False, and nothing changes,
  // when crop is asked for a picture smaller than the area.
  bool SetFit(PictureFit fit);
  // fit: where the picture lies in the area; the rest shows the border
  // colour. Otherwise the whole area.
  FitPlacement Placement() const { return placed_; }
  // The selection is clamped to lie inside the picture.
  void MoveSelection(int x, int y);
  int SelectionX() const { return selectionX_; }
  int SelectionY() const { return selectionY_; }
  std::string XLabel() const;  // "X: 000 - 288"
  std::string YLabel() const;  // "Y: 000 - 192"
  // Border swatches 0..15; other numbers are ignored.
  void SelectBorder(int index);

  const Bitmap* Source() const { return source_; }
  const Bitmap& WorkPicture() const { return work_; }
  const Bitmap& RangePicture() const { return range_; }
  // The range picture's area as the preview will show it: under fit, the
  // part outside the picture in the border colour.
  Bitmap ShownRangePicture() const;
  const Bitmap& OutputPicture() const { return output_; }
  TBmpWizardResult Result() const { return {output_, palette_, borderIndex_}; }

 private:
  void PaintSwatchesFromPalette();
  void TakeSourcePalette();
  void PrepareRange();
  void EnterRangeStep();
  void BuildOutput();
  bool FitSource(PictureFit fit);
  void StartColours();

  // Where the palette came from, which decides what a new fit does to it.
  enum class PaletteOrigin { Automatic, Made, ByHand };

  BmpWizardOptions options_;
  const Bitmap* original_ = nullptr;  // the picture as given
  Bitmap fitted_;                     // the picture fitted; empty when it is used as it is
  FitPlacement placed_;
  PaletteOrigin paletteOrigin_ = PaletteOrigin::Automatic;
  const Bitmap* source_ = nullptr;  // original_ or &fitted_
  int step_ = kPaletteStep;
  bool noReduceEnabled_ = false;
  bool noReduce_ = false;

  LogPalette palette_ = LogPalette::Cleared(kUsedPaletteEntries);
  std::array<Rgb, kSwatchCount> swatches_{};
  std::array<Rgb, kBorderSwatchCount> borderSwatches_{};
  int selectedSwatch_ = kNoSwatch;
  int borderIndex_ = 0;

  bool dragging_ = false;
  int dragSwatch_ = kNoSwatch;
  Rgb dragColour_;
  bool pressedBefore_ = false;
  std::chrono::milliseconds lastPress_{0};

  Bitmap work_;
  Bitmap range_;
  Bitmap output_;
  int selectionX_ = 0;
  int selectionY_ = 0;
};

// "R: %.3d", "G: %.3d", "B: %.3d": the labels under the swatches.
std::array<std::string, 3> ComponentLabels(Rgb colour);

}  // namespace mosaicer
