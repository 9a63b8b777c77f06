// JPEG pictures through libjpeg-turbo: baseline and progressive, grey, YCbCr
// and CMYK, turned as their EXIF orientation says. Used by the picture
// reader; see picture_reader.h for what callers may rely on.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bitmap.h"

namespace mosaicer {

// Decodes a whole JPEG file held in memory into a 24-bit Bitmap. Pictures of
// more than `maxPixels` pixels (after the size limits of every Bitmap) are
// refused before any pixel memory is taken. A file whose data ends early or
// is corrupt is refused, not shown with a grey or garbled part.
BitmapResult DecodeJpeg(std::span<const std::uint8_t> file,
                        std::int64_t maxPixels = kMaxBitmapPixels);

// The EXIF orientation (1 to 8) an APP1 segment's data holds; 1 when it holds
// none or the value is not one of the eight.
int ExifOrientation(std::span<const std::uint8_t> app1);

}  // namespace mosaicer
