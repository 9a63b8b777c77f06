// The CD+G pack, the screen it draws on, the timing units and the two file
// layouts (CDG: 2448-byte sectors of audio + subcode; RWS: bare subcode).
// Everything that produces or reads packs relies on these definitions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mosaicer {

// Sizes of packs and sectors.
inline constexpr std::size_t kPackSize = 24;
inline constexpr std::size_t kPacksPerSector = 4;
inline constexpr std::size_t kSubcodeBytesPerSector = kPackSize * kPacksPerSector;  // 96
inline constexpr std::size_t kAudioBytesPerSector = 2352;
inline constexpr std::size_t kCdgSectorSize =
    kAudioBytesPerSector + kSubcodeBytesPerSector;  // 2448
inline constexpr int kSectorsPerSecond = 75;
inline constexpr int kPacksPerSecond = kSectorsPerSecond * static_cast<int>(kPacksPerSector);

// Screen and tile geometry.
inline constexpr int kScreenWidth = 300;
inline constexpr int kScreenHeight = 216;
inline constexpr int kTileWidth = 6;
inline constexpr int kTileHeight = 12;
inline constexpr int kTileColumns = 50;
inline constexpr int kTileRows = 18;
inline constexpr int kTileCount = kTileColumns * kTileRows;  // 900
inline constexpr int kVisibleWidth = 288;
inline constexpr int kVisibleHeight = 192;
inline constexpr int kVisibleLeft = 6;
inline constexpr int kVisibleTop = 12;
inline constexpr int kInnerColumns = kVisibleWidth / kTileWidth;  // 48
inline constexpr int kInnerRows = kVisibleHeight / kTileHeight;   // 16
inline constexpr int kColourCount = 16;

// Symbols and instructions.
inline constexpr std::uint8_t kSymbolMask = 0x3F;
inline constexpr std::uint8_t kCommandGraphics = 0x09;

enum Instruction : std::uint8_t {
  kMemoryPreset = 1,
  kBorderPreset = 2,
  kLoadTileNor = 6,
  kScrollPreset = 20,
  kScrollCopy = 24,
  kDefTransColor = 28,
  kLoadClutLo = 30,
  kLoadClutHi = 31,
  kLoadTileXor = 38,
};

// Byte positions inside a pack.
inline constexpr std::size_t kCommandIndex = 0;
inline constexpr std::size_t kInstructionIndex = 1;
inline constexpr std::size_t kParityQIndex = 2;
inline constexpr std::size_t kDataIndex = 4;
inline constexpr std::size_t kDataSize = 16;
inline constexpr std::size_t kParityPIndex = 20;

// One pack, one 6-bit symbol per byte. Standard layout, no padding: an array
// of packs is the pack stream exactly as it is stored in a file.
struct SubCodePack {
  std::uint8_t Command;
  std::uint8_t Instruction;
  std::uint8_t ParityQ[2];
  std::uint8_t Data[kDataSize];
  std::uint8_t ParityP[4];

  std::uint8_t* bytes() { return &Command; }
  const std::uint8_t* bytes() const { return &Command; }
};
static_assert(sizeof(SubCodePack) == kPackSize);

// Zeroes n consecutive packs.
void ClearPacks(SubCodePack* packs, std::size_t n);
// Zeroes a pack, then makes it a graphics pack with the given instruction.
void InitPack(SubCodePack& pack, std::uint8_t instruction);

// True when the pack is 24 zero bytes.
bool IsEmptyPack(const std::uint8_t* pack);
// True when the pack's command symbol (bits 7..6 ignored) says graphics.
bool IsGraphicsPack(const std::uint8_t* pack);

// Colour-table entries: 4 bits per component, two symbols per colour.
struct Rgb4 {
  std::uint8_t r = 0, g = 0, b = 0;  // 0..15 each
};
void EncodeColour(Rgb4 colour, std::uint8_t& first, std::uint8_t& second);
Rgb4 DecodeColour(std::uint8_t first, std::uint8_t second);
// The 4-bit colour CD+G shows for an 8-bit colour.
Rgb4 ToRgb4(std::uint8_t r, std::uint8_t g, std::uint8_t b);

// The row symbol of a tile row: bit 5 is the leftmost of its six pixels.
// `bits` holds one 0/1 value per pixel, left to right.
std::uint8_t TileRowSymbol(const std::uint8_t (&bits)[kTileWidth]);

// File layouts.
enum class SubcodeFormat { Cdg, Rws };
std::uint64_t CdgFileSize(std::uint64_t sectors);
std::uint64_t RwsFileSize(std::uint64_t sectors);
std::size_t SectorSize(SubcodeFormat format);
// Guesses the layout of a file from its size alone: a size that is a
// multiple of 2448 is a CDG file, otherwise a multiple of 96 is an RWS file.
// Anything else is taken as CDG (its tail is then an incomplete sector).
// An RWS file of 51 × k sectors passes for CDG here; DecideSubcodeFormat
// (core/format_decision.h) looks at the content too.
SubcodeFormat GuessFormat(std::uint64_t fileSize);
// Sectors of the subcode part of the file: a trailing partial sector is
// not counted.
std::uint64_t SectorCount(std::uint64_t fileSize, SubcodeFormat format);

}  // namespace mosaicer
