// Colour mapping: every pixel of a picture becomes the index of its nearest
// palette colour, optionally with error diffusion so that areas between
// palette colours are dithered.
#pragma once

#include <cstdint>

#include "image/log_palette.h"
#include "platform/bitmap.h"

namespace mosaicer {

// The entry among the first palette.count (at most 256) with the smallest
// city-block distance |R - r| + |G - g| + |B - b|; the lowest index on equal
// distances. 0 when the palette has no entries.
int NearestPaletteIndex(const LogPalette& palette, std::uint8_t r, std::uint8_t g, std::uint8_t b);

// Turns `picture` (any depth) in place into a 4-bit picture whose colour
// table is palette entries 0..15 (count 16). Only the first
// min(palette.count, 16) entries are searched, since a 4-bit pixel cannot
// name any other. The spare low nibble of an odd-width row is 0.
//
// With `diffuse`, the difference between the wanted colour (source plus the
// error passed on to this pixel, unclamped) and the chosen entry is
// multiplied by coefficient * 0.5 and added, truncated toward zero, to the
// pixel on the right and the pixel below; rows run top to bottom, each left
// to right. `coefficient` is the wizard's percentage times 0.01.
//
// Returns false, changing nothing, when `picture` is null or empty.
bool ReduceColours(Bitmap* picture, const LogPalette& palette, bool diffuse, float coefficient);

// What ReduceColours would make of a copy of `source`, without the copy: the
// source is only read. Empty when the source is empty.
Bitmap ReducedCopy(const Bitmap& source, const LogPalette& palette, bool diffuse,
                   float coefficient);

// The same for the top-left `width` x `height` pixels of `source` only
// (clamped to its size). Errors flow only right and down, so every pixel of
// that rectangle comes out exactly as in the whole picture's reduction; the
// rest of the picture is never looked at. Empty when nothing is left.
Bitmap ReducedCopy(const Bitmap& source, const LogPalette& palette, bool diffuse,
                   float coefficient, int width, int height);

}  // namespace mosaicer
