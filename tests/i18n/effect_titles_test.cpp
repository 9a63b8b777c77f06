// Effects are listed under the title of the windows' language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effect_list.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

std::string Effect(const std::string& titleJ, const std::string& titleE) {
  return "[Info]\r\nTloVersion=" + std::to_string(kTloVersion) + "\r\nTitleJ=" + titleJ +
         "\r\nTitleE=" + titleE + "\r\nNumTiles=1\r\n[0]\r\nCol=1\r\nRow=1\r\n";
}

TEST(EffectTitles, EachLanguageListsItsOwnTitleAndFallsBack) {
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

TEST(EffectTitles, AChoiceSavedUnderOneLanguageIsFoundUnderTheOther) {
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
