// The input of the commands that read CDG or RWS files: what layout it has
// (--format cdg|rws, or what the file itself shows) and whether it holds any
// sector at all.
#pragma once

#include <cstdint>
#include <string>

#include "cli/args.h"
#include "cli/commands.h"
#include "core/subcode_pack.h"

namespace mosaicer::cli {

struct SubcodeInput {
  SubcodeFormat format = SubcodeFormat::Cdg;
  std::uint64_t size = 0;     // bytes
  std::uint64_t sectors = 0;  // whole sectors of the layout
};

// Checks `path` (a regular file), decides its layout (--format, else its
// name and the packs it holds) and refuses a file without a whole sector.
// kExitSuccess with `input` filled, otherwise the exit status after the
// message has been printed (a usage error for a bad --format value, or a
// layout that only --format can settle).
// Commands that need audio take CDG files only: a file whose packs say it
// is bare subcode is refused, and one whose content says nothing is CDG.
// PreferCdg: as CdgOnly, but bare subcode is taken (its song lies beside it).
enum class SubcodeUse { AnyLayout, CdgOnly, PreferCdg };
int OpenSubcodeInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                     SubcodeInput& input, SubcodeUse use = SubcodeUse::AnyLayout);

}  // namespace mosaicer::cli
