#include "core/subcode_pack.h"

#include <cstring>

namespace mosaicer {

void ClearPacks(SubCodePack* packs, std::size_t n) {
  if (n > 0) std::memset(packs, 0, n * kPackSize);
}

void InitPack(SubCodePack& pack, std::uint8_t instruction) {
  ClearPacks(&pack, 1);
  pack.Command = kCommandGraphics;
  pack.Instruction = instruction;
}

bool IsEmptyPack(const std::uint8_t* pack) {
  for (std::size_t i = 0; i < kPackSize; ++i)
    if (pack[i] != 0) return false;
  return true;
}

bool IsGraphicsPack(const std::uint8_t* pack) {
  return (pack[kCommandIndex] & kSymbolMask) == kCommandGraphics;
}

void EncodeColour(Rgb4 c, std::uint8_t& first, std::uint8_t& second) {
  first = static_cast<std::uint8_t>(((c.r & 0x0F) << 2) | ((c.g & 0x0F) >> 2));
  second = static_cast<std::uint8_t>(((c.g & 0x03) << 4) | (c.b & 0x0F));
}

Rgb4 DecodeColour(std::uint8_t first, std::uint8_t second) {
  Rgb4 c;
  c.r = static_cast<std::uint8_t>((first >> 2) & 0x0F);
  c.g = static_cast<std::uint8_t>(((first & 0x03) << 2) | ((second >> 4) & 0x03));
  c.b = static_cast<std::uint8_t>(second & 0x0F);
  return c;
}

Rgb4 ToRgb4(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Rgb4{static_cast<std::uint8_t>(r >> 4), static_cast<std::uint8_t>(g >> 4),
              static_cast<std::uint8_t>(b >> 4)};
}

std::uint8_t TileRowSymbol(const std::uint8_t (&bits)[kTileWidth]) {
  std::uint8_t symbol = 0;
  for (int x = 0; x < kTileWidth; ++x)
    if (bits[x]) symbol |= static_cast<std::uint8_t>(0x20 >> x);
  return symbol;
}

std::uint64_t CdgFileSize(std::uint64_t sectors) { return sectors * kCdgSectorSize; }
std::uint64_t RwsFileSize(std::uint64_t sectors) { return sectors * kSubcodeBytesPerSector; }

std::size_t SectorSize(SubcodeFormat format) {
  return format == SubcodeFormat::Cdg ? kCdgSectorSize : kSubcodeBytesPerSector;
}

SubcodeFormat GuessFormat(std::uint64_t fileSize) {
  if (fileSize % kCdgSectorSize == 0) return SubcodeFormat::Cdg;
  if (fileSize % kSubcodeBytesPerSector == 0) return SubcodeFormat::Rws;
  return SubcodeFormat::Cdg;
}

std::uint64_t SectorCount(std::uint64_t fileSize, SubcodeFormat format) {
  return fileSize / SectorSize(format);
}

}  // namespace mosaicer
