// Feeds arbitrary raw subcode, as a drive might return it, through the
// careful raw reader: its de-interleaving, repair, re-reads (answered from
// the same bytes, spoilt differently each time or failing) and the Q-time
// slip meter. Byte 0 chooses the re-read count; the rest is the subcode.
#include <algorithm>
#include <cstring>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "fuzz_target.h"
#include "ripper/secure_read.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  if (size < 1) return 0;
  const int retries = data[0] % 8;
  const std::uint8_t* stream = data + 1;
  const std::size_t sectors = (size - 1) / kSubcodeBytesPerSector;
  TSubCodeErrorCorrect ecc;
  std::uint8_t spoil = data[0];
  SecureRawTrack track(ecc, retries, [&](std::int64_t first, int count, std::uint8_t* raw) {
    if (first < 0 || count < 1 || count > 3 ||
        static_cast<std::size_t>(first) + static_cast<std::size_t>(count) > sectors)
      __builtin_trap();  // only sectors already taken are read again
    spoil = static_cast<std::uint8_t>(spoil * 5 + 1);
    if (spoil == 0xFF) return RereadResult::Failed;
    std::memcpy(raw, stream + first * kSubcodeBytesPerSector,
                static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
    raw[spoil % (static_cast<std::size_t>(count) * kSubcodeBytesPerSector)] ^= spoil;
    return RereadResult::Read;
  });
  SlipMeter slip;
  std::vector<std::uint8_t> sector(kSubcodeBytesPerSector);
  for (std::size_t s = 0; s < sectors; ++s) {
    std::memcpy(sector.data(), stream + s * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
    slip.AddSector(sector.data(), static_cast<std::int64_t>(s) + 150);
    track.AddSector(sector.data());
    if (std::any_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b > kSymbolMask; }))
      __builtin_trap();  // packs leave with bits 7..6 cleared
  }
  const TrackRipReport& r = track.Report();
  if (r.repairedAtFirstRead + r.repairedByRereading + r.unrepairable > r.packsRead)
    __builtin_trap();
  if (r.unrepairableSectors.size() > kListedSectors ||
      !std::is_sorted(r.unrepairableSectors.begin(), r.unrepairableSectors.end()))
    __builtin_trap();
  const SlipFigures figures = slip.Figures();
  if (figures.agreeing > figures.qFrames) __builtin_trap();
  return 0;
}
