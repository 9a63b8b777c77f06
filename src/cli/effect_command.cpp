#include <filesystem>
#include <iomanip>
#include <ostream>

#include "cli/commands.h"
#include "cli/effect_gaps.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "platform/language.h"

namespace mosaicer::cli {
namespace {

int RunEffect(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "effect", Tr("give exactly one FILE.tlo"));
  const std::string& file = files[0];
  EffectFile effect;
  std::string error;
  if (!ReadEffectFile(file, effect, error)) return Failure(io, error);
  const TTloFile& header = effect.header;
  const TileOrder& order = effect.order;

  io.out << "TitleJ: " << header.TitleJ << "\n"
         << "AuthorJ: " << header.AuthorJ << "\n"
         << "EditedByJ: " << header.EditedByJ << "\n"
         << "CommentJ: " << header.CommentJ << "\n"
         << "TitleE: " << header.TitleE << "\n"
         << "AuthorE: " << header.AuthorE << "\n"
         << "EditedByE: " << header.EditedByE << "\n"
         << "CommentE: " << header.CommentE << "\n"
         << "tiles: " << order.size() << "\n";
  if (!io.quiet) WarnAboutGaps(io, file, effect);
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
                 N_("show the header and the tile order of a display effect"),
                 {},
                 RunEffect,
                 {}};
}

}  // namespace mosaicer::cli
