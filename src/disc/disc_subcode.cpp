#include "disc/disc_subcode.h"

#include <cstring>

namespace mosaicer {
namespace {

constexpr std::uint16_t kCrcPolynomial = 0x1021;
constexpr std::uint8_t kQAudioMode1 = 0x01;  // control 0 (two-channel audio), ADR 1
constexpr std::size_t kQBytes = 12;
constexpr std::size_t kQCrcAt = 10;
constexpr std::uint8_t kPBit = 0x80;
constexpr std::uint8_t kQBit = 0x40;
constexpr int kChannels = 8;
constexpr std::size_t kChannelBytes = kSubcodeBytesPerSector / kChannels;  // 12
constexpr std::int64_t kPFlagLead = 2 * kSectorsPerSecond;  // on before a track starts

// The partner of a symbol position in the disc's swap of three pairs.
int SwappedPosition(int j) {
  switch (j) {
    case 1: return 18;
    case 18: return 1;
    case 2: return 5;
    case 5: return 2;
    case 3: return 23;
    case 23: return 3;
    default: return j;
  }
}

std::uint8_t Bcd(std::int64_t value) {
  return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

void PutMsf(std::int64_t frames, std::uint8_t* out) {
  out[0] = Bcd(frames / (60 * kSectorsPerSecond));
  out[1] = Bcd(frames / kSectorsPerSecond % 60);
  out[2] = Bcd(frames % kSectorsPerSecond);
}

// The track whose pause or music holds `lba`; the last one past the end.
std::size_t TrackAt(const DiscLayout& layout, std::int64_t lba) {
  std::size_t t = 0;
  while (t + 1 < layout.tracks.size() && lba >= layout.tracks[t].end) ++t;
  return t;
}

}  // namespace

DiscLayout PlanDisc(const std::vector<std::int64_t>& lengths, std::int64_t firstPause,
                    std::int64_t pause) {
  DiscLayout layout;
  std::int64_t cursor = 0;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    DiscTrack track;
    track.pauseStart = cursor;
    track.start = cursor + (i == 0 ? firstPause : pause);
    track.end = track.start + lengths[i];
    cursor = track.end;
    layout.tracks.push_back(track);
  }
  return layout;
}

std::uint16_t SubcodeCrc(const std::uint8_t* data, std::size_t size) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ data[i] << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? crc << 1 ^ kCrcPolynomial : crc << 1);
  }
  return static_cast<std::uint16_t>(~crc);
}

std::array<std::uint8_t, 12> QPosition(const DiscLayout& layout, std::int64_t lba) {
  std::array<std::uint8_t, kQBytes> q{};
  const std::size_t t = TrackAt(layout, lba);
  const DiscTrack& track = layout.tracks.at(t);
  const bool inPause = lba < track.start;
  q[0] = kQAudioMode1;
  q[1] = Bcd(static_cast<std::int64_t>(t) + 1);
  q[2] = inPause ? 0 : 1;
  PutMsf(inPause ? track.start - lba : lba - track.start, &q[3]);
  q[6] = 0;
  PutMsf(lba + kLeadInOffset, &q[7]);
  const std::uint16_t crc = SubcodeCrc(q.data(), kQCrcAt);
  q[kQCrcAt] = static_cast<std::uint8_t>(crc >> 8);
  q[kQCrcAt + 1] = static_cast<std::uint8_t>(crc);
  return q;
}

bool PFlag(const DiscLayout& layout, std::int64_t lba) {
  const std::size_t t = TrackAt(layout, lba);
  if (lba <= layout.tracks.at(t).start) return true;
  return t + 1 < layout.tracks.size() && lba >= layout.tracks[t + 1].start - kPFlagLead;
}

void TSubCodeInterleaver::Clear() {
  std::memset(recent_, 0, sizeof recent_);
  newest_ = 0;
}

void TSubCodeInterleaver::InterleavePack(const std::uint8_t* pack, std::uint8_t* raw) {
  newest_ = (newest_ + 1) % kSpan;
  std::memcpy(recent_[newest_], pack, kPackSize);
  for (int j = 0; j < static_cast<int>(kPackSize); ++j) {
    const int slot = (newest_ - j % kSpan + kSpan) % kSpan;  // j mod 8 packs back
    raw[j] = recent_[slot][SwappedPosition(j)];
  }
}

void DiscSubcodeEncoder::EncodeSector(const std::uint8_t* packs, std::uint8_t* raw) {
  for (std::size_t p = 0; p < kPacksPerSector; ++p) {
    std::uint8_t pack[kPackSize] = {};
    if (packs != nullptr)
      for (std::size_t i = 0; i < kPackSize; ++i)
        pack[i] = packs[p * kPackSize + i] & kSymbolMask;
    interleaver_.InterleavePack(pack, raw + p * kPackSize);
  }
  const std::uint8_t p = PFlag(layout_, lba_) ? kPBit : 0;
  const auto q = QPosition(layout_, lba_);
  for (std::size_t k = 0; k < kSubcodeBytesPerSector; ++k) {
    const bool qBit = ((q[k / 8] >> (7 - k % 8)) & 1) != 0;
    raw[k] = static_cast<std::uint8_t>(raw[k] | p | (qBit ? kQBit : 0));
  }
  ++lba_;
}

void RawToLinearSubcode(const std::uint8_t* raw, std::uint8_t* linear) {
  std::memset(linear, 0, kSubcodeBytesPerSector);
  for (std::size_t k = 0; k < kSubcodeBytesPerSector; ++k)
    for (int c = 0; c < kChannels; ++c)
      if (((raw[k] >> (7 - c)) & 1) != 0)
        linear[static_cast<std::size_t>(c) * kChannelBytes + k / 8] |=
            static_cast<std::uint8_t>(0x80 >> (k % 8));
}

}  // namespace mosaicer
