#include "authoring/encoder.h"

#include <algorithm>
#include <cstring>

#include "authoring/authoring_state.h"
#include "effects/tile_order.h"

namespace mosaicer {
namespace {

constexpr int kPlanes = 4;
constexpr std::uint8_t kAllPixels = 0x3F;  // a row symbol with all six bits set
constexpr int kRepeatModulus = 16;
constexpr int kClutHalf = 8;
constexpr std::uint8_t kLowNibble = 0x0F;

// Data symbol positions of a tile block.
constexpr int kColour0 = 0;
constexpr int kColour1 = 1;
constexpr int kTileRow = 2;
constexpr int kTileColumn = 3;
constexpr int kRowSymbols = 4;  // Data[4..15]: the twelve pixel rows

void InitTilePack(SubCodePack& pack, int row, int column, std::uint8_t colour0,
                  std::uint8_t colour1) {
  InitPack(pack, kLoadTileNor);
  pack.Data[kColour0] = colour0;
  pack.Data[kColour1] = colour1;
  pack.Data[kTileRow] = static_cast<std::uint8_t>(row);
  pack.Data[kTileColumn] = static_cast<std::uint8_t>(column);
}

bool SameRows(const SubCodePack& a, const SubCodePack& b) {
  return std::memcmp(a.Data + kRowSymbols, b.Data + kRowSymbols, kTileHeight) == 0;
}

// The six pixels of row `y` of tile column `c`: bytes 3c..3c+2 of the scan
// line, high nibble first.
void ReadTile(const Bitmap& picture, int column, int row, TilePixels& pixels) {
  for (int i = 0; i < kTileHeight; ++i) {
    const std::uint8_t* line = picture.ScanLine(row * kTileHeight + i) + column * kTileWidth / 2;
    for (int j = 0; j < kTileWidth; ++j) {
      const std::uint8_t byte = line[j / 2];
      pixels[i * kTileWidth + j] = j % 2 == 0 ? byte >> 4 : byte & kLowNibble;
    }
  }
}

class PackWriter {
 public:
  PackWriter(std::vector<std::uint8_t>& stream, const TSubCodeErrorCorrect& ecc)
      : stream_(stream), ecc_(ecc) {}

  void Blank(std::size_t packs) { stream_.resize(stream_.size() + packs * kPackSize, 0); }
  void WithParity(SubCodePack* packs, int count) {
    for (int i = 0; i < count; ++i) {
      ecc_.ComputeQ(packs[i].bytes());
      ecc_.ComputeP(packs[i].bytes());
      stream_.insert(stream_.end(), packs[i].bytes(), packs[i].bytes() + kPackSize);
    }
  }
  std::size_t Packs() const { return stream_.size() / kPackSize; }

