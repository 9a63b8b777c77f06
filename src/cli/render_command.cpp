#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <system_error>
#include <vector>

#include "authoring/msf.h"
#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/title_input.h"
#include "cli/output_check.h"
#include "cli/values.h"
#include "platform/language.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"

namespace mosaicer::cli {
namespace {

constexpr std::size_t kSectorsPerBlock = 1024;
// Frames of a larger size would be mostly border and a lot of memory.
constexpr long long kMaxRenderSide = 4096;
constexpr long long kMaxSectorArgument = 1'000'000'000;

// Feeds the packs of the first `sectors` sectors to the decoder, one batch
// of four packs per sector as the player does, reading a block at a time.
IoStatus DecodeTitle(TitleSource& title, std::uint64_t sectors, TNkCdgDecoder& decoder) {
  std::vector<std::uint8_t> block(kSubcodeBytesPerSector * kSectorsPerBlock);
  while (sectors > 0) {
    const std::uint64_t want = std::min<std::uint64_t>(sectors, kSectorsPerBlock);
    if (IoStatus read = title.Read(want, nullptr, block.data()); !read) return read;
    for (std::size_t s = 0; s < want; ++s)
      decoder.Decode(block.data() + s * kSubcodeBytesPerSector, kPacksPerSector);
    sectors -= want;
  }
  return IoStatus::Ok();
}

int RunRender(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "render", Tr("give exactly one INPUT file"));
  const std::string& input = files[0];
  std::string output;
  if (!OutputPath(args, io, "render", output)) return kExitUsage;
  if (args.Has("at") && args.Has("sector"))
    return UsageError(io, "render", Tr("give --at or --sector, not both"));

  std::optional<std::uint64_t> limit;
  if (args.Has("sector")) {
    const auto n = ParseInteger(args.Value("sector"), 0, kMaxSectorArgument);
    if (!n) return UsageError(io, "render", Tr("--sector must be a sector count of 0 or more"));
    limit = static_cast<std::uint64_t>(*n);
  } else if (args.Has("at")) {
    const auto at = ParseMsfValue(args.Value("at"));
    if (!at) return UsageError(io, "render", Tr("--at must be MM:SS:FF, two digits each"));
    if (at->capped) Note(io, CappedTimeNote("--at", args.Value("at"), MsfText(at->frames)));
    limit = static_cast<std::uint64_t>(at->frames);
  }
  std::optional<SizeValue> size;
  if (args.Has("size")) {
    size = ParseSizeValue(args.Value("size"), kMaxRenderSide);
    if (!size)
      return UsageError(
          io, "render",
          Format(Tr("--size must be WxH, each 1..%1"), {std::to_string(kMaxRenderSide)}));
  }

  if (const int status = CheckOutputsAreNotInputs(io, {output}, {input})) return status;
  TitleInput source;
  if (const int status =
          OpenTitleInput(args, io, "render", input, source, SubcodeUse::AnyLayout, false))
    return status;
  // A disc image is read from files of its own.
  if (source.disc)
    if (const int status = CheckOutputsAreNotInputs(io, {output}, source.files)) return status;
  if (const int status = CheckOutput(io, output, args.Has("force"))) return status;

  const std::uint64_t available = source.title->Sectors();
  if (limit && *limit > available)
    Warning(io, Format(Tr("%1 has only %2 sectors; rendering after the last"),
                       {IoStatus::Quoted(input), std::to_string(available)}));

  RgbCanvas screen(kScreenWidth, kScreenHeight);
  TNkCdgDecoder decoder;
  decoder.Attach(&screen);
  decoder.Reset();
  if (const IoStatus read =
          DecodeTitle(*source.title, std::min(limit.value_or(available), available), decoder);
      !read)
    return Failure(io, read.error());

  std::ostringstream frame;
  const bool drawn =
      size ? decoder.SaveBitmapScaled(static_cast<std::uint16_t>(size->width),
                                      static_cast<std::uint16_t>(size->height), frame)
           : decoder.SaveBitmap(frame);
  if (!drawn)
    return Failure(io, Format(Tr("cannot draw the screen into %1"), {IoStatus::Quoted(output)}));
  const std::string bytes = frame.str();
  if (const IoStatus saved = WriteFileAtomically(output, bytes.data(), bytes.size()); !saved)
    return Failure(io, saved.error());
  return kExitSuccess;
}

}  // namespace

Command RenderCommand() {
  return Command{"render",
                 "mosaicer render INPUT -o FRAME.bmp [--at MM:SS:FF | --sector N] [--size WxH]\n"
                 "                [--format cdg|rws]\n"
                 "       mosaicer render DRIVE --track N -o FRAME.bmp [--at MM:SS:FF | --sector N] "
                 "[--size WxH]",
                 N_("decode the packs of a CDG, RWS or MP3+G file (or zip), or of a disc track, up "
                    "to a moment and save the screen as BMP"),
                 {{"at", 0, true},
                  {"sector", 0, true},
                  {"size", 0, true},
                  {"format", 0, true},
                  {"track", 0, true}},
                 RunRender,
                 {kTrackOptionHelp}};
}

}  // namespace mosaicer::cli
