// The language: how it is chosen, the catalogues, the system's reasons and
// the readers' refusals in it, and the command line that speaks it.
#include "platform/language.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "media/audio_reader.h"
#include "media/picture_reader.h"
#include "platform/bitmap.h"
#include "platform/bmp_codec.h"
#include "platform/io_status.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::LanguageScope;

bool HasJapanese(const std::string& text) {
  // Every kana and kanji is three bytes in UTF-8 with a lead byte E3..E9.
  for (unsigned char c : text)
    if (c >= 0xE3 && c <= 0xE9) return true;
  return false;
}

TEST(Language, ChosenByTheOverrideThenThePreferenceThenTheSystem) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> env;
    std::optional<Language> preference;
    Language expected;
  };
  using Env = std::map<std::string, std::string>;
  const Language en = Language::English, ja = Language::Japanese;
  const std::vector<Case> cases = {
      {"nothing set", {}, std::nullopt, en},
      {"C.UTF-8 as on CI", Env{{"LANG", "C.UTF-8"}}, std::nullopt, en},
      {"Japanese locale", Env{{"LANG", "ja_JP.UTF-8"}}, std::nullopt, ja},
      {"LC_ALL before LANG", Env{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, {}, en},
      {"LC_MESSAGES before LANG", Env{{"LC_MESSAGES", "ja_JP.eucJP"}, {"LANG", "C"}}, {}, ja},
      {"LANGUAGE first of all", Env{{"LANGUAGE", "ja:en"}, {"LC_ALL", "C.UTF-8"}}, {}, ja},
      {"empty variables are unset", Env{{"LANGUAGE", ""}, {"LANG", "ja_JP"}}, {}, ja},
      {"preference over the system", Env{{"LANG", "ja_JP.UTF-8"}}, en, en},
      {"override over the preference", Env{{"MOSAICER_LANG", "ja"}}, en, ja},
      {"override over the system", Env{{"MOSAICER_LANG", "en"}, {"LANG", "ja_JP.UTF-8"}}, {}, en},
      {"unknown override ignored", Env{{"MOSAICER_LANG", "fr"}, {"LANG", "ja_JP.UTF-8"}}, {}, ja},
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
  std::string out, strings;
  const auto word = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (bigEndian ? 8 * (3 - i) : 8 * i));
  };
  const auto n = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t originals = 28, translations = originals + 8 * n, at = translations + 8 * n;
  // Magic, revision, count, the two tables, an empty hash table.
  for (std::uint32_t v : {0x950412deu, 0u, n, originals, translations, 0u, at}) word(v);
  for (const bool translated : {false, true})
    for (const auto& [id, text] : entries) {
      const std::string& string = translated ? text : id;
      word(static_cast<std::uint32_t>(string.size()));
      word(at + static_cast<std::uint32_t>(strings.size()));
      strings += string + '\0';
    }
  return out + strings;
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
  LanguageScope english(Language::English);
  EXPECT_STREQ(Tr("The CDG file was created."), "The CDG file was created.");
}

TEST(Catalogue, LookedForInTheBuildTreeOrInstallationThenTheConfiguredFolder) {
  const auto paths = CataloguePaths("/opt/mosaicer/bin/mosaicer", Language::Japanese);
  ASSERT_GE(paths.size(), 2u);
  EXPECT_EQ(paths.front(), "/opt/mosaicer/share/locale/ja/LC_MESSAGES/mosaicer.mo");
  EXPECT_EQ(paths.back().filename(), "mosaicer.mo");
  EXPECT_EQ(CataloguePaths({}, Language::Japanese).size(), 1u);
}

TEST(SystemReasons, CommonReasonsAreOursInBothLanguagesTheRestTheSystems) {
  const int ours[] = {ENOENT, EACCES, EPERM, ENOSPC,       EDQUOT, EISDIR, ENOTDIR,
                      EROFS,  EEXIST, EIO,   ENAMETOOLONG, EMFILE, ENFILE};
  for (const int code : ours) {
    SCOPED_TRACE(code);
    const auto reason = [code](Language language) {
      LanguageScope scope(language);
      return ErrnoReason(code);
    };
    const std::string english = reason(Language::English), japanese = reason(Language::Japanese);
    EXPECT_FALSE(english.empty());
    EXPECT_FALSE(HasJapanese(english)) << english;
    EXPECT_TRUE(HasJapanese(japanese)) << japanese;
  }
  LanguageScope scope(Language::Japanese);
  EXPECT_EQ(ErrnoReason(EFBIG), std::strerror(EFBIG));
}

