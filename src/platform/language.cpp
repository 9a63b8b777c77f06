#include "platform/language.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#ifndef MOSAICER_LOCALEDIR
#define MOSAICER_LOCALEDIR "/usr/local/share/locale"
#endif

namespace mosaicer {
namespace {

constexpr std::uint32_t kMoMagic = 0x950412de;
constexpr std::uint32_t kMoMagicSwapped = 0xde120495;
constexpr std::size_t kMoHeaderBytes = 28;
constexpr const char* kDomain = "mosaicer";
constexpr const char* kLanguageVariable = "MOSAICER_LANG";
constexpr std::uint64_t kMaxCatalogueBytes = 16 << 20;

std::uint32_t Word(std::string_view bytes, std::size_t at, bool swapped) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    value |= static_cast<std::uint32_t>(byte) << (swapped ? 8 * (3 - i) : 8 * i);
  }
  return value;
}

// The string an entry of a string table points at, without its NUL.
std::optional<std::string_view> TableString(std::string_view bytes, std::size_t entry,
                                            bool swapped) {
  if (entry > bytes.size() || bytes.size() - entry < 8) return std::nullopt;
  const std::size_t length = Word(bytes, entry, swapped);
  const std::size_t offset = Word(bytes, entry + 4, swapped);
  if (offset > bytes.size() || bytes.size() - offset <= length) return std::nullopt;
  if (bytes[offset + length] != '\0') return std::nullopt;
  return bytes.substr(offset, length);
}

struct State {
  std::once_flag chosen;
  std::atomic<Language> language{Language::English};
  std::once_flag loaded;
  std::unordered_map<std::string, std::string> japanese;
};

State& TheState() {
  static State state;
  return state;
}

void LoadJapanese(State& state) {
  std::call_once(state.loaded, [&state] {
    for (const auto& path : CataloguePaths(ProgramPath(), Language::Japanese)) {
      std::vector<std::uint8_t> bytes;
      if (!ReadWholeFile(path, bytes, kMaxCatalogueBytes)) continue;
      const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      if (auto catalogue = ParseCatalogue(text)) {
        state.japanese = std::move(*catalogue);
        return;
      }
    }
  });
}

}  // namespace

std::optional<Language> ParseLanguage(std::string_view name) {
  if (name == "en") return Language::English;
  if (name == "ja") return Language::Japanese;
  return std::nullopt;
}

std::string LanguageName(Language language) { return language == Language::Japanese ? "ja" : "en"; }

Language ChooseLanguage(std::optional<Language> preference, const EnvironmentLookup& env) {
  if (auto forced = ParseLanguage(env(kLanguageVariable))) return *forced;
  if (preference) return *preference;
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = env(variable);
    if (value.empty()) continue;
    return value.starts_with("ja") ? Language::Japanese : Language::English;
  }
  return Language::English;
}

Language CurrentLanguage() {
  State& state = TheState();
  std::call_once(state.chosen, [&state] { state.language = ChooseLanguage(); });
  return state.language;
}

void SetLanguage(Language language) {
  State& state = TheState();
  std::call_once(state.chosen, [] {});
  state.language = language;
}

const char* Tr(const char* english) {
  if (CurrentLanguage() != Language::Japanese) return english;
  State& state = TheState();
  LoadJapanese(state);
  const auto found = state.japanese.find(english);
  return found == state.japanese.end() ? english : found->second.c_str();
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      const char next = pattern[i + 1];
      if (next == '%') {
        text += '%';
        ++i;
        continue;
      }
      if (next >= '1' && next <= '9') {
        const auto index = static_cast<std::size_t>(next - '1');
        if (index < args.size()) {
          text += *(args.begin() + index);
          ++i;
          continue;
        }
      }
    }
    text += c;
  }
  return text;
}

std::optional<std::unordered_map<std::string, std::string>> ParseCatalogue(std::string_view bytes) {
  if (bytes.size() < kMoHeaderBytes) return std::nullopt;
  const std::uint32_t magic = Word(bytes, 0, false);
  if (magic != kMoMagic && magic != kMoMagicSwapped) return std::nullopt;
  const bool swapped = magic == kMoMagicSwapped;
  // Major revisions 0 and 1 share this layout; a later one may not.
  if ((Word(bytes, 4, swapped) >> 16) > 1) return std::nullopt;
  const std::size_t count = Word(bytes, 8, swapped);
  const std::size_t originals = Word(bytes, 12, swapped);
  const std::size_t translations = Word(bytes, 16, swapped);
  // Each entry takes 8 bytes in both tables; more than fit is a lie.
  if (count > bytes.size() / 16) return std::nullopt;
  std::unordered_map<std::string, std::string> catalogue;
  catalogue.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto id = TableString(bytes, originals + 8 * i, swapped);
    const auto text = TableString(bytes, translations + 8 * i, swapped);
    if (!id || !text) return std::nullopt;
    if (id->empty()) continue;
    catalogue.emplace(std::string(*id), std::string(*text));
  }
  return catalogue;
}

std::vector<std::filesystem::path> CataloguePaths(const std::filesystem::path& programPath,
                                                  Language language) {
  const std::filesystem::path file = std::filesystem::path(LanguageName(language)) / "LC_MESSAGES" /
                                     (std::string(kDomain) + ".mo");
  std::vector<std::filesystem::path> paths;
  if (!programPath.empty())
    paths.push_back(programPath.parent_path().parent_path() / "share" / "locale" / file);
  paths.push_back(std::filesystem::path(MOSAICER_LOCALEDIR) / file);
  return paths;
}

}  // namespace mosaicer
