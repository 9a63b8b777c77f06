// .pal palette files: 1028 bytes, little-endian, laid out like the
// in-memory palette:
//   0    2    version, 0x0300
//   2    2    the number of kept colours K at the time of saving (0..15)
//   4    64   entries 0..15: red, green, blue, flags (1)
//   68   960  entries 16..255, zero
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "image/log_palette.h"
#include "platform/bitmap.h"
#include "platform/io_status.h"

namespace mosaicer {

inline constexpr std::size_t kPalFileSize = 4 + 4 * kPaletteSize;  // 1028
// Header and the 16 used entries: the part a reader needs.
inline constexpr std::size_t kPalFileUsedSize = 4 + 4 * kUsedPaletteEntries;  // 68

using PaletteColours = std::array<Rgb, kUsedPaletteEntries>;

// The file's bytes for the 16 colours and K. K is stored as its low 16 bits.
std::vector<std::uint8_t> FormatPalFile(const PaletteColours& colours, int keep);
// Creates or replaces the file. False when it cannot be written.
IoStatus WritePalFile(const std::filesystem::path& path, const PaletteColours& colours, int keep);

enum class PalFileStatus {
  Loaded,        // entries and keep are valid
  WrongVersion,  // not a 0x0300 palette: callers ignore it without a word
  Unreadable,    // cannot be read, or shorter than kPalFileUsedSize bytes
};

struct PalFileContents {
  PalFileStatus status = PalFileStatus::Unreadable;
  std::array<PaletteEntry, kUsedPaletteEntries> entries{};  // as stored, flags included
  int keep = 0;                                             // the file's K, for information only
  std::string error;  // why an unreadable file could not be read, when it could not be opened
};

// A palette file is a few dozen bytes; anything past this is not one.
inline constexpr std::uint64_t kMaxPalFileBytes = 64 * 1024;

// Parses a file's bytes. Bytes past the 16 used entries are not looked at,
// so a file cut short after them still loads; one that ends sooner lacks
// colours and is refused as unreadable rather than half applied.
PalFileContents ParsePalFile(std::span<const std::uint8_t> bytes);
PalFileContents ReadPalFile(const std::filesystem::path& path);

}  // namespace mosaicer
