#include <filesystem>
#include <iomanip>
#include <ostream>

#include "cli/commands.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"

namespace mosaicer::cli {
namespace {

int RunEffect(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "effect", "give exactly one FILE.tlo");
  const std::string& file = files[0];
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    return Failure(io, "cannot open \"" + file + "\"");

  const TTloFile header(file);
  if (!header.Valid)
    return Failure(io, "\"" + file + "\" is not an effect file (no TloVersion in [Info])");
  std::string error;
  const TileOrder order = ReadTileOrder(file, &error);

  io.out << "TitleJ: " << header.TitleJ << "\n"
         << "AuthorJ: " << header.AuthorJ << "\n"
         << "EditedByJ: " << header.EditedByJ << "\n"
         << "CommentJ: " << header.CommentJ << "\n"
         << "TitleE: " << header.TitleE << "\n"
         << "AuthorE: " << header.AuthorE << "\n"
         << "EditedByE: " << header.EditedByE << "\n"
         << "CommentE: " << header.CommentE << "\n"
         << "tiles: " << order.size() << "\n";
  if (!error.empty()) return Failure(io, "cannot read the tiles of \"" + file + "\": " + error);
  if (!order.empty()) io.out << "step col row\n";
  for (std::size_t i = 0; i < order.size(); ++i)
    io.out << std::setw(4) << i + 1 << std::setw(4) << order[i].Col << std::setw(4) << order[i].Row
           << "\n";
  return kExitSuccess;
}

}  // namespace

Command EffectCommand() {
  return Command{"effect",
                 "mosaicer effect FILE.tlo",
                 "show the header and the tile order of a display effect",
                 {},
                 RunEffect};
}

}  // namespace mosaicer::cli
