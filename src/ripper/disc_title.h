// A track of a CD+G disc as a title: the sectors a rip of the track would
// write (CD audio with de-interleaved, repaired subcode), read from the
// drive or disc image on demand. Its length comes from the table of
// contents; reads go a little ahead in whole read blocks, so playing from a
// real drive keeps up.
#pragma once

#include <memory>
#include <string>

#include "core/parity.h"
#include "ripper/cd_drive.h"
#include "ripper/rip_job.h"
#include "ripper/scsi_transport.h"
#include "title/title_source.h"

namespace mosaicer {

// Sectors read ahead of the ones asked for: a second of disc time, or a
// read block when that is longer.
inline constexpr std::int64_t kDiscReadAheadSectors = kSectorsPerSecond;

struct DiscTitleOptions {
  RipOptions read;      // read function, read size, retries, slip fixing
  bool tocBcd = false;  // the drive reports its table of contents in BCD
};

// Opens track `track` (1 = the first track of the table of contents) of the
// disc in `drive`, named `driveName` in messages. The transport, drive and
// `ecc` must outlive the title; `owned`, when given, is kept alive by it.
// The failure names the drive: no table of contents, or no such track.
TitleOpenResult OpenDiscTitle(ScsiTransport& transport, const TNkCdRom& drive,
                              const std::string& driveName, int track,
                              const DiscTitleOptions& options, const TSubCodeErrorCorrect& ecc,
                              std::shared_ptr<void> owned = nullptr);

}  // namespace mosaicer
