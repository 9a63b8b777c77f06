// Transports that wrap another and spoil the raw subcode it returns the way
// a worn disc or an odd drive does, and discs whose Q channel carries real
// absolute times, for testing careful rips without a scratched disc.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/interleave.h"
#include "core/subcode_pack.h"
#include "ripper/cd_drive.h"
#include "ripper/scsi_transport.h"
#include "support/clone_cd_disc.h"

namespace mosaicer::testing {

inline std::int64_t CdbLba(const std::uint8_t* cdb) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(cdb[2]) << 24 | cdb[3] << 16 |
                                   cdb[4] << 8 | cdb[5]);
}
inline std::uint32_t CdbCount(const std::uint8_t* cdb) {
  return static_cast<std::uint32_t>(cdb[6]) << 16 | cdb[7] << 8 | cdb[8];
}

// Raw subcode byte `byte` (0..95) of the sector at `lba`.
struct RawSpot {
  std::int64_t lba;
  int byte;
};

// Where symbol `symbol` of the pack a raw rip writes at stream slot `slot`
// (the track's packs counted from its first sector) lies on the disc.
inline RawSpot SpotOfPack(std::int64_t trackLba, std::int64_t slot, int symbol) {
  const std::int64_t from = slot - TSubCodeInterLeave::Delay(symbol);
  return {trackLba + from / 4,
          static_cast<int>(from % 4) * 24 + TSubCodeInterLeave::SourcePosition(symbol)};
}

// Passes every command to the drive it wraps and spoils the raw subcode of
// each raw read (READ CD with sub-channel 1) as a worn disc or an odd drive
// does. With `late`, each sector comes with the subcode of the sector `late`
// places before it (after it for a negative `late`; zeros from outside what
// the drive reads). Then the symbols at `spots` are spoilt. Persistent: the
// same wrong value on every read, as a scratch the drive always misreads.
// Varying: a wrong value at the first read of a spot, then on each later
// read wrong (a different value) or right by a seeded coin.
class CorruptingTransport : public ScsiTransport {
 public:
  enum class Kind { Persistent, Varying };
  CorruptingTransport(ScsiTransport& inner, std::vector<RawSpot> spots, Kind kind,
                      unsigned seed = 1, int late = 0)
      : inner_(inner), spots_(std::move(spots)), kind_(kind), rng_(seed), late_(late) {}

  std::vector<std::pair<std::int64_t, std::uint32_t>> rawReads;  // LBA, count
  std::function<void(std::int64_t, std::uint32_t)> onRawRead;

  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override {
    const std::uint8_t status =
        inner_.Execute(drive, cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
    if (status != kScsiCompleted || cdbLength < 12 || cdb[0] != kOpReadCd || cdb[10] != 1)
      return status;
    const std::int64_t lba = CdbLba(cdb);
    const std::uint32_t count = CdbCount(cdb);
    rawReads.emplace_back(lba, count);
    if (onRawRead) onRawRead(lba, count);
    auto* sectors = static_cast<std::uint8_t*>(buffer);
    std::vector<std::uint8_t> one(kCdgSectorSize);
    for (std::uint32_t s = 0; late_ != 0 && s < count; ++s) {
      auto* sub = sectors + s * kCdgSectorSize + kAudioBytesPerSector;
      const std::int64_t from = lba + s - late_;
      if (from >= 0 && ReadCdRaw(inner_, drive, from + 150, 1, one.data()))
        std::memcpy(sub, one.data() + kAudioBytesPerSector, kSubcodeBytesPerSector);
      else
        std::memset(sub, 0, kSubcodeBytesPerSector);
    }
    for (const RawSpot& spot : spots_) {
      if (spot.lba < lba || spot.lba >= lba + count) continue;
      auto* byte = sectors + (spot.lba - lba) * kCdgSectorSize + kAudioBytesPerSector + spot.byte;
      const bool first = seen_[spot.lba * 96 + spot.byte]++ == 0;
      if (kind_ == Kind::Persistent)
        *byte ^= 0x15;
      else if (first || (rng_() & 1))
        *byte ^= static_cast<std::uint8_t>(1 + rng_() % 63);
    }
    return status;
  }

 private:
  ScsiTransport& inner_;
  std::vector<RawSpot> spots_;
  Kind kind_;
  std::mt19937 rng_;
  int late_;
  std::map<std::int64_t, int> seen_;
};

// XORs `value` into the raw symbol at `spot` of a disc's linear subcode, as
// a disc image holding the damage on every read.
inline void SpoilSymbol(Disc& disc, RawSpot spot, std::uint8_t value) {
  for (int bit = 0; bit < 6; ++bit) {
    if (!(value >> bit & 1)) continue;
    const int channel = 7 - bit;  // R..W carry bits 5..0 of a raw byte
    disc.sub[static_cast<std::size_t>(spot.lba * 96 + channel * 12 + spot.byte / 8)] ^=
        static_cast<char>(0x80 >> (spot.byte % 8));
  }
}

// The disc's subcode moved `late` sectors later against its audio.
inline void SlipSubcode(Disc& disc, int late) {
  std::string moved(disc.sub.size(), '\0');
  const auto shift = static_cast<std::size_t>(late) * 96;
  std::memcpy(moved.data() + shift, disc.sub.data(), disc.sub.size() - shift);
  disc.sub = std::move(moved);
}

inline std::uint8_t ToBcd(int n) { return static_cast<std::uint8_t>(n / 10 << 4 | n % 10); }

// Puts the Q frame `q` (its first 10 bytes; the CRC is filled in) into
// sector `s` of `disc`.
inline void PutQ(Disc& disc, std::size_t s, std::uint8_t (&q)[12]) {
  std::uint16_t crc = 0;
  for (int i = 0; i < 10; ++i) {
    crc ^= static_cast<std::uint16_t>(q[i] << 8);
    for (int b = 0; b < 8; ++b)
      crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
  }
  crc = static_cast<std::uint16_t>(~crc);
  q[10] = static_cast<std::uint8_t>(crc >> 8);
  q[11] = static_cast<std::uint8_t>(crc);
  std::memcpy(&disc.sub[s * 96 + 12], q, sizeof q);  // channel Q of the linear layout
}

// Gives every sector of `disc` a mode-1 Q frame whose absolute time is the
// sector's own plus `late` sectors behind (as a disc image cut off its
// subcode by `late` sectors would show), with a correct CRC.
inline void WriteQTimes(Disc& disc, int late = 0) {
  const std::size_t sectors = disc.sub.size() / 96;
  for (std::size_t s = 0; s < sectors; ++s) {
    const int frames = static_cast<int>(s) + 150 - late;
    std::uint8_t q[12] = {0x01, 0x01, 0x01, 0, 0, 0, 0};
    q[7] = ToBcd(frames / 4500);
    q[8] = ToBcd(frames / 75 % 60);
    q[9] = ToBcd(frames % 75);
    PutQ(disc, s, q);
  }
}

}  // namespace mosaicer::testing
