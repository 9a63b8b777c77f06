#include "ripper/linux_transports.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>

#include "platform/file_util.h"
#include "platform/unique_fd.h"

namespace mosaicer {

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kOpPreventAllowMediumRemoval = 0x1E;
constexpr std::uint8_t kPreventAllowCdbLength = 6;
constexpr std::uint32_t kProbeTimeoutMs = 5000;
constexpr std::uint32_t kMsPerSecond = 1000;
constexpr char kBlockPrefix[] = "sr";
constexpr char kSgPrefix[] = "sg";

// The number after a name's prefix ("sr12" → 12), or none.
std::optional<int> NodeNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
  int n = 0;
  const char* first = name.data() + prefix.size();
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(first, last, n);
  if (ec != std::errc() || end != last) return std::nullopt;
  return n;
}

// Node names under a sysfs folder with the prefix, in number order.
std::vector<std::string> NumberedNodes(const fs::path& folder, std::string_view prefix) {
  std::vector<std::pair<int, std::string>> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (auto n = NodeNumber(name, prefix)) found.emplace_back(*n, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& entry : found) names.push_back(std::move(entry.second));
  return names;
}

// A sysfs attribute is at most a page.
constexpr std::uint64_t kMaxAttributeBytes = 4096;

// A sysfs attribute: its first line, with the padding blanks the kernel
// keeps from the inquiry data. Empty when it cannot be read, is not a
// regular file or is larger than an attribute can be.
std::string ReadAttribute(const fs::path& file) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(file, bytes, kMaxAttributeBytes)) return {};
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{'\n'});
  return std::string(bytes.begin(), end);
}

// Facts from a node's "device" folder, which is (or links to) the SCSI
// device named H:C:T:L.
ScsiDeviceFacts ReadDeviceFolder(const fs::path& node, std::string devicePath) {
  ScsiDeviceFacts facts;
  facts.devicePath = std::move(devicePath);
  const fs::path device = node / "device";
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  if (!ec)
    facts.hasAddress = ParseScsiAddress(target.filename().string(), facts.host, facts.channel,
                                        facts.target, facts.lun);
  facts.vendor = ReadAttribute(device / "vendor");
  facts.model = ReadAttribute(device / "model");
  facts.revision = ReadAttribute(device / "rev");
  const std::string type = ReadAttribute(device / "type");
  int value = 0;
  const auto [end, parseError] = std::from_chars(type.data(), type.data() + type.size(), value);
  if (parseError == std::errc()) facts.type = value;
  return facts;
}

int SgDirection(std::uint8_t direction, std::uint32_t bufferLength) {
  if (bufferLength == 0) return SG_DXFER_NONE;
  switch (MapScsiDirection(direction)) {
    case PassThroughDirection::In:
      return SG_DXFER_FROM_DEV;
    case PassThroughDirection::Out:
      return SG_DXFER_TO_DEV;
    case PassThroughDirection::Undetermined:
      break;
  }
  return SG_DXFER_NONE;
}

// One SG_IO request. errnoOut receives the ioctl's error, 0 when it went
// through.
std::uint8_t SendSgIo(int fd, std::uint8_t cdbLength, const std::uint8_t* cdb, void* buffer,
                      std::uint32_t bufferLength, std::uint8_t direction, std::uint32_t timeoutMs,
                      int* errnoOut = nullptr) {
  unsigned char sense[kScsiSenseLength] = {};
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.dxfer_direction = SgDirection(direction, bufferLength);
  request.cmd_len = cdbLength;
  request.cmdp = const_cast<unsigned char*>(cdb);
  request.dxfer_len = bufferLength;
  request.dxferp = buffer;
  request.mx_sb_len = sizeof sense;
  request.sbp = sense;
  // Same whole-second rounding as the other platform's pass-through, so a
  // command gets the same time either way.
  request.timeout = ScsiTimeoutSeconds(timeoutMs) * kMsPerSecond;
  if (ioctl(fd, SG_IO, &request) < 0) {
    if (errnoOut) *errnoOut = errno;
    return 0;
  }
  if (errnoOut) *errnoOut = 0;
  if (request.status == 0 && request.host_status == 0 && request.driver_status == 0)
    return kScsiCompleted;
  return request.status;
}

}  // namespace