 private:
  std::vector<std::uint8_t>& stream_;
  const TSubCodeErrorCorrect& ecc_;
};

}  // namespace

void MakeMemoryPreset(SubCodePack* packs, int& count, int colour, int repeat) {
  count = repeat % kRepeatModulus + 1;
  for (int k = 0; k < count; ++k) {
    InitPack(packs[k], kMemoryPreset);
    packs[k].Data[0] = static_cast<std::uint8_t>(colour & kLowNibble);
    packs[k].Data[1] = static_cast<std::uint8_t>(k);
  }
}

void MakeClut(SubCodePack* packs, int& count, const LogPalette& palette) {
  for (int half = 0; half < 2; ++half) {
    SubCodePack& pack = packs[half];
    InitPack(pack, half == 0 ? kLoadClutLo : kLoadClutHi);
    for (int k = 0; k < kClutHalf; ++k) {
      const PaletteEntry& e = palette.entries[half * kClutHalf + k];
      EncodeColour(ToRgb4(e.r, e.g, e.b), pack.Data[2 * k], pack.Data[2 * k + 1]);
    }
  }
  count = 2;
}

void ExtractPlaneRows(PlaneRows& rows, int plane, const TilePixels& pixels) {
  for (int i = 0; i < kTileHeight; ++i) {
    std::uint8_t symbol = 0;
    for (int j = 0; j < kTileWidth; ++j)
      if ((pixels[i * kTileWidth + j] >> plane) & 1) symbol |= static_cast<std::uint8_t>(0x20 >> j);
    rows[i] = symbol;
  }
}

void MakeTile(SubCodePack* packs, int& count, int row, int column, const TilePixels& pixels,
              bool optimise) {
  ClearPacks(packs, kMaxTilePacks);
  count = 0;
  if (optimise) {
    std::uint8_t sorted[kTilePixels];
    std::copy(pixels, pixels + kTilePixels, sorted);
    std::sort(sorted, sorted + kTilePixels);
    int distinct = 1;
    for (int i = 1; i < kTilePixels; ++i)
      if (sorted[i] != sorted[i - 1]) ++distinct;
    const std::uint8_t lo = sorted[0], hi = sorted[kTilePixels - 1];
    if (distinct <= 2) {
      // One colour paints everything as colour 1 over colour 0 = 0.
      InitTilePack(packs[0], row, column, distinct == 1 ? 0 : lo, hi);
      for (int i = 0; i < kTileHeight; ++i) {
        std::uint8_t symbol = 0;
        for (int j = 0; j < kTileWidth; ++j)
          if (pixels[i * kTileWidth + j] != lo) symbol |= static_cast<std::uint8_t>(0x20 >> j);
        packs[0].Data[kRowSymbols + i] = distinct == 1 ? kAllPixels : symbol;
      }
      count = 1;
      return;
    }
  }

  for (int plane = 0; plane < kPlanes; ++plane) {
    PlaneRows rows;
    ExtractPlaneRows(rows, plane, pixels);
    if (optimise && std::all_of(rows, rows + kTileHeight, [](std::uint8_t s) { return s == 0; }))
      continue;
    SubCodePack& pack = packs[count++];
    InitTilePack(pack, row, column, 0, static_cast<std::uint8_t>(1 << plane));
    pack.Instruction = kLoadTileXor;
    std::copy(rows, rows + kTileHeight, pack.Data + kRowSymbols);
  }
  // The first pack sets the tile; the others XOR their planes in.
  if (count > 0) packs[0].Instruction = kLoadTileNor;

  if (optimise && count >= 2) {
    // Planes with the same pattern become one pack: their bits are distinct,
    // so OR-ing them into colour 1 is the same as XOR-ing both.
    for (int i = 0; i < count - 1; ++i) {
      for (int j = i + 1; j < count;) {
        if (!SameRows(packs[i], packs[j])) {
          ++j;
          continue;
        }
        packs[i].Data[kColour1] |= packs[j].Data[kColour1];
        std::copy(packs + j + 1, packs + count, packs + j);
        --count;
        ClearPacks(packs + count, 1);
      }
    }
  }
}

bool BuildPackStream(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                     std::vector<std::uint8_t>& stream, std::int64_t& packCount) {
  const Bitmap& picture = state.picture;
  if (picture.Width() != kScreenWidth || picture.Height() != kScreenHeight ||
      picture.BitsPerPixel() != 4)
    return false;

  TileOrder order;
  if (!state.effectFile.empty()) order = ReadTileOrder(state.effectFile);
  if (order.empty()) order = DefaultTileOrder();

  const int mode =
      state.optimize >= kOptimizeNone && state.optimize <= kOptimizeFull ? state.optimize : 0;
  const int blank = std::clamp(state.blank, 0, kMaxBlankSectors);

  stream.clear();
  stream.reserve((blank + 2 + order.size()) * kSubcodeBytesPerSector);
  PackWriter out(stream, ecc);
  out.Blank(static_cast<std::size_t>(blank) * kPacksPerSector);

  SubCodePack packs[2 * kMaxTilePacks];
  int count = 0;
  MakeClut(packs, count, state.palette);
  out.WithParity(packs, count);
  MakeMemoryPreset(packs, count, state.borderIndex, kPresetRepeat);
  out.WithParity(packs, count);

  TilePixels pixels;
  for (const TileOrderEntry& tile : order) {
    ReadTile(picture, tile.Col, tile.Row, pixels);
    MakeTile(packs, count, tile.Row, tile.Col, pixels, mode != kOptimizeNone);
    out.WithParity(packs, count);
    if (mode == kOptimizeTile && count % kPacksPerSector != 0)
      out.Blank(kPacksPerSector - count % kPacksPerSector);
  }
  if (out.Packs() % kPacksPerSector != 0)
    out.Blank(kPacksPerSector - out.Packs() % kPacksPerSector);
  packCount = static_cast<std::int64_t>(out.Packs());
  return true;
}

}  // namespace mosaicer
