// The subcode of an audio disc, sector by sector, as a burner writes it:
// the P channel (pauses and track starts), the Q channel (mode-1 position
// with its CRC) and the R–W channels (CD+G packs interleaved by the disc's
// rule). Each sector's 96 bytes come out in the raw P–W form a drive reads
// (byte k holds P in bit 7, Q in bit 6, R–W in bits 5..0) or, converted, in
// the channel-by-channel form of a CloneCD .sub.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/subcode_pack.h"

namespace mosaicer {

inline constexpr std::int64_t kLeadInOffset = 150;  // LBA 0 is MSF 00:02:00
// The last address a disc may hold: 79:59:74.
inline constexpr std::int64_t kMaxDiscFrames = (79 * 60 + 59) * kSectorsPerSecond + 74;
// A track lasts at least four seconds.
inline constexpr std::int64_t kMinTrackSectors = 4 * kSectorsPerSecond;

// One track of the disc, in sectors from LBA 0: its pause (index 0) starts
// at `pauseStart`, its music (index 1) at `start`, and it ends before `end`.
struct DiscTrack {
  std::int64_t pauseStart = 0;
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// Where every track lies: the part of the disc from LBA 0 to the lead-out.
// The first track's two seconds before LBA 0 are not part of it.
struct DiscLayout {
  std::vector<DiscTrack> tracks;
  std::int64_t LeadOut() const { return tracks.empty() ? 0 : tracks.back().end; }
};

// Lays titles of `lengths` sectors one after another from LBA 0:
// `firstPause` sectors of pause before the first (beyond the two seconds
// before LBA 0 that every disc has) and `pause` before every other one.
DiscLayout PlanDisc(const std::vector<std::int64_t>& lengths, std::int64_t firstPause,
                    std::int64_t pause);

// The CRC that guards a Q channel: CRC-CCITT (x^16 + x^12 + x^5 + 1) from
// zero over `size` bytes, inverted as the disc stores it.
std::uint16_t SubcodeCrc(const std::uint8_t* data, std::size_t size);

// The Q channel (12 bytes) at `lba`: mode 1 (ADR 1, audio control 0), the
// track number, index 0 in a pause and 1 in music, the time within the
// track (counting down to the track start in a pause) and the time on the
// disc, all in BCD, then the CRC high byte first.
std::array<std::uint8_t, 12> QPosition(const DiscLayout& layout, std::int64_t lba);

// The P flag at `lba`: on in a pause, at a track's first sector and during
// the two seconds before a track starts.
bool PFlag(const DiscLayout& layout, std::int64_t lba);

// The interleaving of R–W on the disc: symbol j of the raw pack at slot t is
// symbol p(j) of the pack at slot t − (j mod 8), where p swaps positions 1
// and 18, 2 and 5, 3 and 23. Fed packs in play order, it hands back the raw
// packs the disc carries, at the same pace: packs before the first one fed
// count as empty.
class TSubCodeInterleaver {
 public:
  void Clear();
  // `pack` (24 bytes): the next pack in play order; `raw` receives the next
  // raw pack.
  void InterleavePack(const std::uint8_t* pack, std::uint8_t* raw);

 private:
  static constexpr int kSpan = 8;  // packs one raw pack draws from
  std::uint8_t recent_[kSpan][kPackSize] = {};
  int newest_ = 0;
};

// Builds the subcode of a disc in order from LBA 0: give every sector's four
// packs (play order; null for empty ones) and get its 96 raw P–W bytes.
class DiscSubcodeEncoder {
 public:
  explicit DiscSubcodeEncoder(DiscLayout layout) : layout_(std::move(layout)) {}
  std::int64_t Next() const { return lba_; }
  void EncodeSector(const std::uint8_t* packs, std::uint8_t* raw);

 private:
  DiscLayout layout_;
  std::int64_t lba_ = 0;
  TSubCodeInterleaver interleaver_;
};

// The channel-by-channel form of one sector's raw P–W bytes: 12 bytes of P,
// then Q, R, ..., W; bit 7 − (k mod 8) of byte k / 8 of a channel comes from
// raw byte k.
void RawToLinearSubcode(const std::uint8_t* raw, std::uint8_t* linear);

}  // namespace mosaicer
