// Feeds arbitrary bytes to the WAV header reader.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "authoring/wave_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  mosaicer::WaveInfo info;
  if (mosaicer::ReadWaveInfo(in, size, info) == 1) {
    // What it found must lie inside the file.
    if (info.dataOffset > size || info.dataSize > size - info.dataOffset) __builtin_trap();
  }
  return 0;
}
