#include "ripper/cd_drives.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace mosaicer {

namespace {

bool IsBlankOrControl(unsigned char c) { return c <= ' ' || c == 0x7F; }

bool FitsByte(int n) { return n >= 0 && n <= std::numeric_limits<std::uint8_t>::max(); }

// The sg devices of type CD-ROM that answer INQUIRY, in sg number order.
std::vector<TNkCdRom> ScanSgDrives(const DriveSearchSetup& setup) {
  std::vector<TNkCdRom> drives;
  for (const ScsiDeviceFacts& facts : ListSgCdDevices(setup.sysRoot, setup.devRoot)) {
    if (drives.size() >= kMaxDrives) break;
    if (!FitsByte(facts.host) || !FitsByte(facts.target) || !FitsByte(facts.lun)) continue;
    TNkCdRom drive(static_cast<std::uint8_t>(facts.host), static_cast<std::uint8_t>(facts.target),
                   static_cast<std::uint8_t>(facts.lun));
    if (Inquiry(*setup.sgTransport, drive)) drives.push_back(std::move(drive));
  }
  return drives;
}

// The block devices; with a usable block transport only those that answer.
std::vector<TNkCdRom> FindBlockDrives(const DriveSearchSetup& setup) {
  std::vector<TNkCdRom> drives;
  for (const std::string& path : ListCdDriveLetters(setup.sysRoot, setup.devRoot)) {
    if (drives.size() >= kMaxDrives) break;
    TNkCdRom drive(path);
    if (setup.blockTransport && !Inquiry(*setup.blockTransport, drive)) continue;
    drives.push_back(std::move(drive));
  }
  return drives;
}

}  // namespace

LinuxDriveAccess::LinuxDriveAccess(std::filesystem::path sysRoot, std::filesystem::path devRoot)
    : sysRoot_(std::move(sysRoot)),
      devRoot_(std::move(devRoot)),
      sg_(ListSgCdDevices(sysRoot_, devRoot_)),
      blockAvailable_(BlockDeviceTransport::IsAvailable(ListCdDriveLetters(sysRoot_, devRoot_))) {
  std::error_code ec;
  sgPresent_ = std::filesystem::exists(sysRoot_ / "class" / "scsi_generic", ec);
}

DriveSearchSetup LinuxDriveAccess::Setup() {
  return DriveSearchSetup{sysRoot_, devRoot_, blockAvailable_ ? &block_ : nullptr,
                          sgPresent_ ? &sg_ : nullptr};
}

std::string TrimInquiryText(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlankOrControl(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && IsBlankOrControl(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

int GetDriveIndexFromLetter(const std::string& deviceName, const std::vector<TNkCdRom>& sgDrives,
                            std::vector<bool>& matched, const std::filesystem::path& sysRoot) {
  const auto facts = ReadBlockDeviceFacts(deviceName, sysRoot);
  if (!facts) return -1;
  const std::string vendor = TrimInquiryText(facts->vendor);
  const std::string model = TrimInquiryText(facts->model);
  const std::string revision = TrimInquiryText(facts->revision);
  for (std::size_t i = 0; i < sgDrives.size() && i < matched.size(); ++i) {
    const TNkCdRom& d = sgDrives[i];
    if (matched[i]) continue;
    if (facts->hasAddress && (d.Target != facts->target || d.Lun != facts->lun)) continue;
    if (TrimInquiryText(d.Vendor()) != vendor || TrimInquiryText(d.Product()) != model ||
        TrimInquiryText(d.Revision()) != revision)
      continue;
    matched[i] = true;
    return static_cast<int>(i);
  }
  return -1;
}

int TNkCdRoms::Search(const DriveSearchSetup& setup) {
  drives_.clear();
  useSg_.clear();
  blockTransport_ = setup.blockTransport;
  sgTransport_ = setup.sgTransport;
  if (!blockTransport_ && !sgTransport_) return 0;

  const std::vector<TNkCdRom> blockDrives = FindBlockDrives(setup);
  if (!sgTransport_) {
    for (const TNkCdRom& drive : blockDrives) {
      drives_.push_back(drive);
      useSg_.push_back(false);
    }
    return Count();
  }

  const std::vector<TNkCdRom> sgDrives = ScanSgDrives(setup);
  std::vector<bool> matched(sgDrives.size(), false);
  for (const TNkCdRom& drive : blockDrives) {
    const int index = GetDriveIndexFromLetter(drive.DeviceName, sgDrives, matched, setup.sysRoot);
    if (index >= 0) {
      TNkCdRom named = sgDrives[static_cast<std::size_t>(index)];
      named.DeviceName = drive.DeviceName;
      drives_.push_back(std::move(named));
      useSg_.push_back(true);
    } else if (blockTransport_) {
      drives_.push_back(drive);
      useSg_.push_back(false);
    }
  }
  int number = 0;
  for (std::size_t i = 0; i < sgDrives.size(); ++i) {
    if (matched[i]) continue;
    TNkCdRom named = sgDrives[i];
    named.DeviceName = std::to_string(number++) + ":";
    drives_.push_back(std::move(named));
    useSg_.push_back(true);
  }
  return Count();
}

bool TNkCdRoms::UsesAspi(int index) const {
  return index >= 0 && index < Count() && useSg_[static_cast<std::size_t>(index)];
}

const TNkCdRom* TNkCdRoms::Drive(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &drives_[static_cast<std::size_t>(index)];
}

ScsiTransport* TNkCdRoms::Transport(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return UsesAspi(index) ? sgTransport_ : blockTransport_;
}

}  // namespace mosaicer
