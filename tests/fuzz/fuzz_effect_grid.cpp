// Feeds arbitrary bytes to the effect editor's reader, then checks and
// saves what it filled in, as a user opening any file and pressing Save would.
#include "effects/effect_grid.h"
#include "fuzz_target.h"
#include "platform/cp932.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mosaicer::IniFile ini(mosaicer::Cp932ToUtf8(bytes));
  mosaicer::EffectGrid grid;
  if (!grid.Open(ini)) return 0;
  (void)grid.CheckSteps();
  const mosaicer::TileOrder order = grid.Order();
  for (const auto& e : order)
    if (e.Col > 49 || e.Row > 17) __builtin_trap();
  (void)grid.Header();
  return 0;
}
