#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <cstdint>
#include <filesystem>
#include <vector>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/title_input.h"
#include "core/pack_check.h"
#include "core/parity.h"
#include "core/subcode_pack.h"
#include "platform/language.h"

namespace mosaicer::cli {
namespace {

constexpr std::uint64_t kBlockSectors = 1024;

// Finds the packs no repair saves, sector by sector, for --list: a pack
// that is not empty, fails a parity, and still fails one after P then Q.
class UnrepairableLister {
 public:
  void AddSector(const std::uint8_t* subcode) {
    for (std::size_t p = 0; p < kPacksPerSector; ++p) {
      std::uint8_t pack[kPackSize];
      std::memcpy(pack, subcode + p * kPackSize, kPackSize);
      if (IsEmptyPack(pack) || Holds(pack)) continue;
      ecc_.CorrectP(pack);
      ecc_.CorrectQ(pack);
      if (!Holds(pack))
        lines_ += "unrepairable pack: sector " + std::to_string(sector_) + ", pack " +
                  std::to_string(p) + "\n";
    }
    ++sector_;
  }
  const std::string& Lines() const { return lines_; }

 private:
  // Both parities hold as the pack is.
  bool Holds(const std::uint8_t* pack) const {
    std::uint8_t q[kPackSize], p[kPackSize];
    std::memcpy(q, pack, kPackSize);
    std::memcpy(p, pack, kPackSize);
    return ecc_.CorrectQ(q) && ecc_.CorrectP(p) && std::memcmp(q, pack, kPackSize) == 0 &&
           std::memcmp(p, pack, kPackSize) == 0;
  }

  TSubCodeErrorCorrect ecc_;
  std::uint64_t sector_ = 0;
  std::string lines_;
};

// Every whole sector of a CDG or bare subcode file through the lister.
IoStatus ListFile(const std::string& path, SubcodeFormat format, UnrepairableLister& lister) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IoStatus::FromErrno("read", path, errno);
  const std::size_t sector = SectorSize(format);
  std::vector<char> block(sector * kBlockSectors);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t at = 0; at + sector <= got; at += sector)
      lister.AddSector(reinterpret_cast<const std::uint8_t*>(block.data()) + at + sector -
                       kSubcodeBytesPerSector);
  }
  if (in.bad()) return IoStatus::FromErrno("read", path, errno);
  return IoStatus::Ok();
}

// The subcode of a pair or zip, without the empty packs that pad it to the
// song's length.
IoStatus CheckTitleSubcode(TitleSource& title, PackCheckCounts& counts,
                           UnrepairableLister* lister) {
  PackChecker checker;
  std::vector<std::uint8_t> block(kBlockSectors * kSubcodeBytesPerSector);
  std::uint64_t left = title.Info().subcodeSectors;
  while (left > 0) {
    const std::uint64_t n = std::min(left, kBlockSectors);
    if (IoStatus read = title.Read(n, nullptr, block.data()); !read) return read;
    checker.AddBytes(block.data(), n * kSubcodeBytesPerSector, SubcodeFormat::Rws);
    if (lister)
      for (std::uint64_t s = 0; s < n; ++s) lister->AddSector(block.data() + s * kSubcodeBytesPerSector);
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
    case TitleKind::Disc:
      return "disc track";
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
  if (files.size() != 1)
    return UsageError(io, "check", Tr("give exactly one INPUT file (or one DRIVE with --track)"));
  const std::string& input = files[0];

  TitleInput source;
  if (const int status = OpenTitleInput(args, io, "check", input, source)) return status;
  const TitleInfo& title = source.title->Info();
  const bool joined = title.kind == TitleKind::Pair || title.kind == TitleKind::Zip;

  PackCheckCounts c;
  UnrepairableLister lister;
  const bool list = args.Has("list");
  if (title.kind == TitleKind::CdgFile || title.kind == TitleKind::Subcode) {
    std::string error;
    if (!CheckSubcodeFile(input, source.layout.format, c, error)) return Failure(io, error);
    if (list)
      if (const IoStatus read = ListFile(input, source.layout.format, lister); !read)
        return Failure(io, read.error());
  } else if (const IoStatus read = CheckTitleSubcode(*source.title, c, list ? &lister : nullptr);
             !read) {
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
         << "unrepairable: " << c.unrepairable << "\n"
         << lister.Lines();
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
  return Command{
      "check",
      "mosaicer check INPUT [--format cdg|rws] [--list]\n"
      "       mosaicer check DRIVE --track N [--list]",
      N_("check and count the Q and P parity of every pack of a CDG, RWS or MP3+G file "
         "(or zip), or of a disc track"),
      {{"format", 0, true}, {"list", 0, false}, {"track", 0, true}},
      RunCheck,
      {N_("  --list  one line for each pack no repair saves: its sector and place in it"),
       kTrackOptionHelp}};
}

}  // namespace mosaicer::cli
