// The language of every text the user reads, in the windows and on the
// command line alike. Texts are written in English in the code and looked
// up in a GNU gettext catalogue (po/ja.po, built into ja/LC_MESSAGES/
// mosaicer.mo) when the language is Japanese.
//
// The catalogue is read by our own small reader rather than glibc's
// gettext(): glibc takes the language from LANGUAGE and the process locale,
// which it ignores under the "C" locale, which QApplication resets at start,
// and which it shares with its own messages (strerror), so those would
// change language, or turn into question marks under an ASCII locale,
// depending on what the machine has installed.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_util.h"

namespace mosaicer {

enum class Language { English, Japanese };

// "en" or "ja" (the values of MOSAICER_LANG and of the settings file's
// choice); nothing for anything else.
std::optional<Language> ParseLanguage(std::string_view name);
std::string LanguageName(Language language);

// The language to use: MOSAICER_LANG when it names one; else `preference`
// (the user's choice in the settings file); else the system's language, the
// first of LANGUAGE, LC_ALL, LC_MESSAGES, LANG that is set: Japanese when it
// begins with "ja", English otherwise.
Language ChooseLanguage(std::optional<Language> preference = std::nullopt,
                        const EnvironmentLookup& env = ProcessEnvironment);

// The language Tr translates into. Until SetLanguage is called it is
// ChooseLanguage() of the process environment.
Language CurrentLanguage();
void SetLanguage(Language language);

// The text for `english` in the current language: the catalogue's
// translation under Japanese (the English text when it has none). The
// pointer stays valid for the life of the program.
const char* Tr(const char* english);

// Marks a text for the catalogue without translating it, for tables that
// are translated where they are shown.
#define N_(text) text

// A text kept in English and shown in the current language wherever it is
// used as a string, for texts that several places share:
//   inline constexpr TrText kSaved{N_("Saved.")};
class TrText {
 public:
  constexpr explicit TrText(const char* english) : english_(english) {}
  const char* english() const { return english_; }
  const char* c_str() const { return Tr(english_); }
  std::string str() const { return c_str(); }
  operator std::string() const { return str(); }

  friend bool operator==(const TrText& text, const std::string& other) {
    return other == text.c_str();
  }
  friend std::string operator+(const TrText& text, const std::string& more) {
    return text.str() + more;
  }
  friend std::string operator+(const TrText& text, const char* more) { return text.str() + more; }
  friend std::ostream& operator<<(std::ostream& out, const TrText& text) {
    return out << text.c_str();
  }

 private:
  const char* english_;
};

// `pattern` with %1 … %9 replaced by `args` in order; "%%" is one "%".
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

// A compiled gettext catalogue (.mo file): its translations by message id.
// Nothing when the bytes are not a well-formed catalogue. Plural forms and
// contexts are kept under their whole ids; the header entry (empty id) is
// left out.
std::optional<std::unordered_map<std::string, std::string>> ParseCatalogue(std::string_view bytes);

// Where the catalogue of `language` is looked for: share/locale beside the
// program's folder (the build tree and an installation alike), then the
// installation's locale folder.
std::vector<std::filesystem::path> CataloguePaths(const std::filesystem::path& programPath,
                                                  Language language);

}  // namespace mosaicer