TEST(SystemReasons, AFailedFileOperationIsOneSentenceInTheChosenLanguage) {
  {
    LanguageScope scope(Language::English);
    EXPECT_EQ(IoStatus::FromErrno("write", "out.cdg", ENOSPC).error(),
              "cannot write \"out.cdg\": No space left on the disk");
  }
  LanguageScope scope(Language::Japanese);
  EXPECT_EQ(IoStatus::FromErrno("read", "曲.wav", ENOENT).error(),
            "\"曲.wav\"を読み込めません: ファイルまたはフォルダがありません");
}

TEST(SystemReasons, TheReadersRefuseInTheChosenLanguage) {
  testing::TempDir dir;
  const std::string text = dir.Write("notes.png", "no picture, no song");
  for (const Language language : {Language::English, Language::Japanese}) {
    LanguageScope scope(language);
    const std::string picture = ReadPicture(text).error;
    const std::string song = OpenAudio(text).error;
    for (const std::string& refusal : {picture, song}) {
      EXPECT_NE(refusal.find("\"" + text + "\""), std::string::npos) << refusal;
      EXPECT_EQ(HasJapanese(refusal), language == Language::Japanese) << refusal;
    }
  }
}

// Runs the mosaicer program with `env` (assignments; the variables that
// choose a language are cleared first) and returns what it printed: the
// choice is made from the environment as a user's shell hands it over.
std::string RunProgram(const std::string& env, const std::string& args) {
  const std::string command = "env -u MOSAICER_LANG -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " +
                              env + " '" MOSAICER_CLI_PROGRAM "' " + args + " 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// English under the C.UTF-8 locale CI machines have, Japanese under
// MOSAICER_LANG=ja or a Japanese locale; help and usage errors too, which
// are printed before any work starts.
TEST(CliLanguage, TheProgramSpeaksTheLanguageTheEnvironmentChooses) {
  testing::TempDir dir;
  const std::string small = dir.File("small.bmp");
  ASSERT_TRUE(WriteBmpFile(*Bitmap::Create(100, 80, 24).bitmap, small));
  const std::string rws = "rws '" + small + "' -o '" + dir.File("out.rws") + "'";
  const char* english = "Choose a bitmap of at least 288×192 pixels.";
  const char* japanese = "288×192ピクセル以上のビットマップを選択して下さい。";
  struct Case {
    const char* env;
    std::string args;
    const char* shown;
    bool japanese;
  };
  const std::vector<Case> cases = {
      {"LANG=C.UTF-8", rws, english, false},
      {"", rws, english, false},
      {"LANG=ja_JP.UTF-8", rws, japanese, true},  // whether or not that locale is installed
      {"LANG=C.UTF-8 MOSAICER_LANG=ja", rws, japanese, true},
      {"LANG=ja_JP.UTF-8 MOSAICER_LANG=en", rws, english, false},
      {"LANG=C.UTF-8 MOSAICER_LANG=ja", "--help", "mosaicer COMMAND [options]", true},
      {"LANG=ja_JP.UTF-8 MOSAICER_LANG=en", "rip --help", "mosaicer rip", false},
      {"LANG=C.UTF-8 MOSAICER_LANG=ja", "create", "'mosaicer create --help'", true},
      {"LANG=C.UTF-8", "create", "'mosaicer create --help'", false},
  };
  for (const Case& c : cases) {
    const std::string out = RunProgram(c.env, c.args);
    EXPECT_NE(out.find(c.shown), std::string::npos) << c.env << " " << c.args << ": " << out;
    EXPECT_EQ(HasJapanese(out), c.japanese) << c.env << " " << c.args << ": " << out;
  }
}

}  // namespace
}  // namespace mosaicer
