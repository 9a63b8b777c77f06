#include "image/pal_file.h"

#include <climits>

#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kKeepOffset = 2;
constexpr std::size_t kEntriesOffset = 4;
constexpr std::size_t kEntrySize = 4;
constexpr std::uint16_t kLowByte = 0xFF;

void PutUint16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value & kLowByte);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> CHAR_BIT);
}

std::uint16_t GetUint16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << CHAR_BIT));
}

}  // namespace

std::vector<std::uint8_t> FormatPalFile(const PaletteColours& colours, int keep) {
  std::vector<std::uint8_t> bytes(kPalFileSize, 0);
  PutUint16(bytes, kVersionOffset, kLogPaletteVersion);
  PutUint16(bytes, kKeepOffset, static_cast<std::uint16_t>(keep));
  std::size_t at = kEntriesOffset;
  for (const Rgb& c : colours) {
    bytes[at] = c.r;
    bytes[at + 1] = c.g;
    bytes[at + 2] = c.b;
    bytes[at + 3] = kPaletteEntryFlags;
    at += kEntrySize;
  }
  return bytes;
}

IoStatus WritePalFile(const std::filesystem::path& path, const PaletteColours& colours, int keep) {
  return WriteWholeFile(path, FormatPalFile(colours, keep));
}

PalFileContents ParsePalFile(std::span<const std::uint8_t> bytes) {
  PalFileContents contents;
  if (bytes.size() < kPalFileUsedSize) return contents;
  if (GetUint16(bytes, kVersionOffset) != kLogPaletteVersion) {
    contents.status = PalFileStatus::WrongVersion;
    return contents;
  }
  contents.keep = GetUint16(bytes, kKeepOffset);
  std::size_t at = kEntriesOffset;
  for (PaletteEntry& e : contents.entries) {
    e = PaletteEntry{bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
    at += kEntrySize;
  }
  contents.status = PalFileStatus::Loaded;
  return contents;
}

PalFileContents ReadPalFile(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(path, bytes, kMaxPalFileBytes); !read) {
    PalFileContents contents;
    contents.error = read.error();
    return contents;
  }
  return ParsePalFile(bytes);
}

}  // namespace mosaicer
