// The Linux pass-through transports and the sysfs facts that find drives.
// `BlockDeviceTransport` sends commands to a block device (/dev/srN) named
// by the drive's DeviceName; `SgDeviceTransport` to the SCSI generic device
// (/dev/sgN) at the drive's host, target and LUN. Both use ioctl(SG_IO).
// The sysfs and /dev roots are parameters so tests can stand up a fake tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ripper/cd_drive.h"
#include "ripper/scsi_transport.h"

namespace mosaicer {

inline constexpr int kScsiTypeCdRom = 5;

// What sysfs tells about one SCSI device node (srN or sgN).
struct ScsiDeviceFacts {
  std::string devicePath;  // "/dev/sr0", "/dev/sg1"
  int host = 0;
  int channel = 0;
  int target = 0;
  int lun = 0;
  bool hasAddress = false;  // the H:C:T:L link name could be read
  int type = -1;
  std::string vendor;
  std::string model;
  std::string revision;
};

// "H:C:T:L" as sysfs names a SCSI device.
bool ParseScsiAddress(std::string_view text, int& host, int& channel, int& target, int& lun);

// The CD block devices, "/dev/sr0", "/dev/sr1", … in number order.
std::vector<std::string> ListCdDriveLetters(const std::filesystem::path& sysRoot = "/sys",
                                            const std::filesystem::path& devRoot = "/dev");

// Facts of a block device path such as "/dev/sr0"; none when sysfs has no
// such device.
std::optional<ScsiDeviceFacts> ReadBlockDeviceFacts(const std::string& devicePath,
                                                    const std::filesystem::path& sysRoot = "/sys");

// The SCSI generic devices of type CD-ROM with a known address, in sg
// number order.
std::vector<ScsiDeviceFacts> ListSgCdDevices(const std::filesystem::path& sysRoot = "/sys",
                                             const std::filesystem::path& devRoot = "/dev");

// How one availability probe of a block device went.
enum class ProbeResult { CannotOpen, Completed, AccessDenied, Failed };

// Probes drives in order: a completed probe makes the transport usable, a
// refused one (no rights to send pass-through commands) unusable; other
// failures count as usable and the next drive is tried.
bool AvailabilityFromProbes(const std::vector<std::string>& devicePaths,
                            const std::function<ProbeResult(const std::string&)>& probe);

class BlockDeviceTransport : public ScsiTransport {
 public:
  // Opens the device for every command, as the drive may be swapped or
  // busy between commands.
  [[nodiscard]] std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override;

  // Sends PREVENT ALLOW MEDIUM REMOVAL ("allow") to one device.
  static ProbeResult Probe(const std::string& devicePath);
  // Whether pass-through on the given block devices works for this user.
  static bool IsAvailable(const std::vector<std::string>& devicePaths);
};

class SgDeviceTransport : public ScsiTransport {
 public:
  explicit SgDeviceTransport(std::vector<ScsiDeviceFacts> devices) : devices_(std::move(devices)) {}

  // Status 0 when no device has the drive's address or the device found
  // there no longer answers to it.
  [[nodiscard]] std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override;

 private:
  std::vector<ScsiDeviceFacts> devices_;
};

}  // namespace mosaicer
