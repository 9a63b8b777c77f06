#include "cli/desktop_handoff.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

#include "support/temp_dir.h"

namespace mosaicer::cli {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

EnvironmentLookup WithPath(const std::string& path) {
  return [path](const char* name) { return std::string(name) == "PATH" ? path : std::string(); };
}

fs::path Program(const TempDir& dir, const std::string& folder, mode_t mode = 0755) {
  fs::create_directories(dir.path() / folder);
  const fs::path file = dir.path() / folder / kDesktopProgramName;
  dir.Write((fs::path(folder) / kDesktopProgramName).string(), "#!/bin/sh\n");
  ::chmod(file.c_str(), mode);
  return file;
}

TEST(DesktopHandoff, TheProgramsOwnFolderComesBeforePath) {
  TempDir dir;
  const fs::path beside = Program(dir, "bin");
  const fs::path onPath = Program(dir, "elsewhere");
  const auto env = WithPath((dir.path() / "elsewhere").string());
  EXPECT_EQ(FindDesktopProgram(dir.path() / "bin" / "mosaicer", env), beside);
  EXPECT_EQ(FindDesktopProgram(dir.path() / "empty" / "mosaicer", env), onPath);
}

TEST(DesktopHandoff, PathFoldersAreSearchedInOrderAndOnlyExecutablesCount) {
  TempDir dir;
  Program(dir, "a", 0644);                                         // not executable
  fs::create_directories(dir.path() / "b" / kDesktopProgramName);  // a folder
  const fs::path c = Program(dir, "c");
  Program(dir, "d");
  const std::string path = (dir.path() / "none").string() + ":" + (dir.path() / "a").string() +
                           ":" + (dir.path() / "b").string() + ":" + (dir.path() / "c").string() +
                           ":" + (dir.path() / "d").string();
  EXPECT_EQ(FindDesktopProgram(dir.path() / "x" / "mosaicer", WithPath(path)), c);
}

TEST(DesktopHandoff, NothingFoundIsEmpty) {
  TempDir dir;
  EXPECT_TRUE(FindDesktopProgram(dir.path() / "mosaicer", WithPath("")).empty());
  EXPECT_TRUE(FindDesktopProgram("mosaicer", WithPath((dir.path() / "x").string())).empty());
  // A program found through no folder at all does not look beside itself.
  EXPECT_TRUE(FindDesktopProgram("", WithPath("/nonexistent-folder")).empty());
}

}  // namespace
}  // namespace mosaicer::cli
