// Reading one track of a disc the way the ripper does: CD audio with the
// subcode of each sector, read with the chosen read function in blocks of
// the chosen size. Raw subcode is de-interleaved and repaired (and read
// again where packs stay unrepairable), a slip the Q time shows at the start
// of the track is corrected, and packs a drive repaired itself are judged.
// The rip writes what this reader delivers; the player and the commands that
// read a disc track directly read the same sectors, from anywhere in the
// track.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/parity.h"
#include "ripper/cd_drive.h"
#include "ripper/rip_job.h"
#include "ripper/rip_report.h"
#include "ripper/scsi_transport.h"
#include "ripper/secure_read.h"

namespace mosaicer {

class TrackReader {
 public:
  // `stop` is asked before each re-read; true ends the re-reads under way.
  // The transport, drive and `ecc` must outlive the reader. A raw read with
  // slip fixing reads the track's first block at once to measure the slip.
  TrackReader(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
              const RipOptions& options, const TSubCodeErrorCorrect& ecc,
              std::function<bool()> stop = {});

  // Sectors of the track.
  std::int64_t Sectors() const { return end_ - start_; }
  // Sectors per read (the options' size, within 1..50).
  int ReadSize() const { return readSize_; }
  // The absolute frame of the track's first sector.
  std::int64_t StartFrame() const { return start_; }

  // Reads `count` (1..ReadSize()) sectors from track sector `first` and
  // carries the subcode on from the sectors read before, whatever they
  // were: the rip's own step. The sectors (2448 bytes each, audio then
  // subcode) stay valid until the next read; null when the drive cannot
  // read them.
  const std::uint8_t* ReadBlock(std::int64_t first, std::int64_t count);

  // Sectors `first` .. `first + count - 1` of the track exactly as a rip of
  // the whole track writes them (without overlapping reads), into `sectors`
  // (2448 bytes each). Reading on from the last sector read continues the
  // subcode stream; anywhere else starts it again two sectors earlier, so
  // the de-interleaving has the packs it draws on. False when the range is
  // outside the track or the drive cannot read it.
  bool Read(std::int64_t first, std::int64_t count, std::uint8_t* sectors);

  // The figures of the subcode read since the stream began (the whole
  // track for a rip).
  TrackRipReport Report() const;

 private:
  void Restart(std::int64_t origin);
  // Subcode of `count` sectors from stream sector `first` at the slipped
  // place into `to` (96 bytes each); unreadable ones come back empty.
  void ReadShiftedSubcode(std::int64_t first, std::int64_t count, std::uint8_t* to);

  ScsiTransport& transport_;
  const TNkCdRom& drive_;
  const TSubCodeErrorCorrect& ecc_;
  std::function<bool()> stop_;
  ReadFunction read_;
  bool raw_;
  bool rawSubcode_;
  std::int64_t start_;
  std::int64_t end_;
  int readSize_;
  int retries_;
  std::int64_t shift_ = 0;  // where the subcode of the first sector is read, from the start
  TNkParagraphBoundaryBuffer data_;
  TNkParagraphBoundaryBuffer rereadBuffer_;
  std::optional<TNkParagraphBoundaryBuffer> shifted_;
  std::vector<std::uint8_t> subcodeBlock_;
  // The subcode stream: the sector it began at and the sector after the
  // last one read (-1 before the first read).
  std::int64_t origin_ = 0;
  std::int64_t next_ = -1;
  std::unique_ptr<SecureRawTrack> secure_;
  SlipMeter slip_;
  TrackRipReport report_;  // what the secure track does not count
};

}  // namespace mosaicer
