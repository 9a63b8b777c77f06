// Feeds arbitrary bytes to the CDG/RWS decision, as a sample in memory and
// as a file read through its bounded sampler, under each kind of name.
//
// Input: byte 0 picks the name (.cdg, .rws, .bin, none) and, in its upper
// bits, how many zero bytes to append (so sizes of whole sectors of either
// layout are reached); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/format_decision.h"
#include "core/subcode_pack.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using mosaicer::FormatDecision;
  if (size < 1) return 0;
  static const char* const kExtensions[] = {".cdg", ".rws", ".bin", ""};
  const std::string extension = kExtensions[data[0] & 3];
  static const std::size_t kPadding[] = {0, 1, 47, 48, 95, 2352, 2448, 4896};
  std::vector<std::uint8_t> file(data + 1, data + size);
  file.resize(file.size() + kPadding[(data[0] >> 2) & 7], 0);

  // Up to a whole sample's length, the sample is the file itself.
  if (file.size() > mosaicer::kFormatSampleWindows * mosaicer::kFormatSampleWindow) return 0;
  const FormatDecision d = mosaicer::DecideSubcodeFormat(extension, file.size(), file);
  const std::uint64_t n = file.size();
  switch (d) {
    case FormatDecision::Empty:
      if (n >= mosaicer::kSubcodeBytesPerSector) __builtin_trap();
      break;
    case FormatDecision::Cdg:
      if (extension == ".rws" || n % mosaicer::kCdgSectorSize != 0) __builtin_trap();
      break;
    case FormatDecision::Rws:
      if (extension != ".rws" && n % mosaicer::kSubcodeBytesPerSector != 0) __builtin_trap();
      break;
    case FormatDecision::Undecidable:
      if (extension == ".rws" && n >= mosaicer::kSubcodeBytesPerSector) __builtin_trap();
      break;
    default:
      __builtin_trap();
  }

  // The file path gives the same answer.
  const std::string path = mosaicer::fuzz::WriteFile("song" + extension, file.data(), file.size());
  FormatDecision fromFile = FormatDecision::Empty;
  if (!mosaicer::DecideSubcodeFileFormat(path, fromFile) || fromFile != d) __builtin_trap();
  std::filesystem::remove(path);
  return 0;
}
