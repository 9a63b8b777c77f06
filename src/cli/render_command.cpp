#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <system_error>
#include <vector>

#include "authoring/msf.h"
#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/output_check.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"

namespace mosaicer::cli {
namespace {

constexpr std::size_t kSectorsPerBlock = 1024;
// Frames of a larger size would be mostly border and a lot of memory.
constexpr long long kMaxRenderSide = 4096;
constexpr long long kMaxSectorArgument = 1'000'000'000;

// "MM:SS:FF", read as the creation window's MSF field reads it (and as
// create's --limit is).
std::optional<std::int64_t> ParseMsf(const std::string& text) {
  constexpr std::size_t kMsfLength = 8, kFirstColon = 2, kSecondColon = 5;
  if (text.size() != kMsfLength || text[kFirstColon] != ':' || text[kSecondColon] != ':')
    return std::nullopt;
  TMsfField field;
  field.ReadLimit(text);
  return field.Limit();
}

// "WxH", each side 1..kMaxRenderSide.
bool ParseSize(const std::string& text, std::uint16_t& width, std::uint16_t& height) {
  const auto x = text.find('x');
  if (x == std::string::npos) return false;
  const auto w = ParseInteger(text.substr(0, x), 1, kMaxRenderSide);
  const auto h = ParseInteger(text.substr(x + 1), 1, kMaxRenderSide);
  if (!w || !h) return false;
  width = static_cast<std::uint16_t>(*w);
  height = static_cast<std::uint16_t>(*h);
  return true;
}

// Feeds the packs of the first `sectors` sectors to the decoder, one batch
// of four packs per sector as the player does, reading a block at a time.
bool DecodeFile(const std::string& path, SubcodeFormat format, std::uint64_t sectors,
                TNkCdgDecoder& decoder) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::size_t sectorSize = SectorSize(format);
  const std::size_t packsAt = format == SubcodeFormat::Cdg ? kAudioBytesPerSector : 0;
  std::vector<std::uint8_t> block(sectorSize * kSectorsPerBlock);
  while (sectors > 0) {
    const std::uint64_t want = std::min<std::uint64_t>(sectors, kSectorsPerBlock);
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(want * sectorSize));
    const std::size_t got = static_cast<std::size_t>(in.gcount()) / sectorSize;
    for (std::size_t s = 0; s < got; ++s)
      decoder.Decode(block.data() + s * sectorSize + packsAt, kPacksPerSector);
    if (got < want) return !in.bad();
    sectors -= want;
  }
  return true;
}

int RunRender(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "render", "give exactly one INPUT file");
  const std::string& input = files[0];
  std::string output;
  if (!OutputPath(args, io, "render", output)) return kExitUsage;
  if (args.Has("at") && args.Has("sector"))
    return UsageError(io, "render", "give --at or --sector, not both");

  std::optional<std::uint64_t> limit;
  if (args.Has("sector")) {
    const auto n = ParseInteger(args.Value("sector"), 0, kMaxSectorArgument);
    if (!n) return UsageError(io, "render", "--sector must be a sector count of 0 or more");
    limit = static_cast<std::uint64_t>(*n);
  } else if (args.Has("at")) {
    const auto frames = ParseMsf(args.Value("at"));
    if (!frames) return UsageError(io, "render", "--at must be MM:SS:FF");
    limit = static_cast<std::uint64_t>(*frames);
  }
  std::uint16_t width = 0, height = 0;
  const bool scaled = args.Has("size");
  if (scaled && !ParseSize(args.Value("size"), width, height))
    return UsageError(io, "render",
                      "--size must be WxH, each 1.." + std::to_string(kMaxRenderSide));

  std::error_code ec;
  const auto size = std::filesystem::file_size(input, ec);
  if (ec) return Failure(io, "cannot read \"" + input + "\": " + ec.message());
  const std::optional<SubcodeFormat> format = FormatFromOption(args, size);
  if (!format) return UsageError(io, "render", "--format must be cdg or rws");
  if (const int status = CheckOutput(io, output, args.Has("force"))) return status;

  const std::uint64_t available = SectorCount(size, *format);
  if (limit && *limit > available && !io.quiet)
    io.err << "mosaicer: warning: \"" << input << "\" has only " << available
           << " sectors; rendering after the last\n";

  RgbCanvas screen(kScreenWidth, kScreenHeight);
  TNkCdgDecoder decoder;
  decoder.Attach(&screen);
  decoder.Reset();
  if (!DecodeFile(input, *format, std::min(limit.value_or(available), available), decoder))
    return Failure(io, "cannot read \"" + input + "\"");

  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  const bool saved =
      out && (scaled ? decoder.SaveBitmapScaled(width, height, out) : decoder.SaveBitmap(out));
  out.close();
  if (!saved || !out) return Failure(io, "cannot write \"" + output + "\"");
  return kExitSuccess;
}

}  // namespace

Command RenderCommand() {
  return Command{"render",
                 "mosaicer render INPUT -o FRAME.bmp [--at MM:SS:FF | --sector N] [--size WxH]\n"
                 "                [--format cdg|rws]",
                 "decode the packs of a CDG or RWS file up to a moment and save the screen as BMP",
                 {{"at", 0, true}, {"sector", 0, true}, {"size", 0, true}, {"format", 0, true}},
                 RunRender};
}

}  // namespace mosaicer::cli
