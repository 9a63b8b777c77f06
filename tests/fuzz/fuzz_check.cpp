// Feeds arbitrary bytes to the pack checker, as CDG and as RWS sectors.
#include <cstddef>
#include <cstdint>

#include "core/pack_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (auto format : {mosaicer::SubcodeFormat::Cdg, mosaicer::SubcodeFormat::Rws}) {
    mosaicer::PackChecker checker;
    checker.AddBytes(data, size, format);
    const auto& c = checker.Counts();
    if (c.graphicsPacks + c.emptyPacks + c.otherPacks != c.sectors * mosaicer::kPacksPerSector)
      __builtin_trap();
    if (c.repairable + c.unrepairable > c.graphicsPacks + c.otherPacks) __builtin_trap();
  }
  return 0;
}
