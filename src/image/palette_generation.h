// Palette generation: up to 16 - K new colours for a picture by median cuts
// over its quantised colour population. New colours are cut points, not
// averages, so a colour made at 4 bits per channel is exactly what CD+G
// shows.
#pragma once

#include "image/log_palette.h"
#include "platform/bitmap.h"

namespace mosaicer {

// The three ways of cutting the colours. The numbers are what the wizard
// passes: its method combo position plus one.
enum class PaletteMethod : int {
  Rgb3D = 1,     // three marginal medians of the fullest box, eight children per cut
  Rrggbb1D = 2,  // medians along keys r·2^2b + g·2^b + b
  Rgbrgb1D = 3,  // medians along keys whose bits interleave r, g, b from the top
};

inline constexpr int kMinPaletteBits = 1;
inline constexpr int kMaxPaletteBits = 8;

// Quantises every pixel of `picture` (any depth) to `bits` bits per channel
// and writes the new colours, flags 1, into entries start, start + 1, ... in
// the order they are found, adding one to palette.count for each. Entries
// before `start` are not changed; the 1D methods never repeat one of their
// colours (kept entries included), Rgb3D ignores the kept entries.
//
// Returns false, with the palette unchanged, when `picture` is null or
// empty, `bits` is not 1..8 or `method` is not 1..3. Otherwise returns true;
// nothing is written when start..start + count - 1 does not lie inside the
// 256 entries, and fewer than `count` colours are written when the picture
// runs out of colours to cut.
//
// Memory: 2^(3 bits) 32-bit counters, 64 MiB at 8 bits.
bool GeneratePalette(const Bitmap* picture, int method, LogPalette& palette, int start, int count,
                     int bits);

}  // namespace mosaicer
