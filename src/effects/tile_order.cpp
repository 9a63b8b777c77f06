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

TileOrder ReadTileOrder(IniFile& ini, std::string* error) {
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
    e.Col = Clamp(ini.ReadInteger(section, "Col", 0), kTileColumns - 1);
    e.Row = Clamp(ini.ReadInteger(section, "Row", 0), kTileRows - 1);
    ini.ForgetSection(section);
  }
  return order;
}

}  // namespace mosaicer
