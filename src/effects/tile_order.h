// The order in which an effect paints the tiles of the CD+G screen, read
// from the tile sections of a .tlo file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mosaicer {

struct TileOrderEntry {
  std::uint16_t Col = 0;  // 0..49
  std::uint16_t Row = 0;  // 0..17

  friend bool operator==(const TileOrderEntry&, const TileOrderEntry&) = default;
};

// Step i names the tile painted (i + 1)-th.
using TileOrder = std::vector<TileOrderEntry>;

// Largest step count a file may declare; above it the file is unreadable.
inline constexpr std::int64_t kMaxTileSteps = 65535;

// The 768 inner tiles, row 1 to 16, each row from column 1 to 48.
TileOrder DefaultTileOrder();

// Reads the tile order of an effect file.
//   - a file that does not exist gives DefaultTileOrder();
//   - otherwise N = [Info] NumTiles (missing, negative or no number: 0) and
//     step i comes from section "[i]" (exact decimal text): Col and Row are
//     kept as 16-bit values and clamped to 49 and 17; a missing section or
//     key gives 0;
//   - a file that cannot be read, or declares more than kMaxTileSteps steps,
//     gives an empty order and, when `error` is given, says why.
// Callers decide what an empty order means: the encoder paints
// DefaultTileOrder(), the viewer paints nothing.
TileOrder ReadTileOrder(const std::string& fileName, std::string* error = nullptr);

class IniFile;
// The tile steps of an effect already parsed into `ini`. Consumes the
// sections it reads (see IniFile::ForgetSection). When `missingSteps` is
// given it receives, in increasing order, the steps (indices into the
// order; section "[i]" is step i) whose section or whose Col or Row key is
// absent: a truncated file reads them as tile 0, 0.
TileOrder ReadTileOrder(IniFile& ini, std::string* error = nullptr,
                        std::vector<std::size_t>* missingSteps = nullptr);

// The inner tiles (columns 1..48, rows 1..16) that `order` never paints, in
// the default order's sequence (row by row).
std::vector<TileOrderEntry> UnpaintedTiles(const TileOrder& order);

// A run of consecutive numbers, first and last included.
struct NumberRange {
  std::size_t first = 0;
  std::size_t last = 0;
  friend bool operator==(const NumberRange&, const NumberRange&) = default;
};
// Sorted numbers joined into runs: {2, 3, 4, 9} gives {2..4, 9..9}.
std::vector<NumberRange> ToRanges(const std::vector<std::size_t>& sortedNumbers);

}  // namespace mosaicer
