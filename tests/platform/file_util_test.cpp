#include "platform/file_util.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr auto kReadAndEnter =
    kReadOnly | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

// Each test works in a fresh folder of its own, removed afterwards.
class FileUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mosaicer-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    // Give write access back everywhere so the folder can be removed.
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root_, error))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(root_, error);
  }

  fs::path MakeFile(const std::string& name, const std::vector<std::uint8_t>& bytes = {}) {
    const fs::path path = root_ / name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }

  fs::path root_;
};

// Puts a variable of the real environment in place for one test.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A made-up environment, so the folder rules can be tried without touching
// the real one.
EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> variables) {
  return [variables = std::move(variables)](const char* name) {
    auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  };
}

using FileUtilExistence = FileUtilTest;

TEST_F(FileUtilExistence, FilesAndFoldersAreToldApart) {
  const fs::path file = MakeFile("a.bin");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_TRUE(FolderExists(root_));
  EXPECT_FALSE(FileExists(root_));
  EXPECT_FALSE(FileExists(root_ / "missing"));
  EXPECT_FALSE(FolderExists(root_ / "missing"));
}

using FileUtilReplace = FileUtilTest;

TEST_F(FileUtilReplace, OrdinaryFileMayBeReplaced) {
  const fs::path file = MakeFile("song.cdg");
  EXPECT_TRUE(CanReplace(file));
  EXPECT_FALSE(IsReadOnly(file));
}

TEST_F(FileUtilReplace, FileWithoutWriteBitsIsReadOnlyEvenForTheSuperuser) {
  const fs::path file = MakeFile("song.cdg");
  fs::permissions(file, kReadOnly);
  EXPECT_TRUE(IsReadOnly(file));
  EXPECT_FALSE(CanReplace(file));
}

TEST_F(FileUtilReplace, OwnerWriteBitAloneIsEnough) {
  const fs::path file = MakeFile("song.cdg");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(CanReplace(file));
}

TEST_F(FileUtilReplace, MissingFileOrFolderCannotBeReplaced) {
  EXPECT_FALSE(CanReplace(root_ / "missing.cdg"));
  EXPECT_FALSE(IsReadOnly(root_ / "missing.cdg"));
  EXPECT_FALSE(CanReplace(root_));
}

using FileUtilTemp = FileUtilTest;

TEST_F(FileUtilTemp, EachCallMakesANewEmptyFileWithThePrefix) {
  std::set<fs::path> made;
  for (int i = 0; i < 5; ++i) {
    const fs::path path = MakeTempFile(root_, "tlo");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.parent_path(), root_);
    EXPECT_EQ(path.filename().string().rfind("tlo", 0), 0u) << path;
    EXPECT_GT(path.filename().string().size(), 3u);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    made.insert(path);
  }
  EXPECT_EQ(made.size(), 5u);
}

TEST_F(FileUtilTemp, FailsInAMissingFolderOrWithASlashInThePrefix) {
  EXPECT_TRUE(MakeTempFile(root_ / "missing", "tlo").empty());
  EXPECT_TRUE(MakeTempFile(root_, "sub/tlo").empty());
}

TEST_F(FileUtilTemp, TempFolderFollowsTmpdir) {
  ScopedVariable tmpdir("TMPDIR", root_.c_str());
  EXPECT_EQ(TempFolder(), root_);
}

using FileUtilFolders = FileUtilTest;

TEST_F(FileUtilFolders, CreatesMissingParents) {
  const fs::path deep = root_ / "a" / "b" / "c";
  EXPECT_TRUE(CreateFolders(deep));
  EXPECT_TRUE(FolderExists(deep));
  // Already there is success too.
  EXPECT_TRUE(CreateFolders(deep));
}

TEST_F(FileUtilFolders, FailsBelowAFile) {
  const fs::path file = MakeFile("plain");
  EXPECT_FALSE(CreateFolders(file / "sub"));
  EXPECT_FALSE(CreateFolders(file));
}

using FileUtilWholeFile = FileUtilTest;

TEST_F(FileUtilWholeFile, RoundTripKeepsEveryByte) {
  // Larger than one read chunk, with every byte value.
  std::vector<std::uint8_t> bytes(200'000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  const fs::path file = MakeFile("data.bin", bytes);
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, bytes);
}

TEST_F(FileUtilWholeFile, EmptyFileReadsAsNoBytes) {
  const fs::path file = MakeFile("empty.bin");
  std::vector<std::uint8_t> back{1, 2, 3};
  EXPECT_TRUE(ReadWholeFile(file, back));
  EXPECT_TRUE(back.empty());
}

