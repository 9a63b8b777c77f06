// The seam between the drive commands and whatever carries a SCSI command
// block to a drive: a Linux pass-through device in production, a scripted
// fake in tests. Drive commands build the blocks; a transport only moves
// bytes and reports how the command ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mosaicer {

class TNkCdRom;

// Data direction as every caller passes it: in = from the drive.
inline constexpr std::uint8_t kScsiDirIn = 0x08;
inline constexpr std::uint8_t kScsiDirOut = 0x10;

// What Execute returns for a command that completed.
inline constexpr std::uint8_t kScsiCompleted = 1;

inline constexpr std::uint32_t kScsiTimeoutMs = 15000;
inline constexpr std::size_t kScsiSenseLength = 14;

// The commands a CD drive (and a disc image standing in for one) answers.
inline constexpr std::uint8_t kOpInquiry = 0x12;
inline constexpr std::uint8_t kOpReadToc = 0x43;
inline constexpr std::uint8_t kOpReadCd = 0xBE;
inline constexpr std::uint8_t kOpReadCdda = 0xD8;
inline constexpr std::uint8_t kFullTocFormat = 0x02;  // READ TOC format: the full TOC
inline constexpr std::uint8_t kReadCdUserData = 0x10;  // READ CD: the 2352 bytes of a sector

// The direction a pass-through request carries: the two data directions
// and "no data"; raw values 0, 1 and 2 are already in this form.
enum class PassThroughDirection : std::uint8_t { Out = 0, In = 1, Undetermined = 2 };

// 0, 1 and 2 pass unchanged, kScsiDirIn is in, anything else counts as out.
PassThroughDirection MapScsiDirection(std::uint8_t direction);

// Whole seconds for a request: below one second still waits one, and the
// wait never exceeds 108 seconds.
std::uint32_t ScsiTimeoutSeconds(std::uint32_t timeoutMs);

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // Sends one command block to `drive`. Returns kScsiCompleted when the
  // command completed, otherwise a status byte (0 when nothing was sent).
  [[nodiscard]] virtual std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength,
                               const std::uint8_t* cdb, void* buffer, std::uint32_t bufferLength,
                               std::uint8_t direction, std::uint32_t timeoutMs) = 0;
};

// A zeroed buffer whose data start on a 32-byte boundary, as pass-through
// drivers want for direct transfers.
class TNkParagraphBoundaryBuffer {
 public:
  static constexpr std::size_t kAlignment = 32;

  explicit TNkParagraphBoundaryBuffer(std::size_t capacity);

  std::uint8_t* Data() const { return data_; }
  // The block actually allocated: capacity + kAlignment - 1 bytes.
  const std::uint8_t* Raw() const { return raw_.get(); }
  std::size_t RawSize() const { return rawSize_; }

 private:
  std::unique_ptr<std::uint8_t[]> raw_;
  std::size_t rawSize_;
  std::uint8_t* data_;
};

}  // namespace mosaicer
