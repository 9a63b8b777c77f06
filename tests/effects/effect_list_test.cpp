#include "effects/effect_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace mosaicer {
namespace {

std::string Effect(const std::string& titleJ, const std::string& titleE = "",
                   int version = kTloVersion) {
  return "[Info]\r\nTloVersion=" + std::to_string(version) + "\r\nTitleJ=" + titleJ +
         "\r\nTitleE=" + titleE + "\r\nNumTiles=1\r\n[0]\r\nCol=1\r\nRow=1\r\n";
}

std::vector<std::string> Titles(const std::vector<EffectEntry>& effects) {
  std::vector<std::string> titles;
  for (const auto& e : effects) titles.push_back(e.title);
  return titles;
}

TEST(EffectList, ListsValidEffectsUnderTitleOrFileName) {
  testing::TempDir dir;
  dir.Write("a.tlo", Effect("渦巻き"));
  dir.Write("untitled.TLO", Effect(""));       // extension in capitals, no title
  dir.Write("old.tlo", Effect("Old", "", 0));    // TloVersion 0 is not an effect
  dir.Write("notes.txt", Effect("Not listed"));  // wrong extension
  std::filesystem::create_directory(dir.File("folder.tlo"));
  auto titles = Titles(FindEffects(dir.path().string()));
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"untitled", "渦巻き"}));
  for (const auto& e : FindEffects(dir.path().string()))
    EXPECT_TRUE(std::filesystem::exists(e.file.FileName)) << e.file.FileName;
}

TEST(EffectList, EqualTitlesAreAllListedAndTheFirstIsFound) {
  testing::TempDir dir;
  dir.Write("one.tlo", Effect("Wipe"));
  dir.Write("two.tlo", Effect("wipe"));
  dir.Write("three.tlo", Effect("Fade"));
  const auto effects = FindEffects(dir.path().string());
  ASSERT_EQ(effects.size(), 3u);
  int first = 0;
  for (std::size_t i = 0; i < effects.size() && !first; ++i)
    if (effects[i].title == "Wipe" || effects[i].title == "wipe") first = static_cast<int>(i) + 1;
  EXPECT_EQ(FindEffectByTitle(effects, "WIPE"), first);
  EXPECT_EQ(FindEffectByTitle(effects, "wipe"), first);
  EXPECT_EQ(FindEffectByTitle(effects, "Gone"), 0);
  EXPECT_EQ(FindEffectByTitle(effects, ""), 0);
}

// Each language lists its own title and falls back to the other, then to
// the file name.
TEST(EffectList, EachLanguageListsItsOwnTitleAndFallsBack) {
  struct Case {
    const char* file;
    const char* titleJ;
    const char* titleE;
    const char* english;   // listed as, under English
    const char* japanese;  // listed as, under Japanese
  };
  const std::vector<Case> cases = {
      {"both.tlo", "渦巻き", "Spiral", "Spiral", "渦巻き"},
      {"japanese.tlo", "渦巻き", "", "渦巻き", "渦巻き"},
      {"english.tlo", "", "Curtain", "Curtain", "english"},
      {"neither.tlo", "", "", "neither", "neither"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    dir.Write(c.file, Effect(c.titleJ, c.titleE));
    const auto english = FindEffects(dir.path().string(), Language::English);
    const auto japanese = FindEffects(dir.path().string(), Language::Japanese);
    ASSERT_EQ(english.size(), 1u) << c.file;
    ASSERT_EQ(japanese.size(), 1u) << c.file;
    EXPECT_EQ(english[0].title, c.english) << c.file;
    EXPECT_EQ(japanese[0].title, c.japanese) << c.file;
  }
}

TEST(EffectList, AChoiceSavedUnderOneLanguageIsFoundUnderTheOther) {
  testing::TempDir dir;
  dir.Write("a.tlo", Effect("渦巻き", "Spiral"));
  const auto english = FindEffects(dir.path().string(), Language::English);
  const auto japanese = FindEffects(dir.path().string(), Language::Japanese);
  EXPECT_EQ(FindEffectByTitle(english, "渦巻き"), 1);
  EXPECT_EQ(FindEffectByTitle(japanese, "spiral"), 1);
  EXPECT_EQ(FindEffectByTitle(english, "Wave"), 0);
  EXPECT_EQ(FindEffectByTitle(english, ""), 0);
}

}  // namespace
}  // namespace mosaicer
