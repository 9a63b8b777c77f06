// Command-line options of one subcommand: "--name value", "--name=value",
// "-x value", flags, and positional arguments ("--" ends the options).
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mosaicer::cli {

struct OptionDef {
  std::string name;    // long name without dashes: "output"
  char shortName = 0;  // 'o', or 0
  bool takesValue = false;
};

class Args {
 public:
  // Parses `argv` against `known`. Returns nothing, with `error` set, for an
  // unknown option, a missing value or an option with a value given twice.
  static std::optional<Args> Parse(const std::vector<std::string>& argv,
                                   std::span<const OptionDef> known, std::string& error);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The value given for an option, or `fallback`.
  std::string Value(const std::string& name, const std::string& fallback = {}) const;
  const std::vector<std::string>& Positionals() const { return positionals_; }

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positionals_;
};

// Reads a whole decimal integer in [low, high]; nothing otherwise.
std::optional<long long> ParseInteger(const std::string& text, long long low, long long high);

}  // namespace mosaicer::cli
