// Turns a prepared 16-colour picture into the pack stream that paints it:
// blank sectors, the colour table, a screen clear to the border colour, then
// each tile in the order of the chosen display effect.
#pragma once

#include <cstdint>
#include <vector>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "image/log_palette.h"

namespace mosaicer {

struct AuthoringState;

inline constexpr int kTilePixels = kTileWidth * kTileHeight;  // 72
inline constexpr int kMaxTilePacks = 4;                       // one per bit plane
inline constexpr int kPresetRepeat = 5;                       // six screen-clear packs

using TilePixels = std::uint8_t[kTilePixels];  // 12 rows of 6 colour indices
using PlaneRows = std::uint8_t[kTileHeight];

// repeat+1 (repeat taken modulo 16) MemoryPreset packs filling the screen
// with `colour`; pack k carries repeat number k.
void MakeMemoryPreset(SubCodePack* packs, int& count, int colour, int repeat);
// LoadClutLo (entries 0..7) and LoadClutHi (8..15) from the top four bits of
// each component.
void MakeClut(SubCodePack* packs, int& count, const LogPalette& palette);
// Row symbols of bit `plane` of each pixel: bit 5 is the leftmost pixel.
void ExtractPlaneRows(PlaneRows& rows, int plane, const TilePixels& pixels);
// One tile as 1..4 tile-block packs (no parity yet). Without `optimise`
// always four: LoadTileNor for plane 0 and LoadTileXor for planes 1..3. With
// it, one- and two-colour tiles take one pack, empty planes are left out and
// planes with equal patterns are merged.
void MakeTile(SubCodePack* packs, int& count, int row, int column, const TilePixels& pixels,
              bool optimise);

// Builds the whole pack stream from the state's picture, palette, border
// colour, effect, optimisation mode and blank-sector count, with parity on
// every non-empty pack. The stream is padded to whole sectors. False when the
// state has no 300 x 216 4-bit picture.
bool BuildPackStream(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                     std::vector<std::uint8_t>& stream, std::int64_t& packCount);

}  // namespace mosaicer
