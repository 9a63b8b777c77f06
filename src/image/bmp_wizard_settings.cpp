#include "image/bmp_wizard_settings.h"

#include <algorithm>
#include <limits>

namespace mosaicer {
namespace {

constexpr std::string_view kFormSection = "BmpForm";
constexpr std::string_view kPathSection = "Path";
constexpr std::string_view kPaletteSection = "Palette";
constexpr std::string_view kReduceSection = "Reduce";
constexpr std::string_view kSelectSection = "Select";
constexpr std::string_view kCustomColourKey = "DlgColor";
constexpr int kCustomColourCount = 16;
constexpr std::string_view kCustomColourPrefix = "Color";
// "Color", the letter and "=".
constexpr std::size_t kCustomColourHeadLength = kCustomColourPrefix.size() + 2;
constexpr std::uint32_t kColourMask = 0x00FFFFFF;

int ReadInt(const IniFile& ini, std::string_view section, std::string_view key, int fallback) {
  return static_cast<int>(std::clamp<std::int64_t>(ini.ReadInteger(section, key, fallback),
                                                   std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

std::string CustomColourKey(int index) {
  return std::string(kCustomColourKey) + std::to_string(index);
}

}  // namespace

BmpWizardOptions BmpWizardOptions::Clamped() const {
  BmpWizardOptions o = *this;
  o.methodPosition = std::clamp(methodPosition, 0, kMethodPositions - 1);
  o.bits = std::clamp(bits, kMinWizardBits, kMaxWizardBits);
  o.keep = std::clamp(keep, 0, kMaxKeep);
  o.diffusionStrength = std::clamp(diffusionStrength, kMinStrength, kMaxStrength);
  o.frameColour = frameColour & kColourMask;
  return o;
}

std::string CustomColourLine(int index, std::string_view value) {
  std::string line(kCustomColourPrefix);
  line += static_cast<char>('A' + index);
  line += '=';
  line += value;
  return line;
}

std::string CustomColourValue(std::string_view line) {
  if (line.size() <= kCustomColourHeadLength) return {};
  return std::string(line.substr(kCustomColourHeadLength));
}

BmpWizardSettings ReadBmpWizardSettings(const IniFile& ini) {
  BmpWizardSettings s;
  WindowGeometry& g = s.geometry;
  g.top = ReadInt(ini, kFormSection, "Top", g.top);
  g.left = ReadInt(ini, kFormSection, "Left", g.left);
  g.width = ReadInt(ini, kFormSection, "Width", g.width);
  g.height = ReadInt(ini, kFormSection, "Height", g.height);

  BmpWizardOptions& o = s.options;
  o.paletteFolder = ini.ReadString(kPathSection, "PalDir");
  o.methodPosition = ReadInt(ini, kPaletteSection, "McMode", o.methodPosition);
  o.bits = ReadInt(ini, kPaletteSection, "RgbBit", o.bits);
  o.keep = ReadInt(ini, kPaletteSection, "RemIdx", o.keep);
  o.errorDiffusion = ini.ReadBool(kReduceSection, "ErrDiff", o.errorDiffusion);
  o.diffusionStrength = ReadInt(ini, kReduceSection, "ErrDiffK", o.diffusionStrength);
  o.frameColour = static_cast<std::uint32_t>(ini.ReadInteger(kSelectSection, "RectColor", 0));
  o.fit = ParsePictureFit(ini.ReadString(kSelectSection, "Fit")).value_or(o.fit);
  o = o.Clamped();

  for (int i = 0; i < kCustomColourCount; ++i) {
    const std::string value = ini.ReadString(kPaletteSection, CustomColourKey(i));
    if (!value.empty()) s.customColours.push_back(CustomColourLine(i, value));
  }
  return s;
}

void WriteBmpWizardSettings(IniFile& ini, const BmpWizardSettings& settings) {
  const WindowGeometry& g = settings.geometry;
  ini.WriteInteger(kFormSection, "Top", g.top);
  ini.WriteInteger(kFormSection, "Left", g.left);
  ini.WriteInteger(kFormSection, "Width", g.width);
  ini.WriteInteger(kFormSection, "Height", g.height);

  const BmpWizardOptions& o = settings.options;
  ini.WriteString(kPathSection, "PalDir", o.paletteFolder);
  ini.WriteInteger(kPaletteSection, "McMode", o.methodPosition);
  ini.WriteInteger(kPaletteSection, "RgbBit", o.bits);
  ini.WriteInteger(kPaletteSection, "RemIdx", o.keep);
  const int lines =
      std::min<int>(static_cast<int>(settings.customColours.size()), kCustomColourCount);
  for (int i = 0; i < lines; ++i)
    ini.WriteString(kPaletteSection, CustomColourKey(i),
                    CustomColourValue(settings.customColours[static_cast<std::size_t>(i)]));
  ini.WriteBool(kReduceSection, "ErrDiff", o.errorDiffusion);
  ini.WriteInteger(kReduceSection, "ErrDiffK", o.diffusionStrength);
  ini.WriteInteger(kSelectSection, "RectColor", o.frameColour);
  ini.WriteString(kSelectSection, "Fit", PictureFitName(o.fit));
}

}  // namespace mosaicer
