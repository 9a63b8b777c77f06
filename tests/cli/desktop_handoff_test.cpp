#include "cli/desktop_handoff.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

// Beside the program first, then the PATH folders in order, where only an
// executable file counts.
TEST(DesktopHandoff, BesideTheProgramThenThePathsExecutables) {
  TempDir dir;
  const fs::path beside = Program(dir, "bin");
  Program(dir, "a", 0644);                                         // not executable
  fs::create_directories(dir.path() / "b" / kDesktopProgramName);  // a folder
  const fs::path c = Program(dir, "c");
  Program(dir, "d");
  std::string path = (dir.path() / "none").string();
  for (const char* folder : {"a", "b", "c", "d"}) path += ":" + (dir.path() / folder).string();
  EXPECT_EQ(FindDesktopProgram(dir.path() / "bin" / "mosaicer", WithPath(path)), beside);
  EXPECT_EQ(FindDesktopProgram(dir.path() / "x" / "mosaicer", WithPath(path)), c);
  EXPECT_TRUE(FindDesktopProgram(dir.path() / "mosaicer", WithPath("")).empty());
  // A program found through no folder at all does not look beside itself.
  EXPECT_TRUE(FindDesktopProgram("", WithPath("/nonexistent-folder")).empty());
}

}  // namespace
}  // namespace mosaicer::cli
