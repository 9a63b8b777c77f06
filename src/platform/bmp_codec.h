// Reading and writing Windows BMP files.
//
// The reader takes the OS/2 core header (12 bytes) and the Windows info
// headers of 40, 52, 56, 108 and 124 bytes; uncompressed 1, 4, 8, 16, 24 and
// 32-bit pixels, RLE8, RLE4, and bit-field masks at 16 and 32 bits; rows
// stored bottom-up or top-down. 1, 4 and 8-bit files keep their depth and
// palette; 16, 24 and 32-bit files become 24-bit bitmaps (alpha is dropped).
// Input is untrusted: every size and offset is checked before use and
// nothing outside the buffer is read.
//
// RLE data must end with the end-of-bitmap marker, or after the end-of-line
// of the last row; data that stops sooner is an error rather than a picture
// with a missing bottom part. Pixels skipped by a delta or an early
// end-of-line / end-of-bitmap are index 0.
//
// The writer stores 1, 4, 8 and 24-bit bitmaps uncompressed, bottom-up, with
// a BITMAPINFOHEADER, the full 2^bits palette (biClrUsed says so; the
// reserved byte of each entry is written as 0) and a resolution of 72 dpi.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/io_status.h"

namespace mosaicer {

// Decodes a whole BMP file held in memory.
BitmapResult ReadBmp(std::span<const std::uint8_t> file);
inline BitmapResult ReadBmp(const std::uint8_t* data, std::size_t size) {
  return ReadBmp(std::span<const std::uint8_t>(data, size));
}
BitmapResult ReadBmpFile(const std::filesystem::path& path);

// The BMP file for `bitmap`; empty when the bitmap is empty.
std::vector<std::uint8_t> WriteBmp(const Bitmap& bitmap);
// Replaces the file only when every byte was written.
IoStatus WriteBmpFile(const Bitmap& bitmap, const std::filesystem::path& path);

}  // namespace mosaicer
