#include "ripper/secure_read.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mosaicer {
namespace {

using Pack = std::array<std::uint8_t, kPackSize>;

constexpr std::uint8_t kQBit = 0x40;
constexpr std::size_t kQCrcBytes = 10;
constexpr std::uint16_t kCrcPolynomial = 0x1021;  // x^16 + x^12 + x^5 + 1
constexpr std::uint8_t kAdrMask = 0x0F;
constexpr std::uint8_t kAdrPosition = 1;
constexpr std::size_t kAbsoluteMinute = 7;  // then second and frame
constexpr int kSecondsPerMinute = 60;
// Packs of the stream's start that draw on symbols from before it.
constexpr std::int64_t kUnjudgedPacks = TSubCodeInterLeave::kDepth - 1;
constexpr int kRecentSectors = 3;

std::optional<int> Bcd(std::uint8_t b) {
  if ((b >> 4) > 9 || (b & 0x0F) > 9) return std::nullopt;
  return (b >> 4) * 10 + (b & 0x0F);
}

// Runs a correction on a copy: true when the pack was already right.
template <typename Correct>
bool Passes(const std::uint8_t* pack, Correct correct) {
  std::uint8_t copy[kPackSize];
  std::memcpy(copy, pack, kPackSize);
  return correct(copy) && std::memcmp(copy, pack, kPackSize) == 0;
}

bool PackConsistent(const TSubCodeErrorCorrect& ecc, const std::uint8_t* pack) {
  return Passes(pack, [&](std::uint8_t* p) { return ecc.CorrectQ(p); }) &&
         Passes(pack, [&](std::uint8_t* p) { return ecc.CorrectP(p); });
}

void Mask(std::uint8_t* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes[i] &= kSymbolMask;
}

// The pack of stream slot `slot`, symbol by symbol from the raw slots the
// interleaving put them in; `sector(s)` is the raw subcode of stream sector
// s, and slots before the stream hold zeros as the de-interleaver's history.
template <typename SectorOf>
Pack GatherPack(std::int64_t slot, SectorOf sector) {
  Pack pack{};
  for (int k = 0; k < static_cast<int>(kPackSize); ++k) {
    const std::int64_t from = slot - TSubCodeInterLeave::Delay(k);
    if (from < 0) continue;
    const auto perSector = static_cast<std::int64_t>(kPacksPerSector);
    pack[static_cast<std::size_t>(k)] =
        sector(from / perSector)[static_cast<std::size_t>(from % perSector) * kPackSize +
                                 static_cast<std::size_t>(TSubCodeInterLeave::SourcePosition(k))];
  }
  return pack;
}

// The value most entries hold; the earliest among equals.
template <typename T>
std::size_t MostCommon(const std::vector<T>& values) {
  std::size_t best = 0, bestCount = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto count = static_cast<std::size_t>(std::count(values.begin(), values.end(), values[i]));
    if (count > bestCount) best = i, bestCount = count;
  }
  return best;
}

}  // namespace

void ExtractQFrame(const std::uint8_t* rawSubcode, std::uint8_t* frame) {
  for (std::size_t i = 0; i < kQFrameSize; ++i) {
    std::uint8_t byte = 0;
    for (std::size_t b = 0; b < 8; ++b)
      byte = static_cast<std::uint8_t>(byte << 1 | ((rawSubcode[i * 8 + b] & kQBit) ? 1 : 0));
    frame[i] = byte;
  }
}

bool QFrameCrcHolds(const std::uint8_t* frame) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < kQCrcBytes; ++i) {
    crc ^= static_cast<std::uint16_t>(frame[i] << 8);
    for (int b = 0; b < 8; ++b)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ kCrcPolynomial : crc << 1);
  }
  crc = static_cast<std::uint16_t>(~crc);
  return frame[kQCrcBytes] == (crc >> 8) && frame[kQCrcBytes + 1] == (crc & 0xFF);
}

std::optional<std::int64_t> QAbsoluteFrames(const std::uint8_t* rawSubcode) {
  std::uint8_t q[kQFrameSize];
  ExtractQFrame(rawSubcode, q);
  if ((q[0] & kAdrMask) != kAdrPosition || !QFrameCrcHolds(q)) return std::nullopt;
  const auto m = Bcd(q[kAbsoluteMinute]), s = Bcd(q[kAbsoluteMinute + 1]),
             f = Bcd(q[kAbsoluteMinute + 2]);
  if (!m || !s || !f || *s >= kSecondsPerMinute || *f >= kSectorsPerSecond) return std::nullopt;
  return (static_cast<std::int64_t>(*m) * kSecondsPerMinute + *s) * kSectorsPerSecond + *f;
}

void SlipMeter::AddSector(const std::uint8_t* rawSubcode, std::int64_t askedFrame) {
  const std::optional<std::int64_t> time = QAbsoluteFrames(rawSubcode);
  if (!time) return;
  ++frames_;
  ++offsets_[askedFrame - *time];
}

SlipFigures SlipMeter::Figures() const {
  SlipFigures figures;
  figures.measured = true;
  figures.qFrames = frames_;
  for (const auto& [offset, count] : offsets_)
    if (count > figures.agreeing) figures.offset = offset, figures.agreeing = count;
  return figures;
}

SecureRawTrack::SecureRawTrack(const TSubCodeErrorCorrect& ecc, int retries,
                               RereadFunction reread)
    : ecc_(ecc), retries_(std::max(retries, 0)), reread_(std::move(reread)) {
  deinterleave_.Clear();
  report_.judged = true;
}

bool SecureRawTrack::Consistent(const std::uint8_t* pack) const {
  return PackConsistent(ecc_, pack);
}

