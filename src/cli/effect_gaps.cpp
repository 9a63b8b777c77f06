#include "cli/effect_gaps.h"

#include <ostream>

#include "platform/io_status.h"

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
    io.err << "mosaicer: warning: " << IoStatus::Quoted(file) << " lacks steps "
           << StepList(effect.missingSteps) << " of " << effect.order.size()
           << "; they paint tile 0,0\n";
  if (!effect.unpaintedTiles.empty()) {
    io.err << "mosaicer: warning: " << IoStatus::Quoted(file) << " never paints "
           << effect.unpaintedTiles.size() << " of the picture's tiles (col,row:";
    for (std::size_t i = 0; i < effect.unpaintedTiles.size() && i < kTilesListed; ++i)
      io.err << " " << effect.unpaintedTiles[i].Col << "," << effect.unpaintedTiles[i].Row;
    if (effect.unpaintedTiles.size() > kTilesListed) io.err << " ...";
    io.err << ")\n";
  }
}

}  // namespace mosaicer::cli
