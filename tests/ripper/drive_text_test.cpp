#include "ripper/drive_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace mosaicer {
namespace {

TNkCdRom Plextor(TNkCdRom drive) {
  char data[36] = {};
  std::memcpy(data + 8, "PLEXTOR DVDR   PX-760A  1.07", 28);
  drive.SetInquiry(data, sizeof data);
  return drive;
}

TEST(DriveText, DriveLinesForBothTransports) {
  TNkCdRom sgDrive = Plextor(TNkCdRom(1, 3, 0));
  sgDrive.DeviceName = "0:";
  EXPECT_EQ(DriveLine(sgDrive, true), "<0:> [01:03:00] PLEXTOR  DVDR   PX-760A   1.07");
  EXPECT_EQ(DriveLine(Plextor(TNkCdRom("/dev/sr0")), false),
            "</dev/sr0>            PLEXTOR  DVDR   PX-760A   1.07");
}

}  // namespace
}  // namespace mosaicer
