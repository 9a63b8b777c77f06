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

TEST(DriveText, TrackLineShowsStartEndAndLength) {
  const TNkTrack track{MakeMsfAddress(0, 2, 0), MakeMsfAddress(4, 10, 33)};
  EXPECT_EQ(TrackLine(0, track), "Track  1 : 00:02:00 - 04:10:33 (04:08:33)");
  const TNkTrack late{MakeMsfAddress(59, 59, 74), MakeMsfAddress(61, 0, 1)};
  EXPECT_EQ(TrackLine(11, late), "Track 12 : 59:59:74 - 61:00:01 (01:00:02)");
}

}  // namespace
}  // namespace mosaicer
