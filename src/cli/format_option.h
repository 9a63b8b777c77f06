// The --format option of the commands that read CDG or RWS files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/args.h"
#include "core/subcode_pack.h"

namespace mosaicer::cli {

// --format cdg|rws when given (nothing for any other value); otherwise the
// layout the file's size suggests.
inline std::optional<SubcodeFormat> FormatFromOption(const Args& args, std::uint64_t fileSize) {
  if (!args.Has("format")) return GuessFormat(fileSize);
  const std::string f = args.Value("format");
  if (f == "cdg") return SubcodeFormat::Cdg;
  if (f == "rws") return SubcodeFormat::Rws;
  return std::nullopt;
}

}  // namespace mosaicer::cli
