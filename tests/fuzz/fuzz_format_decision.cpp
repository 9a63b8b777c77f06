// Feeds arbitrary bytes to the CDG/RWS decision, as a sample in memory and
// as a file read through its bounded sampler, under each kind of name.
//
// Input: byte 0 picks the name (.cdg, .rws, .bin, none) and, in its upper
// bits, how many zero bytes to append (so sizes of whole sectors of either
// layout are reached); the rest is the file.
#include <filesystem>

#include "core/format_decision.h"
#include "core/subcode_pack.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  if (size < 1) return 0;
  static const char* const kExtensions[] = {".cdg", ".rws", ".bin", ""};
  const std::string extension = kExtensions[data[0] & 3];
  static const std::size_t kPadding[] = {0, 1, 47, 48, 95, 2352, 2448, 4896};
  std::vector<std::uint8_t> file(data + 1, data + size);
  file.resize(file.size() + kPadding[(data[0] >> 2) & 7], 0);

  // Up to a whole sample's length, the sample is the file itself.
  if (file.size() > kFormatSampleWindows * kFormatSampleWindow) return 0;
  const FormatDecision d = DecideSubcodeFormat(extension, file.size(), file);
  const std::uint64_t n = file.size();
  const bool rws = extension == ".rws";
  const bool fits = d == FormatDecision::Empty ? n < kSubcodeBytesPerSector
                    : d == FormatDecision::Cdg ? !rws && n % kCdgSectorSize == 0
                    : d == FormatDecision::Rws ? rws || n % kSubcodeBytesPerSector == 0
                    : d == FormatDecision::Undecidable && !(rws && n >= kSubcodeBytesPerSector);
  if (!fits) __builtin_trap();

  // The file path gives the same answer.
  const std::string path = fuzz::WriteFile("song" + extension, file.data(), file.size());
  FormatDecision fromFile = FormatDecision::Empty;
  if (!DecideSubcodeFileFormat(path, fromFile) || fromFile != d) __builtin_trap();
  std::filesystem::remove(path);
  return 0;
}