bool SecureRawTrack::Repair(std::uint8_t* pack) const {
  ecc_.CorrectP(pack);
  ecc_.CorrectQ(pack);
  return Consistent(pack);
}

void SecureRawTrack::AddSector(std::uint8_t* subcode) {
  const std::int64_t sector = sector_++;
  std::memcpy(recent_[sector % kRecentSectors], subcode, kSubcodeBytesPerSector);
  deinterleave_.DeinterleavePacks(subcode, static_cast<int>(kPacksPerSector));
  ++report_.sectors;
  std::vector<int> failing;
  for (std::size_t p = 0; p < kPacksPerSector; ++p) {
    std::uint8_t* pack = subcode + p * kPackSize;
    std::uint8_t before[kPackSize];
    std::memcpy(before, pack, kPackSize);
    const bool pHolds = ecc_.CorrectP(pack);
    const bool qHolds = ecc_.CorrectQ(pack);
    const bool untouched = std::memcmp(before, pack, kPackSize) == 0;
    Mask(pack, kPackSize);
    ++report_.packsRead;
    const std::int64_t slot = sector * static_cast<std::int64_t>(kPacksPerSector) +
                              static_cast<std::int64_t>(p);
    if (slot < kUnjudgedPacks) continue;
    if (IsGraphicsPack(pack)) ++report_.graphicsPacks;
    if (pHolds && qHolds && untouched) continue;
    if (Consistent(pack))
      ++report_.repairedAtFirstRead;
    else
      failing.push_back(static_cast<int>(p));
  }
  if (!failing.empty() && retries_ > 0) Reread(sector, subcode, failing);
  for (std::size_t i = 0; i < failing.size(); ++i) report_.AddUnrepairable(sector);
}

void SecureRawTrack::Reread(std::int64_t sector, std::uint8_t* subcode,
                            std::vector<int>& failing) {
  const std::int64_t first = std::max<std::int64_t>(0, sector - (kRecentSectors - 1));
  const int count = static_cast<int>(sector - first + 1);
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
  const auto slotOf = [&](int p) {
    return sector * static_cast<std::int64_t>(kPacksPerSector) + p;
  };
  // Every read of each failing pack, as read (the first read's first).
  std::vector<std::vector<Pack>> reads(failing.size());
  for (std::size_t i = 0; i < failing.size(); ++i)
    reads[i].push_back(GatherPack(slotOf(failing[i]), [&](std::int64_t s) {
      return recent_[s % kRecentSectors];
    }));

  const auto take = [&](std::size_t i, const Pack& pack) {
    std::memcpy(subcode + static_cast<std::size_t>(failing[i]) * kPackSize, pack.data(),
                kPackSize);
  };
  std::vector<bool> saved(failing.size(), false);
  bool stopped = false;
  for (int attempt = 0; attempt < retries_ && !stopped; ++attempt) {
    if (std::all_of(saved.begin(), saved.end(), [](bool s) { return s; })) break;
    switch (reread_ ? reread_(first, count, raw.data()) : RereadResult::Stop) {
      case RereadResult::Stop:
        stopped = true;
        continue;
      case RereadResult::Failed:
        ++report_.readErrors;
        continue;
      case RereadResult::Read:
        report_.sectorsReread += static_cast<std::uint64_t>(count);
        break;
    }
    for (std::size_t i = 0; i < failing.size(); ++i) {
      if (saved[i]) continue;
      Pack pack = GatherPack(slotOf(failing[i]), [&](std::int64_t s) {
        return raw.data() + static_cast<std::size_t>(s - first) * kSubcodeBytesPerSector;
      });
      reads[i].push_back(pack);
      if (Repair(pack.data())) {
        Mask(pack.data(), kPackSize);
        take(i, pack);
        saved[i] = true;
      }
    }
  }

  for (std::size_t i = 0; i < failing.size(); ++i) {
    if (saved[i] || stopped || reads[i].size() < 2) continue;
    // No read holds by itself: vote symbol by symbol, then repair.
    Pack voted{};
    std::vector<std::uint8_t> symbol(reads[i].size());
    for (std::size_t k = 0; k < kPackSize; ++k) {
      for (std::size_t r = 0; r < reads[i].size(); ++r)
        symbol[r] = reads[i][r][k] & kSymbolMask;
      voted[k] = symbol[MostCommon(symbol)];
    }
    if (Repair(voted.data())) {
      take(i, voted);
      saved[i] = true;
      continue;
    }
    // Still wrong: keep the pack most reads agree on once repaired.
    std::vector<Pack> repaired = reads[i];
    for (Pack& pack : repaired) {
      Repair(pack.data());
      Mask(pack.data(), kPackSize);
    }
    take(i, repaired[MostCommon(repaired)]);
  }

  std::vector<int> left;
  for (std::size_t i = 0; i < failing.size(); ++i) {
    if (saved[i])
      ++report_.repairedByRereading;
    else
      left.push_back(failing[i]);
  }
  failing = std::move(left);
}

void JudgeDrivePacks(const TSubCodeErrorCorrect& ecc, const std::uint8_t* subcode,
                     std::int64_t sector, TrackRipReport& report) {
  report.judged = true;
  ++report.sectors;
  for (std::size_t p = 0; p < kPacksPerSector; ++p) {
    std::uint8_t pack[kPackSize];
    std::memcpy(pack, subcode + p * kPackSize, kPackSize);
    Mask(pack, kPackSize);
    ++report.packsRead;
    if (IsGraphicsPack(pack)) ++report.graphicsPacks;
    if (!PackConsistent(ecc, pack)) report.AddUnrepairable(sector);
  }
}

}  // namespace mosaicer
