// Feeds arbitrary bytes to the WAV header reader.
#include <span>

#include "authoring/wave_info.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mosaicer::WaveInfo info;
  if (mosaicer::ReadWaveInfo(std::span<const std::uint8_t>(data, size), info) == 1) {
    // What it found must lie inside the file.
    if (info.dataOffset > size || info.dataSize > size - info.dataOffset) __builtin_trap();
  }
  return 0;
}
