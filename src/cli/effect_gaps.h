// The warning an effect gets when its order leaves steps out (a truncated
// file) or never paints some of the picture's tiles.
#pragma once

#include <string>

#include "cli/commands.h"
#include "effects/tlo_file.h"

namespace mosaicer::cli {

// Prints nothing for a whole effect.
void WarnAboutGaps(Io& io, const std::string& file, const EffectFile& effect);

}  // namespace mosaicer::cli
