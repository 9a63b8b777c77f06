// Feeds arbitrary bytes to the pack checker, as CDG and as RWS sectors, as
// they are and after giving every pack its parity and then one wrong symbol
// (which the checker must always find repairable); and once more through
// the file reader.
#include <cstring>

#include "core/pack_check.h"
#include "core/parity.h"
#include "fuzz_files.h"

namespace {

using mosaicer::PackCheckCounts;
using mosaicer::SubcodeFormat;

void CheckCounts(const PackCheckCounts& c, std::size_t size, SubcodeFormat format) {
  if (c.graphicsPacks + c.emptyPacks + c.otherPacks != c.sectors * mosaicer::kPacksPerSector)
    __builtin_trap();
  if (c.repairable + c.unrepairable > c.graphicsPacks + c.otherPacks) __builtin_trap();
  if (c.sectors * mosaicer::SectorSize(format) + c.trailingBytes != size) __builtin_trap();
}

PackCheckCounts Check(const std::uint8_t* data, std::size_t size, SubcodeFormat format) {
  mosaicer::PackChecker checker;
  checker.AddBytes(data, size, format);
  CheckCounts(checker.Counts(), size, format);
  return checker.Counts();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const mosaicer::TSubCodeErrorCorrect ecc;
  const std::string file = mosaicer::fuzz::WriteFile("check.bin", data, size);
  for (auto format : {SubcodeFormat::Cdg, SubcodeFormat::Rws}) {
    const PackCheckCounts plain = Check(data, size, format);

    // Every pack with its parity, then one symbol changed, chosen by the
    // pack's own bytes: always repairable.
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::size_t sector = mosaicer::SectorSize(format);
    const std::size_t offset = sector - mosaicer::kSubcodeBytesPerSector;
    for (std::size_t s = 0; s + sector <= bytes.size(); s += sector)
      for (std::size_t p = 0; p < mosaicer::kPacksPerSector; ++p) {
        std::uint8_t* pack = bytes.data() + s + offset + p * mosaicer::kPackSize;
        const std::uint8_t position = pack[23] % mosaicer::kPackSize;
        const std::uint8_t change = pack[22] & mosaicer::kSymbolMask;
        ecc.ComputeQ(pack);
        ecc.ComputeP(pack);
        pack[position] ^= change;
      }
    const PackCheckCounts repaired = Check(bytes.data(), bytes.size(), format);
    if (repaired.unrepairable != 0 || repaired.sectors != plain.sectors) __builtin_trap();

    // The file reader counts what the buffer checker counts.
    PackCheckCounts fromFile;
    std::string error;
    if (!mosaicer::CheckSubcodeFile(file, format, fromFile, error) ||
        std::memcmp(&fromFile, &plain, sizeof fromFile) != 0)
      __builtin_trap();
  }
  return 0;
}
