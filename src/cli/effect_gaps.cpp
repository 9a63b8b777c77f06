#include "cli/effect_gaps.h"

#include <ostream>

#include "platform/io_status.h"
#include "platform/language.h"

namespace mosaicer::cli {
namespace {

constexpr std::size_t kTilesListed = 8;

// "3, 7..12, 40" for steps counted from 1.
std::string StepList(const std::vector<std::size_t>& steps) {
  std::string text;
  for (const NumberRange& r : ToRanges(steps)) {
    if (!text.empty()) text += ", ";
    text += std::to_string(r.first + 1);
    if (r.last != r.first) text += ".." + std::to_string(r.last + 1);
  }
  return text;
}

}  // namespace

void WarnAboutGaps(Io& io, const std::string& file, const EffectFile& effect) {
  if (!effect.missingSteps.empty())
    Warning(io, Format(Tr("%1 lacks steps %2 of %3; they paint tile 0,0"),
                       {IoStatus::Quoted(file), StepList(effect.missingSteps),
                        std::to_string(effect.order.size())}));
  if (!effect.unpaintedTiles.empty()) {
    std::string tiles;
    for (std::size_t i = 0; i < effect.unpaintedTiles.size() && i < kTilesListed; ++i)
      tiles += " " + std::to_string(effect.unpaintedTiles[i].Col) + "," +
               std::to_string(effect.unpaintedTiles[i].Row);
    if (effect.unpaintedTiles.size() > kTilesListed) tiles += " ...";
    Warning(io, Format(Tr("%1 never paints %2 of the picture's tiles (col,row:%3)"),
                       {IoStatus::Quoted(file), std::to_string(effect.unpaintedTiles.size()),
                        tiles}));
  }
}

}  // namespace mosaicer::cli
