#include "player/player_settings.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "player/stereo_changer.h"

namespace mosaicer {
namespace {

constexpr const char* kPlaySection = "Play";
constexpr const char* kCdgSection = "Cdg";
constexpr const char* kPathSection = "Path";
constexpr const char* kBmpFolderName = "Bmp";

}  // namespace

PlayerSettings PlayerSettings::Read(const IniFile& ini, const std::string& defaultBmpDir) {
  PlayerSettings s;
  const std::int64_t mode = ini.ReadInteger(kPlaySection, "StereoMode", s.stereoMode);
  s.stereoMode = mode >= 0 && mode < kStereoModeCount ? static_cast<int>(mode) : 0;
  s.readAtOnce = static_cast<int>(std::clamp<std::int64_t>(
      ini.ReadInteger(kPlaySection, "ReadAtOnce", s.readAtOnce), kMinReadAtOnce, kMaxReadAtOnce));
  s.onMemory = ini.ReadBool(kPlaySection, "OnMemory", s.onMemory);
  s.repeat = ini.ReadBool(kPlaySection, "Repeat", s.repeat);
  s.sizeable = ini.ReadBool(kCdgSection, "Sizeable", s.sizeable);
  s.easyScroll = ini.ReadBool(kCdgSection, "EasyScroll", s.easyScroll);
  s.bmpDir = ini.ReadString(kPathSection, "CdgBmpDir", defaultBmpDir);
  return s;
}

void PlayerSettings::Write(IniFile& ini) const {
  ini.WriteString(kPathSection, "CdgBmpDir", bmpDir);
  ini.WriteInteger(kPlaySection, "StereoMode", stereoMode);
  ini.WriteInteger(kPlaySection, "ReadAtOnce", readAtOnce);
  ini.WriteBool(kPlaySection, "OnMemory", onMemory);
  ini.WriteBool(kPlaySection, "Repeat", repeat);
  ini.WriteBool(kCdgSection, "Sizeable", sizeable);
  ini.WriteBool(kCdgSection, "EasyScroll", easyScroll);
}

std::filesystem::path DefaultBmpFolder(const std::filesystem::path& programPath,
                                       const EnvironmentLookup& env) {
  // Snapshots sit beside the effect files, so both follow the same rules
  // for portable and installed use.
  const std::filesystem::path effects = UserEffectFolder(programPath, env);
  if (effects.empty()) return {};
  return effects.parent_path() / kBmpFolderName;
}

std::string SnapshotPrefix(const std::string& folder, const std::string& songPath) {
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return prefix + std::filesystem::path(songPath).stem().string();
}

std::string SnapshotName(const std::string& prefix, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.3d", number);
  return prefix + digits + ".bmp";
}

std::string NextSnapshotName(const std::string& prefix, const FileTest& exists) {
  int number = 0;
  while (number < kLastSnapshotNumber && exists(SnapshotName(prefix, number))) ++number;
  return SnapshotName(prefix, number);
}

std::string NextSnapshotName(const std::string& prefix) {
  return NextSnapshotName(prefix, [](const std::string& path) {
    std::error_code ec;  // an unreadable entry counts as missing
    return std::filesystem::exists(std::filesystem::path(path), ec);
  });
}

}  // namespace mosaicer
