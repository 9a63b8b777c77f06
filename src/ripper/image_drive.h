// Disc images the ripper takes wherever it takes a drive: CloneCD (.ccd),
// cdrdao (.toc) and CUE (.cue) sheets, told apart by their extension.
#pragma once

#include <memory>
#include <string>

#include "ripper/disc_image.h"

namespace mosaicer {

// Whether `name` ends in .ccd, .toc or .cue (in any case).
bool IsDiscImageName(const std::string& name);

// Opens the image `path` as its extension says. Null, with `error` naming
// the file at fault and why, when it cannot be opened.
std::unique_ptr<DiscImage> OpenDiscImage(const std::string& path, std::string& error);

}  // namespace mosaicer
