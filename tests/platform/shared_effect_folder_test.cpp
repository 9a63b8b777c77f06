#include <gtest/gtest.h>

#include <map>

#include "platform/file_util.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

EnvironmentLookup Environment(std::map<std::string, std::string> variables) {
  return [variables = std::move(variables)](const char* name) {
    auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  };
}

// An installation: <prefix>/bin/mosaicer, whose folder is left out so that
// it never counts as portable (root may write anywhere), and
// <prefix>/share/mosaicer/Tlo with one effect; a user's home beside it.
class SharedEffectFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(shared_);
    dir_.Write("usr/share/mosaicer/Tlo/spiral.TLO", "effect");
  }

  TempDir dir_;
  fs::path program_ = dir_.path() / "usr" / "bin" / "mosaicer";
  fs::path shared_ = dir_.path() / "usr" / "share" / "mosaicer" / "Tlo";
  fs::path home_ = dir_.path() / "home";
  fs::path own_ = home_ / ".local" / "share" / "mosaicer" / "Tlo";
};

TEST_F(SharedEffectFolderTest, AFreshUserGetsTheInstallationsEffects) {
  const auto env = Environment({{"HOME", home_.string()}});
  EXPECT_EQ(UserEffectFolder(program_, env), own_);
  EXPECT_EQ(SharedEffectFolder(program_, env), shared_);
  EXPECT_EQ(EffectFolder(program_, env), shared_);

  // An empty folder of one's own, or one holding other files, still counts
  // as holding none.
  fs::create_directories(own_);
  dir_.Write("home/.local/share/mosaicer/Tlo/notes.txt", "x");
  EXPECT_EQ(EffectFolder(program_, env), shared_);

  // The first effect of one's own makes the folder the default.
  dir_.Write("home/.local/share/mosaicer/Tlo/mine.tlo", "effect");
  EXPECT_EQ(EffectFolder(program_, env), own_);
}

TEST_F(SharedEffectFolderTest, AFolderNamedOutrightIsUsedEvenWhenEmpty) {
  const auto env = Environment({{"HOME", home_.string()}, {"MOSAICER_HOME", "/srv/k"}});
  EXPECT_EQ(EffectFolder(program_, env), fs::path("/srv/k/Tlo"));
}

TEST_F(SharedEffectFolderTest, DataDirsAreSearchedAfterTheInstallationInOrder) {
  fs::remove_all(shared_);
  fs::create_directories(dir_.path() / "a" / "mosaicer" / "Tlo");  // empty
  for (const char* folder : {"b", "c"}) {
    fs::create_directories(dir_.path() / folder / "mosaicer" / "Tlo");
    dir_.Write(std::string(folder) + "/mosaicer/Tlo/x.tlo", "effect");
  }
  const std::string dirs = "relative/path:" + (dir_.path() / "a").string() + ":" +
                           (dir_.path() / "b").string() + ":" + (dir_.path() / "c").string();
  const auto env = Environment({{"HOME", home_.string()}, {"XDG_DATA_DIRS", dirs}});
  EXPECT_EQ(EffectFolder(program_, env), dir_.path() / "b" / "mosaicer" / "Tlo");
  // Without the variable and without an installation, the user's folder.
  EXPECT_EQ(EffectFolder(program_, Environment({{"HOME", home_.string()}})), own_);
}

TEST(HoldsEffectFiles, OnlyRegularFilesWithTheEffectExtension) {
  TempDir dir;
  EXPECT_FALSE(HoldsEffectFiles(dir.path() / "missing"));
  EXPECT_FALSE(HoldsEffectFiles(dir.path()));
  fs::create_directories(dir.path() / "folder.tlo");
  dir.Write("effect.tlo.bak", "x");
  EXPECT_FALSE(HoldsEffectFiles(dir.path()));
  dir.Write("Effect.Tlo", "x");
  EXPECT_TRUE(HoldsEffectFiles(dir.path()));
}

}  // namespace
}  // namespace mosaicer