TEST_F(FileUtilWholeFile, WritingReplacesLongerContent) {
  const fs::path file = MakeFile("data.bin", {1, 2, 3, 4, 5});
  ASSERT_TRUE(WriteWholeFile(file, std::vector<std::uint8_t>{9, 8}));
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, (std::vector<std::uint8_t>{9, 8}));
}

TEST_F(FileUtilWholeFile, MissingFileOrFolderFailsAndLeavesNoBytes) {
  std::vector<std::uint8_t> back{1, 2, 3};
  EXPECT_FALSE(ReadWholeFile(root_ / "missing.bin", back));
  EXPECT_TRUE(back.empty());
  back = {4};
  EXPECT_FALSE(ReadWholeFile(root_, back));
  EXPECT_TRUE(back.empty());
  EXPECT_FALSE(WriteWholeFile(root_ / "missing" / "out.bin", std::vector<std::uint8_t>{1}));
  EXPECT_FALSE(WriteWholeFile(root_, std::vector<std::uint8_t>{1}));
}

using FileUtilSettingsFolder = FileUtilTest;

TEST_F(FileUtilSettingsFolder, MosaicerHomeWinsOverEverything) {
  const fs::path program = root_ / "bin" / "mosaicer";
  ASSERT_TRUE(CreateFolders(program.parent_path()));
  const auto env = FakeEnvironment(
      {{"MOSAICER_HOME", "/srv/karaoke"}, {"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, env), fs::path("/srv/karaoke"));
  EXPECT_EQ(EffectFolder(program, env), fs::path("/srv/karaoke/Tlo"));
}

TEST_F(FileUtilSettingsFolder, WritableProgramFolderMeansPortableUse) {
  const fs::path program = root_ / "bin" / "mosaicer";
  ASSERT_TRUE(CreateFolders(program.parent_path()));
  const auto env = FakeEnvironment({{"MOSAICER_HOME", ""}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, env), root_ / "bin");
  EXPECT_EQ(EffectFolder(program, env), root_ / "bin" / "Tlo");
}

TEST_F(FileUtilSettingsFolder, ReadOnlyProgramFolderUsesXdgFolders) {
  const fs::path program = root_ / "bin" / "mosaicer";
  ASSERT_TRUE(CreateFolders(program.parent_path()));
  fs::permissions(program.parent_path(), kReadAndEnter);
  const auto env = FakeEnvironment(
      {{"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/data"}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, env), fs::path("/cfg/mosaicer"));
  EXPECT_EQ(EffectFolder(program, env), fs::path("/data/mosaicer/Tlo"));
}

TEST_F(FileUtilSettingsFolder, UnsetOrRelativeXdgVariablesFallBackToHome) {
  const fs::path program = root_ / "missing-bin" / "mosaicer";
  const auto unset = FakeEnvironment({{"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, unset), fs::path("/home/u/.config/mosaicer"));
  EXPECT_EQ(EffectFolder(program, unset), fs::path("/home/u/.local/share/mosaicer/Tlo"));

  const auto relative =
      FakeEnvironment({{"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "data"}, {"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder(program, relative), fs::path("/home/u/.config/mosaicer"));
  EXPECT_EQ(EffectFolder(program, relative), fs::path("/home/u/.local/share/mosaicer/Tlo"));
}

TEST_F(FileUtilSettingsFolder, BareProgramNameIsNotPortable) {
  const auto env = FakeEnvironment({{"HOME", "/home/u"}});
  EXPECT_EQ(SettingsFolder("mosaicer", env), fs::path("/home/u/.config/mosaicer"));
}

TEST_F(FileUtilSettingsFolder, NoFolderWithoutAnyHome) {
  const auto empty = FakeEnvironment({});
  EXPECT_TRUE(SettingsFolder("mosaicer", empty).empty());
  EXPECT_TRUE(EffectFolder("mosaicer", empty).empty());
}

TEST_F(FileUtilSettingsFolder, ProcessEnvironmentIsTheDefaultLookup) {
  ScopedVariable home("MOSAICER_HOME", root_.c_str());
  EXPECT_EQ(SettingsFolder("mosaicer"), root_);
  EXPECT_EQ(EffectFolder("mosaicer"), root_ / "Tlo");
  ScopedVariable cleared("MOSAICER_HOME", nullptr);
  EXPECT_EQ(ProcessEnvironment("MOSAICER_HOME"), "");
}

TEST(FileUtilProgramPath, NamesTheRunningExecutable) {
  const fs::path self = ProgramPath();
  EXPECT_TRUE(self.is_absolute());
  EXPECT_TRUE(FileExists(self));
  EXPECT_EQ(self.filename(), "mosaicer_tests");
}

}  // namespace
}  // namespace mosaicer
