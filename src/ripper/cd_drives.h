// The drive list: every CD drive reachable through the block-device or the
// SCSI generic transport, each listed once. A drive both reach is listed
// under its block device path and driven through sg; sg devices without a
// block device are named "0:", "1:", …
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "ripper/cd_drive.h"
#include "ripper/linux_transports.h"
#include "ripper/scsi_transport.h"

namespace mosaicer {

// No more drives than there are drive letters elsewhere.
inline constexpr std::size_t kMaxDrives = 26;

// Where a search looks and what it sends commands through. A null
// transport stands for one that is not usable on this system.
struct DriveSearchSetup {
  std::filesystem::path sysRoot{"/sys"};
  std::filesystem::path devRoot{"/dev"};
  ScsiTransport* blockTransport = nullptr;
  ScsiTransport* sgTransport = nullptr;
};

// The Linux transports as a search wants them: the block-device transport
// only when its probe allows pass-through, the sg one only when the sg
// driver is present.
class LinuxDriveAccess {
 public:
  explicit LinuxDriveAccess(std::filesystem::path sysRoot = "/sys",
                            std::filesystem::path devRoot = "/dev");
  DriveSearchSetup Setup();

 private:
  std::filesystem::path sysRoot_;
  std::filesystem::path devRoot_;
  BlockDeviceTransport block_;
  SgDeviceTransport sg_;
  bool blockAvailable_;
  bool sgPresent_;
};

// Blanks and control characters trimmed from both ends.
std::string TrimInquiryText(const std::string& text);

// The index of the first sg drive not yet matched whose target, LUN and
// trimmed inquiry strings equal the block device's sysfs facts (the host is
// not compared); marks it matched. −1 when there is none. Without a known
// address the strings alone decide.
int GetDriveIndexFromLetter(const std::string& deviceName, const std::vector<TNkCdRom>& sgDrives,
                            std::vector<bool>& matched,
                            const std::filesystem::path& sysRoot = "/sys");

class TNkCdRoms {
 public:
  // Rebuilds the list; returns the number of drives. The setup's transports
  // must outlive the use of Transport().
  int Search(const DriveSearchSetup& setup);

  int Count() const { return static_cast<int>(std::min(drives_.size(), useSg_.size())); }
  // Whether the drive is driven through the sg transport; false out of range.
  bool UsesAspi(int index) const;
  const TNkCdRom* Drive(int index) const;
  // The transport the drive is driven through; none out of range.
  ScsiTransport* Transport(int index) const;

  bool SptiAvailable() const { return blockTransport_ != nullptr; }

 private:
  std::vector<TNkCdRom> drives_;
  std::vector<bool> useSg_;
  ScsiTransport* blockTransport_ = nullptr;
  ScsiTransport* sgTransport_ = nullptr;
};

}  // namespace mosaicer
