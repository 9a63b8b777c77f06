#include "effects/tile_order.h"

#include <filesystem>
#include <system_error>

#include "core/subcode_pack.h"
#include "effects/tlo_file.h"

namespace mosaicer {
namespace {

constexpr const char* kInfo = "Info";

// Keeps the low 16 bits, then clamps to the last column or row, so negative
// values end there too.
std::uint16_t Clamp(std::int64_t value, int last) {
  const auto v = static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFF);
  return v > last ? static_cast<std::uint16_t>(last) : v;
}

}  // namespace

TileOrder DefaultTileOrder() {
  TileOrder order;
  order.reserve(kInnerColumns * kInnerRows);
  for (int k = 0; k < kInnerColumns * kInnerRows; ++k)
    order.push_back(TileOrderEntry{static_cast<std::uint16_t>(1 + k % kInnerColumns),
                                   static_cast<std::uint16_t>(1 + k / kInnerColumns)});
  return order;
}

TileOrder ReadTileOrder(const std::string& fileName, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec) && !ec) return DefaultTileOrder();

  IniFile ini;
  if (!LoadTloText(fileName, ini, error)) return {};
  return ReadTileOrder(ini, error);
}

TileOrder ReadTileOrder(IniFile& ini, std::string* error, std::vector<std::size_t>* missingSteps) {
  if (missingSteps) missingSteps->clear();
  std::int64_t steps = ini.ReadInteger(kInfo, "NumTiles", 0);
  if (steps > kMaxTileSteps) {
    if (error) *error = "the tile count " + std::to_string(steps) + " is too large";
    return {};
  }
  if (steps < 0) steps = 0;
  ini.ForgetSection(kInfo);

  // Each section is forgotten once read, so no look-up meets it again.
  TileOrder order(static_cast<std::size_t>(steps));
  for (std::int64_t i = 0; i < steps; ++i) {
    const std::string section = std::to_string(i);
    TileOrderEntry& e = order[static_cast<std::size_t>(i)];
    if (missingSteps && !(ini.HasKey(section, "Col") && ini.HasKey(section, "Row")))
      missingSteps->push_back(static_cast<std::size_t>(i));
    e.Col = Clamp(ini.ReadInteger(section, "Col", 0), kTileColumns - 1);
    e.Row = Clamp(ini.ReadInteger(section, "Row", 0), kTileRows - 1);
    ini.ForgetSection(section);
  }
  return order;
}

}  // namespace mosaicer

namespace mosaicer {

std::vector<TileOrderEntry> UnpaintedTiles(const TileOrder& order) {
  bool painted[kTileRows][kTileColumns] = {};
  for (const TileOrderEntry& e : order)
    if (e.Col < kTileColumns && e.Row < kTileRows) painted[e.Row][e.Col] = true;
  std::vector<TileOrderEntry> unpainted;
  for (const TileOrderEntry& e : DefaultTileOrder())
    if (!painted[e.Row][e.Col]) unpainted.push_back(e);
  return unpainted;
}

std::vector<NumberRange> ToRanges(const std::vector<std::size_t>& sortedNumbers) {
  std::vector<NumberRange> ranges;
  for (const std::size_t n : sortedNumbers) {
    if (!ranges.empty() && ranges.back().last + 1 == n) {
      ranges.back().last = n;
    } else {
      ranges.push_back(NumberRange{n, n});
    }
  }
  return ranges;
}

}  // namespace mosaicer
