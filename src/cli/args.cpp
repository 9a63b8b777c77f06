#include "cli/args.h"

#include <charconv>

#include "platform/language.h"

namespace mosaicer::cli {

std::optional<Args> Args::Parse(const std::vector<std::string>& argv,
                                std::span<const OptionDef> known, std::string& error) {
  Args args;
  bool optionsDone = false;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (optionsDone || a.size() < 2 || a[0] != '-') {
      args.positionals_.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsDone = true;
      continue;
    }
    std::string name;
    std::optional<std::string> inlineValue;
    const OptionDef* option = nullptr;
    if (a[1] == '-') {
      name = a.substr(2);
      if (const auto eq = name.find('='); eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        name.resize(eq);
      }
      for (const OptionDef& s : known)
        if (s.name == name) option = &s;
    } else if (a.size() == 2) {
      for (const OptionDef& s : known)
        if (s.shortName == a[1]) option = &s;
    }
    if (!option) {
      error = Format(Tr("unknown option '%1'"), {a});
      return std::nullopt;
    }
    std::string value;
    if (option->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < argv.size()) {
        value = argv[++i];
      } else {
        error = Format(Tr("option '%1' needs a value"), {a});
        return std::nullopt;
      }
    } else if (inlineValue) {
      error = Format(Tr("option '%1' takes no value"), {"--" + option->name});
      return std::nullopt;
    }
    // Which of two values was meant cannot be known; a repeated flag is harmless.
    if (option->takesValue && args.values_.count(option->name) != 0) {
      error = Format(Tr("option '%1' is given more than once"), {"--" + option->name});
      return std::nullopt;
    }
    args.values_[option->name].push_back(value);
  }
  return args;
}

std::string Args::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second.back();
}

std::optional<long long> ParseInteger(const std::string& text, long long low, long long high) {
  // Digits only: a sign is taken just where negative values are allowed, so
  // "-0" is no way to write zero.
  if (text.empty() || (text[0] == '-' && low >= 0)) return std::nullopt;
  long long v = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || text.empty() || v < low || v > high) return std::nullopt;
  return v;
}

}  // namespace mosaicer::cli
