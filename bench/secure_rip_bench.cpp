// A raw rip of a clean 74-minute track with re-reads ready (5) against the
// same rip without them (0, the plain raw rip), and the same track with one
// pack in every 1000 sectors that a first read cannot repair but a re-read
// can. The disc is held in memory so only the ripper's own work is timed;
// the output is the subcode alone (an RWS file), which keeps the disk's
// share small.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "authoring/msf.h"
#include "core/parity.h"
#include "core/subcode_pack.h"
#include "ripper/cd_drive.h"
#include "ripper/rip_job.h"
#include "ripper/worn_disc.h"
#include "support/temp_dir.h"

namespace {

using namespace mosaicer;

constexpr std::int64_t kSectors = 74 * 60 * 75;
constexpr std::int64_t kPeriod = 1000;  // sectors of distinct subcode, repeated
constexpr std::int64_t kDamageEvery = 1000;

// Answers raw READ CD from a repeating block of valid interleaved subcode
// and random audio.
class MemoryDisc : public ScsiTransport {
 public:
  MemoryDisc() : raw_(kPeriod * kSubcodeBytesPerSector), audio_(kPeriod * kAudioBytesPerSector) {
    std::mt19937 rng(7);
    TSubCodeErrorCorrect ecc;
    const std::int64_t packs = kPeriod * 4;
    std::vector<std::uint8_t> source(static_cast<std::size_t>(packs) * kPackSize);
    for (std::int64_t p = 0; p < packs; ++p) {
      std::uint8_t* pack = &source[static_cast<std::size_t>(p) * kPackSize];
      pack[0] = kCommandGraphics;
      pack[1] = 6;
      for (int i = 4; i < 20; ++i) pack[i] = static_cast<std::uint8_t>(rng() & kSymbolMask);
      ecc.ComputeQ(pack);
      ecc.ComputeP(pack);
    }
    // Interleaved as on a disc, the block wrapping round onto itself.
    for (std::int64_t t = 0; t < packs; ++t)
      for (int j = 0; j < 24; ++j) {
        const std::int64_t from = (t - j % 8 + packs) % packs;
        raw_[static_cast<std::size_t>(t * 24 + j)] =
            source[static_cast<std::size_t>(from * 24 + testing::Swapped(j))];
      }
    for (auto& b : audio_) b = static_cast<std::uint8_t>(rng());
  }

  std::uint8_t Execute(const TNkCdRom&, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t, std::uint8_t, std::uint32_t) override {
    if (!testing::IsRawRead(cdbLength, cdb)) return 2;
    const std::int64_t lba = testing::CdbLba(cdb);
    const std::uint32_t count = testing::CdbCount(cdb);
    if (lba < 0 || lba + count > kSectors) return 2;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t s = 0; s < count; ++s) {
      const auto at = static_cast<std::size_t>((lba + s) % kPeriod);
      std::memcpy(out, &audio_[at * kAudioBytesPerSector], kAudioBytesPerSector);
      std::memcpy(out + kAudioBytesPerSector, &raw_[at * kSubcodeBytesPerSector],
                  kSubcodeBytesPerSector);
      out += kCdgSectorSize;
    }
    return kScsiCompleted;
  }

 private:
  std::vector<std::uint8_t> raw_;
  std::vector<std::uint8_t> audio_;
};

TNkTrack WholeDisc() {
  const Msf a = FramesToMsf(150), b = FramesToMsf(150 + kSectors);
  return {MakeMsfAddress(a.minutes, a.seconds, a.frames),
          MakeMsfAddress(b.minutes, b.seconds, b.frames)};
}

// `disc()` is asked for the disc before every rip, so damage that depends on
// how often a sector was read starts afresh each time.
void Rip(benchmark::State& state, const std::function<ScsiTransport&()>& disc, int retries) {
  testing::TempDir dir;
  RipOptions options;
  options.readSize = kMaxReadSize;
  options.subcodeOnly = true;
  options.retries = retries;
  TNkCdRom drive("memory");
  TRipJob job;
  for (auto _ : state) {
    job.SetJobStatus(kJobIdle);
    if (!job.RipTrack(disc(), drive, WholeDisc(), dir.File("rip.rws"), options))
      state.SkipWithError("the rip failed");
  }
  const TrackRipReport& r = job.Reports().back();
  state.counters["reread"] = static_cast<double>(r.repairedByRereading);
  state.counters["sectors_reread"] = static_cast<double>(r.sectorsReread);
  state.counters["unrepairable"] = static_cast<double>(r.unrepairable);
}

void BM_RipRawPlain(benchmark::State& state) {
  MemoryDisc disc;
  Rip(state, [&]() -> ScsiTransport& { return disc; }, 0);
}

void BM_RipRawSecure(benchmark::State& state) {
  MemoryDisc disc;
  Rip(state, [&]() -> ScsiTransport& { return disc; }, kDefaultRetries);
}

void BM_RipRawSecureWorn(benchmark::State& state) {
  MemoryDisc disc;
  std::vector<testing::RawSpot> spots;
  for (std::int64_t sector = kDamageEvery / 2; sector < kSectors; sector += kDamageEvery) {
    spots.push_back(testing::SpotOfPack(0, sector * 4 + 1, 6));
    spots.push_back(testing::SpotOfPack(0, sector * 4 + 1, 13));
  }
  std::optional<testing::CorruptingTransport> worn;
  Rip(
      state,
      [&]() -> ScsiTransport& {
        return worn.emplace(disc, spots, testing::CorruptingTransport::Kind::Varying);
      },
      kDefaultRetries);
}

BENCHMARK(BM_RipRawPlain)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RipRawSecure)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RipRawSecureWorn)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
