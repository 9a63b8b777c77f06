#include "ripper/drive_text.h"

#include <cstdio>

namespace mosaicer {

namespace {

constexpr std::size_t kLineCapacity = 160;

std::string TimeText(std::int64_t frames) {
  char text[kLineCapacity];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld",
                static_cast<long long>(frames / kFramesPerSecond / kSecondsPerMinute),
                static_cast<long long>((frames / kFramesPerSecond) % kSecondsPerMinute),
                static_cast<long long>(frames % kFramesPerSecond));
  return text;
}

std::string AddressText(const MsfAddress& a) {
  char text[kLineCapacity];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", a[1], a[2], a[3]);
  return text;
}

}  // namespace

std::string DriveLine(const TNkCdRom& drive, bool usesSg) {
  char address[kLineCapacity];
  if (usesSg)
    std::snprintf(address, sizeof address, " [%.2d:%.2d:%.2d] ", drive.HaId, drive.Target,
                  drive.Lun);
  else
    std::snprintf(address, sizeof address, "            ");
  return "<" + drive.DeviceName + ">" + address + drive.Vendor() + " " + drive.Product() + " " +
         drive.Revision();
}

std::string TrackLine(int listPosition, const TNkTrack& track) {
  char number[kLineCapacity];
  std::snprintf(number, sizeof number, "Track %2d : ", listPosition + 1);
  const std::int64_t length = MsfAddressToFrames(track.End) - MsfAddressToFrames(track.Start);
  return number + AddressText(track.Start) + " - " + AddressText(track.End) + " (" +
         TimeText(length) + ")";
}

}  // namespace mosaicer
