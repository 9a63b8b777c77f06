#include "platform/language.h"
#include "support/language_scope.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mosaicer {
namespace {

using testing::LanguageScope;

TEST(Language, ChosenByTheOverrideThenThePreferenceThenTheSystem) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> env;
    std::optional<Language> preference;
    Language expected;
  };
  const std::vector<Case> cases = {
      {"nothing set", {}, std::nullopt, Language::English},
      {"C.UTF-8 as on CI", {{"LANG", "C.UTF-8"}}, std::nullopt, Language::English},
      {"Japanese locale", {{"LANG", "ja_JP.UTF-8"}}, std::nullopt, Language::Japanese},
      {"LC_ALL before LANG",
       {{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}},
       std::nullopt,
       Language::English},
      {"LC_MESSAGES before LANG",
       {{"LC_MESSAGES", "ja_JP.eucJP"}, {"LANG", "C"}},
       std::nullopt,
       Language::Japanese},
      {"LANGUAGE first of all",
       {{"LANGUAGE", "ja:en"}, {"LC_ALL", "C.UTF-8"}},
       std::nullopt,
       Language::Japanese},
      {"empty variables are unset",
       {{"LANGUAGE", ""}, {"LANG", "ja_JP"}},
       std::nullopt,
       Language::Japanese},
      {"preference over the system",
       {{"LANG", "ja_JP.UTF-8"}},
       Language::English,
       Language::English},
      {"override over the preference",
       {{"MOSAICER_LANG", "ja"}},
       Language::English,
       Language::Japanese},
      {"override over the system",
       {{"MOSAICER_LANG", "en"}, {"LANG", "ja_JP.UTF-8"}},
       std::nullopt,
       Language::English},
      {"unknown override ignored",
       {{"MOSAICER_LANG", "fr"}, {"LANG", "ja_JP.UTF-8"}},
       std::nullopt,
       Language::Japanese},
  };
  for (const Case& c : cases) {
    const auto env = [&c](const char* name) {
      const auto found = c.env.find(name);
      return found == c.env.end() ? std::string() : found->second;
    };
    EXPECT_EQ(ChooseLanguage(c.preference, env), c.expected) << c.what;
  }
}

TEST(Language, NamesRoundTripAndNothingElseParses) {
  for (Language language : {Language::English, Language::Japanese})
    EXPECT_EQ(ParseLanguage(LanguageName(language)), language);
  for (const char* name : {"", "EN", "ja_JP", "jp", "english"})
    EXPECT_FALSE(ParseLanguage(name).has_value()) << name;
}

TEST(Language, FormatPutsArgumentsInTheirNumberedPlaces) {
  const std::pair<std::string, std::string> cases[] = {
      {Format("Saved \"%1\".", {"a.bmp"}), "Saved \"a.bmp\"."},
      {Format("%2 then %1", {"one", "two"}), "two then one"},
      {Format("%1番が%2と%3に重複しています。", {"3", "(1,2)", "(4,5)"}),
       "3番が(1,2)と(4,5)に重複しています。"},
      {Format("100%% and %1", {"x"}), "100% and x"},
      {Format("%3 has no argument", {"x"}), "%3 has no argument"},
      {Format("ends with %", {}), "ends with %"},
      {Format("%1 is not re-read", {"%1"}), "%1 is not re-read"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
}

// A .mo file as msgfmt writes it: header, two string tables, no hash.
std::string MoFile(const std::vector<std::pair<std::string, std::string>>& entries,
                   bool bigEndian = false) {
  std::string out;
  const auto word = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      const int shift = bigEndian ? 8 * (3 - i) : 8 * i;
      out += static_cast<char>((v >> shift) & 0xFF);
    }
  };
  const auto n = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t originals = 28, translations = originals + 8 * n;
  std::uint32_t at = translations + 8 * n;
  std::vector<std::uint32_t> idAt, textAt;
  for (const auto& [id, text] : entries) {
    idAt.push_back(at);
    at += static_cast<std::uint32_t>(id.size() + 1);
  }
  for (const auto& [id, text] : entries) {
    textAt.push_back(at);
    at += static_cast<std::uint32_t>(text.size() + 1);
  }
  word(0x950412de);
  word(0);
  word(n);
  word(originals);
  word(translations);
  word(0);
  word(at);
  for (std::uint32_t i = 0; i < n; ++i) {
    word(static_cast<std::uint32_t>(entries[i].first.size()));
    word(idAt[i]);
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    word(static_cast<std::uint32_t>(entries[i].second.size()));
    word(textAt[i]);
  }
  for (const auto& [id, text] : entries) out += id + '\0';
  for (const auto& [id, text] : entries) out += text + '\0';
  return out;
}

TEST(Catalogue, ReadsEitherByteOrderAndLeavesOutTheHeader) {
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"", "Content-Type: text/plain; charset=UTF-8\n"},
      {"&Divide", "分割(&D)"},
      {"Saved \"%1\".", "\"%1\"に保存しました。"}};
  for (bool bigEndian : {false, true}) {
    const auto catalogue = ParseCatalogue(MoFile(entries, bigEndian));
    ASSERT_TRUE(catalogue.has_value()) << bigEndian;
    EXPECT_EQ(catalogue->size(), 2u);
    EXPECT_EQ(catalogue->at("&Divide"), "分割(&D)");
    EXPECT_EQ(catalogue->at("Saved \"%1\"."), "\"%1\"に保存しました。");
  }
}

TEST(Catalogue, MalformedFilesAreRefusedWhole) {
  const std::string good = MoFile({{"a", "b"}, {"cc", "dd"}});
  const auto patched = [&](std::size_t at, std::uint8_t value) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(value);
    return bytes;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"header cut short", good.substr(0, 20)},
      {"strings cut off", good.substr(0, good.size() - 3)},
      {"wrong magic", patched(0, 0x00)},
      {"future major revision", patched(6, 0x02)},
      {"more entries than the file holds", patched(8, 0xFF)},
      {"table beyond the end", patched(13, 0x7F)},
      {"string offset beyond the end", patched(28 + 4 + 1, 0x7F)},
      {"string length beyond the end", patched(28 + 2, 0x7F)},
      // "cc" stated as one byte long: its "c" is followed by "c", not NUL.
      {"string not ended where its length says", patched(28 + 8, 0x01)},
  };
  for (const auto& [what, bytes] : cases) EXPECT_FALSE(ParseCatalogue(bytes).has_value()) << what;
}

TEST(Catalogue, TheBuiltJapaneseCatalogueIsFoundBesideTheProgram) {
  LanguageScope japanese(Language::Japanese);
  EXPECT_STREQ(Tr("The CDG file was created."), "CDGファイルの作成に成功しました。");
  EXPECT_STREQ(Tr("a text no catalogue holds"), "a text no catalogue holds");
  {
    LanguageScope english(Language::English);
    EXPECT_STREQ(Tr("The CDG file was created."), "The CDG file was created.");
  }
}

TEST(Catalogue, LookedForInTheBuildTreeOrInstallationThenTheConfiguredFolder) {
  const auto paths = CataloguePaths("/opt/mosaicer/bin/mosaicer", Language::Japanese);
  ASSERT_GE(paths.size(), 2u);
  EXPECT_EQ(paths.front(), "/opt/mosaicer/share/locale/ja/LC_MESSAGES/mosaicer.mo");
  EXPECT_EQ(paths.back().filename(), "mosaicer.mo");
  EXPECT_EQ(CataloguePaths({}, Language::Japanese).size(), 1u);
}

}  // namespace
}  // namespace mosaicer
