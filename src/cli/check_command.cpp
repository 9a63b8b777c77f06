#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/title_input.h"
#include "core/pack_check.h"

namespace mosaicer::cli {
namespace {

// The subcode of a pair or zip, without the empty packs that pad it to the
// song's length.
IoStatus CheckTitleSubcode(TitleSource& title, PackCheckCounts& counts) {
  constexpr std::uint64_t kBlockSectors = 1024;
  PackChecker checker;
  std::vector<std::uint8_t> block(kBlockSectors * kSubcodeBytesPerSector);
  std::uint64_t left = title.Info().subcodeSectors;
  while (left > 0) {
    const std::uint64_t n = std::min(left, kBlockSectors);
    if (IoStatus read = title.Read(n, nullptr, block.data()); !read) return read;
    checker.AddBytes(block.data(), n * kSubcodeBytesPerSector, SubcodeFormat::Rws);
    left -= n;
  }
  counts = checker.Counts();
  counts.trailingBytes = title.Info().trailingBytes;
  return IoStatus::Ok();
}

std::string FormatName(const TitleInput& input, const TitleInfo& title) {
  switch (title.kind) {
    case TitleKind::Zip:
      return "mp3+g zip";
    case TitleKind::Pair:
      return "mp3+g pair";
    default:
      return input.layout.format == SubcodeFormat::Cdg ? "cdg" : "rws";
  }
}

std::string SignedDifference(const TitleInfo& title) {
  const auto audio = static_cast<std::int64_t>(title.audioSectors);
  const auto subcode = static_cast<std::int64_t>(title.subcodeSectors);
  return (audio >= subcode ? "+" : "") + std::to_string(audio - subcode);
}

int RunCheck(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "check", "give exactly one INPUT file");
  const std::string& input = files[0];

  TitleInput source;
  if (const int status = OpenTitleInput(args, io, "check", input, source)) return status;
  const TitleInfo& title = source.title->Info();
  const bool joined = title.kind == TitleKind::Pair || title.kind == TitleKind::Zip;

  PackCheckCounts c;
  if (title.kind == TitleKind::CdgFile || title.kind == TitleKind::Subcode) {
    std::string error;
    if (!CheckSubcodeFile(input, source.layout.format, c, error)) return Failure(io, error);
  } else if (const IoStatus read = CheckTitleSubcode(*source.title, c); !read) {
    return Failure(io, read.error());
  }

  io.out << "format: " << FormatName(source, title) << "\n";
  if (joined) {
    io.out << "subcode: " << title.subcodeName << "\n"
           << "song: " << (title.audioName.empty() ? "none" : title.audioName) << "\n"
           << "audio sectors: " << title.audioSectors << "\n"
           << "audio minus subcode: " << SignedDifference(title) << " sectors\n";
  }
  io.out
         << "sectors: " << c.sectors << "\n"
         << "graphics packs: " << c.graphicsPacks << "\n"
         << "empty packs: " << c.emptyPacks << "\n"
         << "other packs: " << c.otherPacks << "\n"
         << "packs failing Q: " << c.failingQ << "\n"
         << "packs failing P: " << c.failingP << "\n"
         << "repairable: " << c.repairable << "\n"
         << "unrepairable: " << c.unrepairable << "\n";
  if (joined && title.audioSectors != title.subcodeSectors && !io.quiet)
    io.err << "mosaicer: note: the " << (title.audioSectors > title.subcodeSectors ? "song" : "subcode")
           << " is longer; the title plays to its end, "
           << (title.audioSectors > title.subcodeSectors ? "empty packs" : "silence")
           << " filling the rest\n";
  if (c.trailingBytes != 0 && !io.quiet)
    io.err << "mosaicer: warning: the last " << c.trailingBytes
           << " bytes do not fill a sector and were not checked\n";
  return c.unrepairable == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

Command CheckCommand() {
  return Command{"check",
                 "mosaicer check INPUT [--format cdg|rws]",
                 "check and count the Q and P parity of every pack of a CDG, RWS or MP3+G file (or zip)",
                 {{"format", 0, true}},
                 RunCheck};
}

}  // namespace mosaicer::cli
