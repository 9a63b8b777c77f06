// PNG pictures through libpng: every colour type and depth, interlaced or
// not. Used by the picture reader; see picture_reader.h for what callers may
// rely on.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bitmap.h"

namespace mosaicer {

// Decodes a whole PNG file held in memory: a 4-bit Bitmap for a palette of
// at most 16 colours, 24 bits otherwise, transparency laid on black, samples
// as stored (16-bit ones rounded to 8 bits, no gamma applied, as for BMP
// files). Pictures of more than `maxPixels` pixels, or outside the Bitmap
// limits, are refused before any pixel memory is taken.
BitmapResult DecodePng(std::span<const std::uint8_t> file,
                       std::int64_t maxPixels = kMaxBitmapPixels);

}  // namespace mosaicer
