#include "player/player_settings.h"

#include <gtest/gtest.h>

#include <set>

#include "support/temp_dir.h"

namespace mosaicer {
namespace {

TEST(PlayerSettings, ValuesOutsideTheirRangesAreBroughtBack) {
  EXPECT_EQ(PlayerSettings::Read(IniFile("[Play]\nStereoMode=5\n"), "").stereoMode, 0);
  EXPECT_EQ(PlayerSettings::Read(IniFile("[Play]\nStereoMode=-1\n"), "").stereoMode, 0);
  EXPECT_EQ(PlayerSettings::Read(IniFile("[Play]\nReadAtOnce=0\n"), "").readAtOnce, 1);
  EXPECT_EQ(PlayerSettings::Read(IniFile("[Play]\nReadAtOnce=250\n"), "").readAtOnce, 100);
  // An empty folder that was saved stays empty: snapshots are then off.
  EXPECT_EQ(PlayerSettings::Read(IniFile("[Path]\nCdgBmpDir=\n"), "/prog/Bmp").bmpDir, "");
}

TEST(SnapshotNames, FirstFreeNumberIsTakenAndTheLastIsReused) {
  std::set<std::string> existing = {"s000.bmp", "s002.bmp"};
  const auto exists = [&](const std::string& path) { return existing.count(path) > 0; };
  EXPECT_EQ(NextSnapshotName("s", exists), "s001.bmp");
  existing.clear();
  for (int i = 0; i <= kLastSnapshotNumber; ++i) existing.insert(SnapshotName("s", i));
  EXPECT_EQ(NextSnapshotName("s", exists), "s998.bmp");
  int asked = 0;
  NextSnapshotName("s", [&](const std::string&) { return ++asked, true; });
  EXPECT_EQ(asked, kLastSnapshotNumber);  // 999 is never looked at

  // On disk, files and folders take their names.
  testing::TempDir dir;
  const std::string prefix = SnapshotPrefix(dir.path().string(), "/songs/song.cdg");
  EXPECT_EQ(NextSnapshotName(prefix), dir.File("song000.bmp"));
  dir.Write("song000.bmp", "x");
  std::filesystem::create_directory(dir.File("song001.bmp"));  // a folder takes the name too
  EXPECT_EQ(NextSnapshotName(prefix), dir.File("song002.bmp"));
}

}  // namespace
}  // namespace mosaicer
