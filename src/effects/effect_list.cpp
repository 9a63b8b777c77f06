#include "effects/effect_list.h"

#include <filesystem>
#include <system_error>

namespace mosaicer {
namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace

std::string EffectTitle(const TTloFile& file, Language language) {
  if (language == Language::English && !file.TitleE.empty()) return file.TitleE;
  return file.TitleJ;
}

std::vector<EffectEntry> FindEffects(const std::string& folder, Language language) {
  std::vector<EffectEntry> effects;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& path = it->path();
    if (!SameText(path.extension().string(), kEffectExtension)) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    TTloFile file(path.string());
    if (!file.Valid) continue;
    std::string title = EffectTitle(file, language);
    if (title.empty()) title = path.stem().string();
    effects.push_back({std::move(title), std::move(file)});
  }
  return effects;
}

int FindEffectByTitle(const std::vector<EffectEntry>& effects, std::string_view title) {
  if (title.empty()) return 0;
  for (std::size_t i = 0; i < effects.size(); ++i)
    if (SameText(effects[i].title, title)) return static_cast<int>(i) + 1;
  for (std::size_t i = 0; i < effects.size(); ++i) {
    const TTloFile& file = effects[i].file;
    if ((!file.TitleJ.empty() && SameText(file.TitleJ, title)) ||
        (!file.TitleE.empty() && SameText(file.TitleE, title)))
      return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace mosaicer
