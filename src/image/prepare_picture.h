// The wizard's run without a window, for the command line: the same model
// is driven through its steps with fixed choices, so a picture prepared here
// is identical to one made in the wizard with the same choices.
#pragma once

#include <optional>
#include <string>

#include "image/log_palette.h"
#include "platform/bitmap.h"

namespace mosaicer {

struct PictureOptions {
  int method = 2;  // PalModeCmb position: 0 Rgb3D, 1 Rrggbb1D, 2 Rgbrgb1D
  int bits = 6;    // 4..8
  int keep = 0;    // K, 0..15
  // Entries 0..15 replace the generated palette, as loading a .pal file in
  // step 0 does; with keep > 0 the first K are kept and the rest generated.
  std::optional<LogPalette> palette;
  // Default: reduce unless the picture is 4-bit. A picture of any other
  // depth cannot skip reduction.
  std::optional<bool> reduce;
  bool diffuse = true;
  int strength = 60;  // 1..100 percent
  int originX = 0, originY = 0;
  int border = 0;  // 0..15
};

struct PreparedPicture {
  Bitmap picture;      // 300 x 216, 4 bits, the cut palette as its colour table
  LogPalette palette;  // not cut
  int border = 0;
  std::string error;  // set exactly when nothing was prepared
  bool ok() const { return error.empty(); }
};

// Out-of-range options are clamped as the wizard's controls would; the
// origin is clamped as moving the selection does.
PreparedPicture PreparePicture(const Bitmap& source, const PictureOptions& options);

}  // namespace mosaicer
