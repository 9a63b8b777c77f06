#include "ripper/linux_transports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ripper/fake_sysfs.h"

namespace mosaicer {
namespace {

using testing::FakeSysfs;

TEST(ScsiAddress, ParsesOnlyFourNumbers) {
  int h = 0, c = 0, t = 0, l = 0;
  ASSERT_TRUE(ParseScsiAddress("3:0:12:1", h, c, t, l));
  EXPECT_EQ(h, 3);
  EXPECT_EQ(t, 12);
  EXPECT_EQ(l, 1);
  EXPECT_FALSE(ParseScsiAddress("3:0:12", h, c, t, l));
  EXPECT_FALSE(ParseScsiAddress("3:0:12:1:", h, c, t, l));
  EXPECT_FALSE(ParseScsiAddress("host3", h, c, t, l));
}

TEST(CdDriveList, BlockDevicesInNumberOrder) {
  FakeSysfs sys;
  sys.AddDevice("0:0:0:0", "ATA", "disk", "1");
  sys.AddDevice("1:0:0:0", "HL-DT-ST", "DVDRAM GH24NSD1", "LG00");
  sys.AddDevice("2:0:1:0", "TSSTcorp", "CDDVDW SH-224DB", "SB01");
  sys.AddBlock("sda", "0:0:0:0");
  sys.AddBlock("sr10", "2:0:1:0");
  sys.AddBlock("sr2", "1:0:0:0");
  EXPECT_EQ(ListCdDriveLetters(sys.root(), "/dev"),
            (std::vector<std::string>{"/dev/sr2", "/dev/sr10"}));
  EXPECT_TRUE(ListCdDriveLetters(sys.root() / "missing").empty());
}

TEST(CdDriveList, BlockDeviceFactsComeFromItsScsiDevice) {
  FakeSysfs sys;
  sys.AddDevice("2:0:1:3", "TSSTcorp", "CDDVDW SH-224DB ", "SB01");
  sys.AddBlock("sr0", "2:0:1:3");
  auto facts = ReadBlockDeviceFacts("/dev/sr0", sys.root());
  ASSERT_TRUE(facts.has_value());
  EXPECT_TRUE(facts->hasAddress);
  EXPECT_EQ(facts->host, 2);
  EXPECT_EQ(facts->target, 1);
  EXPECT_EQ(facts->lun, 3);
  EXPECT_EQ(facts->model, "CDDVDW SH-224DB ");
  EXPECT_EQ(facts->revision, "SB01");
  EXPECT_FALSE(ReadBlockDeviceFacts("/dev/sr1", sys.root()).has_value());

  // An endless file, a folder, a file larger than a page, a missing one:
  // each reads as empty, at once and without an exception.
  const auto device = sys.root() / "devices" / "2:0:1:3";
  std::filesystem::remove(device / "vendor");
  std::filesystem::create_symlink("/dev/zero", device / "vendor");
  std::filesystem::remove(device / "model");
  std::filesystem::create_directory(device / "model");
  std::ofstream(device / "rev") << std::string(5000, 'x');
  std::filesystem::remove(device / "type");
  facts = ReadBlockDeviceFacts("/dev/sr0", sys.root());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(facts->vendor + facts->model + facts->revision, "");
  EXPECT_EQ(facts->type, ScsiDeviceFacts{}.type);
  EXPECT_TRUE(facts->hasAddress);
}

TEST(CdDriveList, SgDevicesOfTypeCdRomOnly) {
  FakeSysfs sys;
  sys.AddDevice("0:0:0:0", "ATA", "disk", "1", 0);
  sys.AddDevice("4:0:5:0", "PLEXTOR", "DVDR PX-760A", "1.07");
  sys.AddSg("sg0", "0:0:0:0");
  sys.AddSg("sg1", "4:0:5:0");
  const auto devices = ListSgCdDevices(sys.root(), "/dev");
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].devicePath, "/dev/sg1");
  EXPECT_EQ(devices[0].host, 4);
  EXPECT_EQ(devices[0].target, 5);
  EXPECT_EQ(devices[0].vendor, "PLEXTOR");
}

TEST(BlockDeviceProbe, DecisionFollowsTheFirstTellingDrive) {
  std::vector<std::string> probed;
  auto script = [&](std::map<std::string, ProbeResult> results) {
    probed.clear();
    return [&probed, results](const std::string& path) {
      probed.push_back(path);
      return results.at(path);
    };
  };
  const std::vector<std::string> two = {"/dev/sr0", "/dev/sr1"};
  EXPECT_TRUE(AvailabilityFromProbes({"/dev/sr0"}, script({{"/dev/sr0", ProbeResult::Failed}})));
  EXPECT_FALSE(AvailabilityFromProbes(
      two, script({{"/dev/sr0", ProbeResult::CannotOpen}, {"/dev/sr1", ProbeResult::CannotOpen}})));
  EXPECT_FALSE(AvailabilityFromProbes(
      two, script({{"/dev/sr0", ProbeResult::Failed}, {"/dev/sr1", ProbeResult::AccessDenied}})));
  EXPECT_TRUE(AvailabilityFromProbes(two, script({{"/dev/sr0", ProbeResult::Completed},
                                                  {"/dev/sr1", ProbeResult::AccessDenied}})));
  EXPECT_EQ(probed.size(), 1u) << "a completed probe ends the search";
  EXPECT_FALSE(AvailabilityFromProbes({}, script({})));
}

TEST(LinuxTransports, CommandsToMissingDevicesFailWithStatusZero) {
  std::uint8_t buffer[100] = {};
  const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 100, 0};
  BlockDeviceTransport block;
  EXPECT_EQ(block.Execute(TNkCdRom("/nonexistent/sr0"), 6, inquiry, buffer, 100, kScsiDirIn,
                          kScsiTimeoutMs),
            0);
  EXPECT_EQ(BlockDeviceTransport::Probe("/nonexistent/sr0"), ProbeResult::CannotOpen);
  ScsiDeviceFacts facts;
  facts.devicePath = "/nonexistent/sg0";
  facts.host = 1;
  SgDeviceTransport sg({facts});
  EXPECT_EQ(sg.Execute(TNkCdRom(1, 0, 0), 6, inquiry, buffer, 100, kScsiDirIn, kScsiTimeoutMs), 0);
  EXPECT_EQ(sg.Execute(TNkCdRom(2, 0, 0), 6, inquiry, buffer, 100, kScsiDirIn, kScsiTimeoutMs), 0);
}

}  // namespace
}  // namespace mosaicer
