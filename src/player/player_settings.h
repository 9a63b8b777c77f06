// What the player window keeps between runs, and how it names its
// snapshots. The window holds only controls; the keys, their defaults and the
// snapshot numbering live here so they can be tested without a display.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_util.h"
#include "platform/ini_file.h"

namespace mosaicer {

inline constexpr int kMinReadAtOnce = 1;
inline constexpr int kMaxReadAtOnce = 100;
// The largest snapshot number; once 000 to 998 all exist, 998 is reused.
inline constexpr int kLastSnapshotNumber = 998;

// The player's options in sections Play, Cdg and Path of the settings file.
// Window positions are kept by the windows themselves.
struct PlayerSettings {
  int stereoMode = 0;      // Play StereoMode: index of the stereo mode list
  int readAtOnce = 10;     // Play ReadAtOnce: sectors per step
  bool onMemory = false;   // Play OnMemory
  bool repeat = false;     // Play Repeat
  bool sizeable = true;    // Cdg Sizeable: the display may be resized
  bool easyScroll = true;  // Cdg EasyScroll
  std::string bmpDir;      // Path CdgBmpDir: the snapshot folder

  // Missing keys keep the defaults above; a missing CdgBmpDir becomes
  // `defaultBmpDir`. Values outside their lists or ranges fall back to the
  // default (stereo) or the nearest end (read-at-once).
  static PlayerSettings Read(const IniFile& ini, const std::string& defaultBmpDir);
  void Write(IniFile& ini) const;
};

// The snapshot folder used until one is chosen: a folder named Bmp beside
// the default effect folder (the program's folder when it is writable).
// Empty when there is no such place.
std::filesystem::path DefaultBmpFolder(const std::filesystem::path& programPath,
                                       const EnvironmentLookup& env = ProcessEnvironment);

// The snapshot file names of a song: `folder`/`song's name without folder
// and extension`, then a three-digit number and ".bmp".
std::string SnapshotPrefix(const std::string& folder, const std::string& songPath);
// "%s%.3d.bmp" of `prefix` and `number`.
std::string SnapshotName(const std::string& prefix, int number);
// The first of the numbers 0 to kLastSnapshotNumber whose file does not
// exist; kLastSnapshotNumber's name when they all do.
using FileTest = std::function<bool(const std::string& path)>;
std::string NextSnapshotName(const std::string& prefix, const FileTest& exists);
std::string NextSnapshotName(const std::string& prefix);

}  // namespace mosaicer
