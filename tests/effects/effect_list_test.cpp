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

TEST(EffectList, ListsValidEffectsUnderTitleOrFileName) {
  testing::TempDir dir;
  dir.Write("a.tlo", Effect("渦巻き"));
  dir.Write("untitled.TLO", Effect(""));       // extension in capitals, no title
  dir.Write("old.tlo", Effect("Old", "", 0));    // TloVersion 0 is not an effect
  dir.Write("notes.txt", Effect("Not listed"));  // wrong extension
  std::filesystem::create_directory(dir.File("folder.tlo"));
  std::vector<std::string> titles;
  for (const auto& e : FindEffects(dir.path().string())) {
    titles.push_back(e.title);
    EXPECT_TRUE(std::filesystem::exists(e.file.FileName)) << e.file.FileName;
  }
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"untitled", "渦巻き"}));
}

// Lookups ignore the case of ASCII letters, give the first of equal titles
// and find a choice saved under the other language.
TEST(EffectList, EqualTitlesAreAllListedAndLookupsFindTheFirstInEitherLanguage) {
  testing::TempDir dir;
  dir.Write("one.tlo", Effect("Wipe"));
  dir.Write("two.tlo", Effect("wipe"));
  dir.Write("three.tlo", Effect("渦巻き", "Spiral"));
  const auto english = FindEffects(dir.path().string(), Language::English);
  const auto japanese = FindEffects(dir.path().string(), Language::Japanese);
  ASSERT_EQ(english.size(), 3u);
  int wipe = 0, spiral = 0;  // positions from 1, as lookups give them
  for (int i = 3; i >= 1; --i) {
    const std::string& title = english[i - 1].title;
    if (title == "Wipe" || title == "wipe") wipe = i;
    if (title == "Spiral") spiral = i;
  }
  EXPECT_EQ(FindEffectByTitle(english, "WIPE"), wipe);
  EXPECT_EQ(FindEffectByTitle(japanese, "wipe"), wipe);
  EXPECT_EQ(FindEffectByTitle(english, "渦巻き"), spiral);
  EXPECT_EQ(FindEffectByTitle(japanese, "spiral"), spiral);
  EXPECT_EQ(FindEffectByTitle(english, "Gone"), 0);
  EXPECT_EQ(FindEffectByTitle(english, ""), 0);
}

// Each language lists its own title, then the other's, then the file name.
TEST(EffectList, EachLanguageListsItsOwnTitleAndFallsBack) {
  struct Case {
    const char *file, *titleJ, *titleE, *english, *japanese;  // the last two as listed
  } cases[] = {
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
    ASSERT_TRUE(english.size() == 1 && japanese.size() == 1) << c.file;
    EXPECT_EQ(english[0].title, c.english) << c.file;
    EXPECT_EQ(japanese[0].title, c.japanese) << c.file;
  }
}

}  // namespace
}  // namespace mosaicer
