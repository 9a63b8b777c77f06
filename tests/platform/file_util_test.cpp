#include "platform/file_util.h"

#include "platform/output_file.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace mosaicer {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Each test works in a fresh folder of its own, removed afterwards.
class FileUtilTest : public ::testing::Test {
 protected:
  fs::path MakeFile(const std::string& name, const Bytes& bytes = {}) {
    EXPECT_TRUE(WriteWholeFile(root_ / name, bytes));
    return root_ / name;
  }
  testing::TempDir dir_;
  fs::path root_ = dir_.path();
};

// A made-up environment, so the folder rules can be tried without touching the real one.
EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> variables) {
  return [variables = std::move(variables)](const char* name) {
    auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  };
}

TEST_F(FileUtilTest, FilesFoldersAndWhatMayBeReplacedAreToldApart) {
  const fs::path file = MakeFile("a.bin");
  EXPECT_TRUE(FileExists(file) && !FolderExists(file));
  EXPECT_TRUE(FolderExists(root_) && !FileExists(root_));
  EXPECT_FALSE(FileExists(root_ / "missing") || FolderExists(root_ / "missing"));
  EXPECT_TRUE(ProgramPath().is_absolute());
  EXPECT_EQ(ProgramPath().filename(), "mosaicer_tests");

  EXPECT_TRUE(CanReplace(file));
  EXPECT_FALSE(IsReadOnly(file));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(CanReplace(file));
  // No write bit anywhere: read-only even for the superuser the tests may run as.
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(IsReadOnly(file));
  EXPECT_FALSE(CanReplace(file));
  EXPECT_FALSE(CanReplace(root_ / "missing.cdg") || IsReadOnly(root_ / "missing.cdg"));
  EXPECT_FALSE(CanReplace(root_));
}

