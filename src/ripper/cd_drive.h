// One CD drive and the few commands the ripper sends it: INQUIRY, the full
// table of contents, and audio reads with subcode. Every command goes
// through the transport the caller passes, so the same code drives a sg
// device, a block device or a test fake.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "authoring/msf.h"
#include "ripper/scsi_transport.h"

namespace mosaicer {

inline constexpr std::size_t kInquirySize = 256;
inline constexpr std::size_t kInquiryAllocation = 100;
inline constexpr std::size_t kFullTocAllocation = 2820;
inline constexpr std::size_t kMaxTocTracks = 100;

class TNkCdRom {
 public:
  TNkCdRom() = default;
  TNkCdRom(std::uint8_t haId, std::uint8_t target, std::uint8_t lun)
      : HaId(haId), Target(target), Lun(lun) {}
  explicit TNkCdRom(std::string deviceName) : DeviceName(std::move(deviceName)) {}

  // Copies at most kInquirySize - 1 bytes; the rest keep their value.
  void SetInquiry(const void* data, std::size_t length);

  // Inquiry fields up to their first zero byte, trailing blanks kept.
  std::string Vendor() const;
  std::string Product() const;
  std::string Revision() const;

  std::uint8_t HaId = 0;
  std::uint8_t Target = 0;
  std::uint8_t Lun = 0;
  std::string DeviceName;
  std::array<std::uint8_t, kInquirySize> Inquiry{};
};

struct TNkTrack {
  MsfAddress Start{};
  MsfAddress End{};
};

// Tracks[0] is FirstTrack. An empty list has all three counts 0.
struct TNkToc {
  std::uint8_t FirstTrack = 0;
  std::uint8_t LastTrack = 0;
  std::uint8_t TrackCount = 0;
  std::array<TNkTrack, kMaxTocTracks> Tracks{};
};

// Sector sizes of the read commands for a sub-channel or sub-code
// selection; 0 for a selection the commands refuse.
std::uint32_t ReadCdSectorSize(std::uint8_t subChannel);
std::uint32_t ReadCddaSectorSize(std::uint8_t subCode);

// All commands report true only when the transport says the command
// completed.
bool Inquiry(ScsiTransport& transport, TNkCdRom& drive);

// Reads the full TOC of `session` into `buffer` (kFullTocAllocation bytes),
// retrying once with the format in byte 2 for drives that want it there.
// With `bcdRepair` the drive's binary-coded decimal values are converted in
// place.
bool ReadFullToc(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t session,
                 bool bcdRepair, std::uint8_t* buffer);

// Audio reads at an absolute frame position. A selection the command does
// not know, or a count the command block or a 32-bit byte count cannot carry,
// is refused without sending anything. `buffer` takes sector size × sectorCount bytes.
bool ReadCd(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t subChannel,
            std::int64_t framePosition, void* buffer, std::uint32_t sectorCount);
bool ReadCdda(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t subCode,
              std::int64_t framePosition, void* buffer, std::uint32_t sectorCount);

// Reads and parses the table of contents over all sessions: every track
// ends where the next one starts, the last of each session at its lead-out.
bool ReadToc(ScsiTransport& transport, const TNkCdRom& drive, bool bcdRepair, TNkToc& toc);

// The ripper's three read commands, 2448-byte sectors each: raw P–W subcode
// as on the disc, R–W de-interleaved by the drive, and READ CD-DA with all
// subcode.
bool ReadCdRaw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
               std::uint32_t sectorCount, void* buffer);
bool ReadCdRw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
              std::uint32_t sectorCount, void* buffer);
bool ReadCddaRw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
                std::uint32_t sectorCount, void* buffer);

using ReadFunction = bool (*)(ScsiTransport&, const TNkCdRom&, std::int64_t, std::uint32_t, void*);

}  // namespace mosaicer
