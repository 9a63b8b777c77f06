// Feeds arbitrary bytes to the effect-file reader: decoding, header and
// tile order.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mosaicer::IniFile ini(mosaicer::Cp932ToUtf8(bytes));
  const mosaicer::TTloFile header("fuzz.tlo", ini);
  const mosaicer::TileOrder order = mosaicer::ReadTileOrder(ini);
  for (const auto& e : order)
    if (e.Col > 49 || e.Row > 17) __builtin_trap();
  (void)mosaicer::FormatTloFile(header, order);
  return 0;
}