bool ParseScsiAddress(std::string_view text, int& host, int& channel, int& target, int& lun) {
  int parts[4] = {};
  const char* p = text.data();
  const char* last = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    const auto [end, ec] = std::from_chars(p, last, parts[i]);
    if (ec != std::errc() || parts[i] < 0) return false;
    p = end;
    if (i < 3) {
      if (p == last || *p != ':') return false;
      ++p;
    }
  }
  if (p != last) return false;
  host = parts[0];
  channel = parts[1];
  target = parts[2];
  lun = parts[3];
  return true;
}

std::vector<std::string> ListCdDriveLetters(const fs::path& sysRoot, const fs::path& devRoot) {
  std::vector<std::string> paths;
  for (const std::string& name : NumberedNodes(sysRoot / "block", kBlockPrefix))
    paths.push_back((devRoot / name).string());
  return paths;
}

std::optional<ScsiDeviceFacts> ReadBlockDeviceFacts(const std::string& devicePath,
                                                    const fs::path& sysRoot) {
  const std::string name = fs::path(devicePath).filename().string();
  const fs::path node = sysRoot / "block" / name;
  std::error_code ec;
  if (name.empty() || !fs::exists(node / "device", ec)) return std::nullopt;
  return ReadDeviceFolder(node, devicePath);
}

std::vector<ScsiDeviceFacts> ListSgCdDevices(const fs::path& sysRoot, const fs::path& devRoot) {
  const fs::path folder = sysRoot / "class" / "scsi_generic";
  std::vector<ScsiDeviceFacts> devices;
  for (const std::string& name : NumberedNodes(folder, kSgPrefix)) {
    ScsiDeviceFacts facts = ReadDeviceFolder(folder / name, (devRoot / name).string());
    if (facts.type == kScsiTypeCdRom && facts.hasAddress) devices.push_back(std::move(facts));
  }
  return devices;
}

bool AvailabilityFromProbes(const std::vector<std::string>& devicePaths,
                            const std::function<ProbeResult(const std::string&)>& probe) {
  bool available = false;
  for (const std::string& path : devicePaths) {
    switch (probe(path)) {
      case ProbeResult::CannotOpen:
        break;
      case ProbeResult::Completed:
        return true;
      case ProbeResult::AccessDenied:
        return false;
      case ProbeResult::Failed:
        available = true;
        break;
    }
  }
  return available;
}

std::uint8_t BlockDeviceTransport::Execute(const TNkCdRom& drive, std::uint8_t cdbLength,
                                           const std::uint8_t* cdb, void* buffer,
                                           std::uint32_t bufferLength, std::uint8_t direction,
                                           std::uint32_t timeoutMs) {
  const UniqueFd fd(open(drive.DeviceName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return 0;
  return SendSgIo(fd.get(), cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
}

ProbeResult BlockDeviceTransport::Probe(const std::string& devicePath) {
  const UniqueFd fd(open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return ProbeResult::CannotOpen;
  const std::uint8_t cdb[kPreventAllowCdbLength] = {kOpPreventAllowMediumRemoval};
  int error = 0;
  const std::uint8_t status = SendSgIo(fd.get(), kPreventAllowCdbLength, cdb, nullptr, 0,
                                       kScsiDirOut, kProbeTimeoutMs, &error);
  if (status == kScsiCompleted) return ProbeResult::Completed;
  if (error == EACCES || error == EPERM) return ProbeResult::AccessDenied;
  return ProbeResult::Failed;
}

bool BlockDeviceTransport::IsAvailable(const std::vector<std::string>& devicePaths) {
  return AvailabilityFromProbes(devicePaths, &BlockDeviceTransport::Probe);
}

std::uint8_t SgDeviceTransport::Execute(const TNkCdRom& drive, std::uint8_t cdbLength,
                                        const std::uint8_t* cdb, void* buffer,
                                        std::uint32_t bufferLength, std::uint8_t direction,
                                        std::uint32_t timeoutMs) {
  const auto device = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) {
    return d.host == drive.HaId && d.target == drive.Target && d.lun == drive.Lun;
  });
  if (device == devices_.end()) return 0;
  const UniqueFd fd(open(device->devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return 0;
  // sg numbers can move when devices come and go; make sure this node still
  // is the device the drive was found at.
  struct sg_scsi_id id {};
  if (ioctl(fd.get(), SG_GET_SCSI_ID, &id) < 0 || id.host_no != drive.HaId ||
      id.scsi_id != drive.Target || id.lun != drive.Lun)
    return 0;
  return SendSgIo(fd.get(), cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
}

}  // namespace mosaicer
