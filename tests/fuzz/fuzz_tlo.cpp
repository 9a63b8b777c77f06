// Feeds arbitrary bytes to the effect-file reader: decoding, header, tile
// order and the steps and tiles the order leaves out.
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "fuzz_target.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mosaicer::IniFile ini(mosaicer::Cp932ToUtf8(bytes));
  const mosaicer::TTloFile header("fuzz.tlo", ini);
  std::vector<std::size_t> missing;
  const mosaicer::TileOrder order = mosaicer::ReadTileOrder(ini, nullptr, &missing);
  for (const auto& e : order)
    if (e.Col > 49 || e.Row > 17) __builtin_trap();
  for (std::size_t i = 0; i < missing.size(); ++i)
    if (missing[i] >= order.size() || (i > 0 && missing[i] <= missing[i - 1])) __builtin_trap();
  std::size_t inRanges = 0;
  for (const auto& r : mosaicer::ToRanges(missing)) inRanges += r.last - r.first + 1;
  if (inRanges != missing.size()) __builtin_trap();
  for (const auto& e : mosaicer::UnpaintedTiles(order))
    if (e.Col < 1 || e.Col > 48 || e.Row < 1 || e.Row > 16) __builtin_trap();
  (void)mosaicer::FormatTloFile(header, order);
  return 0;
}