TEST_F(FileUtilTest, TempFilesAreNewAndEmptyAndFoldersAreMadeButNotBelowAFile) {
  std::set<fs::path> made;
  for (int i = 0; i < 5; ++i) {
    const fs::path path = MakeTempFile(root_, "tlo");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.parent_path(), root_);
    EXPECT_TRUE(path.filename().string().starts_with("tlo")) << path;
    EXPECT_EQ(fs::file_size(path), 0u);
    made.insert(path);
  }
  EXPECT_EQ(made.size(), 5u);
  EXPECT_TRUE(MakeTempFile(root_ / "missing", "tlo").empty());
  EXPECT_TRUE(MakeTempFile(root_, "sub/tlo").empty());

  const fs::path deep = root_ / "a" / "b" / "c";
  EXPECT_TRUE(CreateFolders(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(CreateFolders(deep));  // already there is success too
  const fs::path file = MakeFile("plain");
  EXPECT_FALSE(CreateFolders(file / "sub"));
  EXPECT_FALSE(CreateFolders(file));
}

TEST_F(FileUtilTest, WholeFilesRoundTripAndFailuresLeaveNoBytes) {
  // Larger than one read chunk, with every byte value.
  Bytes bytes(200'000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  Bytes back;
  ASSERT_TRUE(ReadWholeFile(MakeFile("data.bin", bytes), back));
  EXPECT_EQ(back, bytes);
  // Shorter content replaces longer content entirely.
  ASSERT_TRUE(WriteWholeFile(root_ / "data.bin", Bytes{9, 8}));
  ASSERT_TRUE(ReadWholeFile(root_ / "data.bin", back));
  EXPECT_EQ(back, (Bytes{9, 8}));
  EXPECT_TRUE(ReadWholeFile(MakeFile("empty.bin"), back));
  EXPECT_TRUE(back.empty());

  for (const fs::path& bad : {root_ / "missing.bin", root_}) {
    back = {4};
    EXPECT_FALSE(ReadWholeFile(bad, back)) << bad;
    EXPECT_TRUE(back.empty());
  }
  EXPECT_FALSE(WriteWholeFile(root_ / "missing" / "out.bin", Bytes{1}));
  EXPECT_FALSE(WriteWholeFile(root_, Bytes{1}));
}

TEST_F(FileUtilTest, InputsAreCheckedForKindAndSize) {
  testing::LanguageScope english(Language::English);
  Bytes back;
  const fs::path file = MakeFile("ten.bin", Bytes(10, 1));
  EXPECT_TRUE(CheckInputFile(file, 10));
  EXPECT_NE(CheckInputFile(file, 9).error().find("too large"), std::string::npos);
  EXPECT_NE(ReadWholeFile(file, back, 9).error().find("too large"), std::string::npos);
  EXPECT_TRUE(back.empty());
  EXPECT_NE(CheckInputFile(root_ / "gone").error().find("not found"), std::string::npos);
  EXPECT_NE(CheckInputFile(root_).error().find("folder"), std::string::npos);
  // A device is an input only where a command reads devices; a file that
  // never ends is refused before it is read.
  EXPECT_NE(ReadWholeFile("/dev/zero", back).error().find("not a regular file"), std::string::npos);
  EXPECT_FALSE(CheckInputFile("/dev/null"));
  EXPECT_TRUE(CheckInputFile("/dev/null", kNoSizeLimit, InputKind::FileOrDevice));
}

TEST_F(FileUtilTest, SameFileFollowsLinksAndNeedsBothFiles) {
  const fs::path a = MakeFile("a.bin", Bytes{1});
  fs::create_hard_link(a, root_ / "hard.bin");
  fs::create_symlink(a, root_ / "soft.bin");
  EXPECT_TRUE(SameFile(a, root_ / "hard.bin"));
  EXPECT_TRUE(SameFile(root_ / "soft.bin", root_ / "." / "a.bin"));
  EXPECT_FALSE(SameFile(a, MakeFile("b.bin", Bytes{1})));
  EXPECT_FALSE(SameFile(a, root_ / "missing.bin"));
}

// Replacing a file: the old one stays until the new one is complete, and what
// is replaced is the file, never a link or a device in its place.
TEST_F(FileUtilTest, ReplacingKeepsTheModeFollowsLinksAndRefusesDevices) {
  testing::LanguageScope english(Language::English);
  const fs::path kept = MakeFile("kept.bin", Bytes{1});
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(kept, mode);
  ASSERT_TRUE(WriteWholeFile(kept, Bytes{2, 3}));
  EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all, mode);

  fs::create_symlink(kept, root_ / "link.bin");
  ASSERT_TRUE(WriteWholeFile(root_ / "link.bin", Bytes{4}));
  EXPECT_TRUE(fs::is_symlink(root_ / "link.bin"));
  Bytes back;
  ASSERT_TRUE(ReadWholeFile(kept, back));
  EXPECT_EQ(back, Bytes{4});

  EXPECT_NE(WriteWholeFile("/dev/null", Bytes{1}).error().find("not a regular file"),
            std::string::npos);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  {  // An output dropped before it is committed leaves nothing behind.
    OutputFile out;
    ASSERT_TRUE(out.Open(root_ / "dropped.bin"));
    ASSERT_TRUE(out.Write("x", 1));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 2);
}

TEST_F(FileUtilTest, SettingsFolderOutrightBesideTheProgramOrXdg) {
  const fs::path bin = root_ / "bin", program = bin / "mosaicer";
  ASSERT_TRUE(CreateFolders(bin));
  const auto home = FakeEnvironment(
      {{"MOSAICER_HOME", "/srv/karaoke"}, {"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, home), fs::path("/srv/karaoke"));
  EXPECT_EQ(EffectFolder(program, home), fs::path("/srv/karaoke/Tlo"));

  const auto env = FakeEnvironment({{"MOSAICER_HOME", ""}, {"HOME", "/home/u"}});
  const fs::path xdg = "/home/u/.config/mosaicer";
  struct Case {
    const char* name;
    std::vector<fs::path> files;  // made before asking
    fs::path settings;
  } cases[] = {
      // An installation in a folder its user may write: /usr/local/bin as root, ~/.local/bin.
      {"writable folder alone", {}, xdg},
      {"portable folder", {bin / "mosaicer.ini"}, bin},
      {"drive settings beside", {bin / "Drive.ini"}, bin},
      {"build tree", {root_ / "CMakeCache.txt"}, bin},
      {"build tree's top", {bin / "CMakeCache.txt"}, bin},
      {"a settings folder, not a file", {bin / "mosaicer.ini" / "x"}, xdg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const fs::path& file : c.files) {
      ASSERT_TRUE(CreateFolders(file.parent_path()));
      ASSERT_TRUE(WriteWholeFile(file, Bytes{}));
    }
    EXPECT_EQ(SettingsFolder(program, env), c.settings);
    EXPECT_EQ(UserEffectFolder(program, env),
              c.settings == bin ? bin / "Tlo" : fs::path("/home/u/.local/share/mosaicer/Tlo"));
    for (const fs::path& file : c.files) fs::remove_all(file);
    fs::remove_all(bin / "mosaicer.ini");
  }
  // The desktop application's settings are named after it.
  ASSERT_TRUE(WriteWholeFile(bin / "mosaicer-gui.ini", Bytes{}));
  EXPECT_EQ(SettingsFolder(bin / "mosaicer-gui", env), bin);
  // A bare name says nothing about where the program lives.
  ASSERT_TRUE(WriteWholeFile(bin / "mosaicer.ini", Bytes{}));
  EXPECT_EQ(SettingsFolder("mosaicer", env), xdg);

  // A read-only program folder uses the XDG folders.
  fs::permissions(bin, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const auto xdgEnv = FakeEnvironment(
      {{"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/data"}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, xdgEnv), fs::path("/cfg/mosaicer"));
  EXPECT_EQ(EffectFolder(program, xdgEnv), fs::path("/data/mosaicer/Tlo"));
  fs::permissions(bin, fs::perms::owner_write, fs::perm_options::add);

  // Unset or relative XDG variables fall back to the home folder.
  const fs::path elsewhere = root_ / "missing-bin" / "mosaicer";
  for (const auto& env :
       {FakeEnvironment({{"HOME", "/home/u"}}),
        FakeEnvironment(
            {{"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "data"}, {"HOME", "/home/u"}})}) {
    EXPECT_EQ(SettingsFolder(elsewhere, env), fs::path("/home/u/.config/mosaicer"));
    EXPECT_EQ(EffectFolder(elsewhere, env), fs::path("/home/u/.local/share/mosaicer/Tlo"));
  }
  EXPECT_TRUE(SettingsFolder(elsewhere, FakeEnvironment({})).empty());
  EXPECT_TRUE(EffectFolder(elsewhere, FakeEnvironment({})).empty());
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
  testing::TempDir dir_;
  fs::path program_ = dir_.path() / "usr" / "bin" / "mosaicer";
  fs::path shared_ = dir_.path() / "usr" / "share" / "mosaicer" / "Tlo";
  fs::path home_ = dir_.path() / "home";
  fs::path own_ = home_ / ".local" / "share" / "mosaicer" / "Tlo";
};

TEST_F(SharedEffectFolderTest, AFreshUserGetsTheInstallationsEffects) {
  const auto env = FakeEnvironment({{"HOME", home_.string()}});
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
  // A folder named outright is used even when empty.
  EXPECT_EQ(EffectFolder(program_, FakeEnvironment({{"HOME", home_.string()},
                                                    {"MOSAICER_HOME", "/srv/k"}})),
            fs::path("/srv/k/Tlo"));
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
  const auto env = FakeEnvironment({{"HOME", home_.string()}, {"XDG_DATA_DIRS", dirs}});
  EXPECT_EQ(EffectFolder(program_, env), dir_.path() / "b" / "mosaicer" / "Tlo");
  // Without the variable and without an installation, the user's folder.
  EXPECT_EQ(EffectFolder(program_, FakeEnvironment({{"HOME", home_.string()}})), own_);
}

TEST(HoldsEffectFiles, OnlyRegularFilesWithTheEffectExtension) {
  testing::TempDir dir;
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
