// Reading pictures of every kind this program takes: BMP (through the
// project's own codec, unchanged), PNG (libpng) and JPEG (libjpeg-turbo).
// The kind is told from the file's first bytes, never from its name.
//
// What callers may rely on:
//   - a PNG or JPEG becomes a 24-bit Bitmap, except a PNG with a palette of at
//     most 16 colours, which becomes a 4-bit Bitmap with that palette (so it
//     is handled as a 4-bit BMP would be);
//   - transparent and partly transparent pixels are laid on black;
//   - PNG: every colour type and depth, interlaced or not; samples as stored
//     (16-bit ones rounded to 8 bits; no gamma applied, as for BMP files);
//   - JPEG: baseline and progressive, grey, YCbCr and CMYK (Adobe's inverted
//     CMYK included); the EXIF orientation is applied;
//   - the picture's size is checked against the Bitmap limits before any
//     pixel memory is taken;
//   - a damaged or unknown file gives an error that names the file and what
//     is wrong; nothing is ever half-read into a picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/bitmap.h"

namespace mosaicer {

enum class PictureKind { Unknown, Bmp, Png, Jpeg };

// The kind of picture the first bytes of a file announce.
PictureKind SniffPicture(std::span<const std::uint8_t> head);

// Decodes a whole picture file held in memory. The error does not name a
// file (ReadPicture adds it). PNG and JPEG pictures of more than `maxPixels`
// pixels are refused before their pixels are decoded.
BitmapResult DecodePicture(std::span<const std::uint8_t> file,
                           std::int64_t maxPixels = kMaxBitmapPixels);

// Reads the picture file at `path`.
BitmapResult ReadPicture(const std::filesystem::path& path);

}  // namespace mosaicer
