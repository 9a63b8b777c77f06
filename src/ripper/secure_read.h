// Careful reading of raw subcode: every de-interleaved pack is judged by its
// Q and P parity after repair, and a pack that stays wrong is read again
// from the drive, keeping, pack by pack, a read that satisfies both
// parities or else the one most reads agree on. Alongside, the Q channel's
// absolute time of every sector is compared with the sector asked for, so a
// drive that delivers subcode a few sectors off the audio is noticed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/interleave.h"
#include "core/parity.h"
#include "core/subcode_pack.h"
#include "ripper/rip_report.h"

namespace mosaicer {

// A Q-channel frame is 12 bytes: control/ADR, nine bytes of mode data and a
// CRC-16 over the first ten.
inline constexpr std::size_t kQFrameSize = 12;

// The Q frame carried by bit 6 of the 96 bytes of raw P–W subcode.
void ExtractQFrame(const std::uint8_t* rawSubcode, std::uint8_t* frame);
// The CRC a Q frame stores (inverted CRC-16/CCITT over bytes 0..9) holds.
bool QFrameCrcHolds(const std::uint8_t* frame);
// The absolute time of a mode-1 Q frame (ADR 1) with a good CRC, in frames
// from 00:00:00; nothing for any other frame or time digits that are not BCD.
std::optional<std::int64_t> QAbsoluteFrames(const std::uint8_t* rawSubcode);

// Counts, over the sectors of a read, how far the Q time of the subcode
// lies behind the sector that was asked for.
class SlipMeter {
 public:
  // `askedFrame`: the absolute frame the sector was read at.
  void AddSector(const std::uint8_t* rawSubcode, std::int64_t askedFrame);
  // The most common offset (positive: the subcode runs late), the frames
  // showing it and the frames with a usable time; offset 0 when none had one.
  SlipFigures Figures() const;

 private:
  std::map<std::int64_t, std::uint64_t> offsets_;
  std::uint64_t frames_ = 0;
};

// The outcome of reading sectors again for a re-read.
enum class RereadResult { Read, Failed, Stop };

// Reads `count` sectors of the subcode stream from stream sector `first`
// again and hands back their raw subcode, 96 bytes each, into `raw`.
using RereadFunction =
    std::function<RereadResult(std::int64_t first, int count, std::uint8_t* raw)>;

// De-interleaves, repairs and judges one track's raw subcode sector by
// sector, re-reading what stays unrepairable up to `retries` times. With 0
// retries the packs come out exactly as a plain raw rip makes them. The
// first seven packs of the stream are put together partly from before its
// first sector and are not judged.
class SecureRawTrack {
 public:
  SecureRawTrack(const TSubCodeErrorCorrect& ecc, int retries, RereadFunction reread);

  // In place: the next sector's 96 bytes of raw subcode become its four
  // de-interleaved, repaired packs (bits 7..6 still as they came).
  void AddSector(std::uint8_t* subcode);

  // The figures so far (packs, repairs, unrepairable sectors, re-reads).
  const TrackRipReport& Report() const { return report_; }
  TrackRipReport& Report() { return report_; }

 private:
  // The pack of stream slot `slot` put together from raw subcode of
  // stream sectors `first`.. held in `raw`; slots before the stream are 0.
  static void Gather(const std::uint8_t* raw, std::int64_t first, std::int64_t slot,
                     std::uint8_t* pack);
  bool Consistent(const std::uint8_t* pack) const;
  // P then Q, as a plain raw rip repairs; true when the pack then holds.
  bool Repair(std::uint8_t* pack) const;
  void Reread(std::int64_t sector, std::uint8_t* subcode, std::vector<int>& failing);

  const TSubCodeErrorCorrect& ecc_;
  int retries_;
  RereadFunction reread_;
  TSubCodeInterLeave deinterleave_;
  // Raw subcode of the last three sectors, by sector number mod 3: a pack
  // draws on its own sector and the two before it.
  std::uint8_t recent_[3][kSubcodeBytesPerSector] = {};
  std::int64_t sector_ = 0;  // stream sectors taken so far
  TrackRipReport report_;
};

// Judges packs a drive de-interleaved and repaired itself (nothing can be
// read again for them): counts packs and graphics packs and records the
// sectors of those that fail either parity.
void JudgeDrivePacks(const TSubCodeErrorCorrect& ecc, const std::uint8_t* subcode,
                     std::int64_t sector, TrackRipReport& report);

}  // namespace mosaicer
