// What the bitmap wizard keeps in the program's INI file, and the plain
// values its controls start from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "media/picture_fit.h"
#include "platform/ini_file.h"

namespace mosaicer {

// Ranges of the wizard's controls.
inline constexpr int kMethodPositions = 3;  // PalModeCmb: 0 Rgb3D, 1 Rrggbb1D, 2 Rgbrgb1D
inline constexpr int kMinWizardBits = 4, kMaxWizardBits = 8;
inline constexpr int kMaxKeep = 15;
inline constexpr int kMinStrength = 1, kMaxStrength = 100;

// The controls a prepared picture depends on, with their defaults.
struct BmpWizardOptions {
  int methodPosition = 2;             // PalModeCmb
  int bits = 6;                       // PalBitUd
  int keep = 0;                       // PalIdxUd, "残す色数"
  bool errorDiffusion = true;         // ErrCk
  int diffusionStrength = 60;         // ErrKUd, percent
  std::uint32_t frameColour = 0;      // RectColPanel, 0x00BBGGRR
  PictureFit fit = PictureFit::Crop;  // FitCmb: how the picture meets the area
  std::string paletteFolder;          // last folder of the palette dialogs

  // Every value moved into its control's range.
  BmpWizardOptions Clamped() const;
  friend bool operator==(const BmpWizardOptions&, const BmpWizardOptions&) = default;
};

struct WindowGeometry {
  int top = 100, left = 100, width = 560, height = 530;
  friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

struct BmpWizardSettings {
  WindowGeometry geometry;
  BmpWizardOptions options;
  // The colour dialog's custom colours as it keeps them: "ColorA=...",
  // "ColorB=...", one line each.
  std::vector<std::string> customColours;
  friend bool operator==(const BmpWizardSettings&, const BmpWizardSettings&) = default;
};

// Sections BmpForm, Path (PalDir), Palette, Reduce and Select (RectColor,
// Fit: crop, fit or fill). Missing keys
// give the defaults; numbers outside a control's range are clamped into it.
BmpWizardSettings ReadBmpWizardSettings(const IniFile& ini);
void WriteBmpWizardSettings(IniFile& ini, const BmpWizardSettings& settings);

// A custom-colour line is "Color", the letter A + index, "=" and the colour
// text; the INI keeps only the text after those seven characters.
std::string CustomColourLine(int index, std::string_view value);
std::string CustomColourValue(std::string_view line);

}  // namespace mosaicer
