#include "ripper/cd_drives.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "ripper/fake_sysfs.h"

namespace mosaicer {
namespace {

using testing::FakeSysfs;

// Answers INQUIRY for the drives it knows, keyed by device name or by
// "H:T:L"; any other drive fails.
class InquiryFake : public ScsiTransport {
 public:
  void Add(const std::string& key, const std::string& vendor, const std::string& product,
           const std::string& revision) {
    std::string data(100, '\0');
    data.replace(8, 8, (vendor + std::string(8, ' ')).substr(0, 8));
    data.replace(16, 16, (product + std::string(16, ' ')).substr(0, 16));
    data.replace(32, 4, (revision + std::string(4, ' ')).substr(0, 4));
    answers_[key] = data;
  }
  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t, const std::uint8_t*, void* buffer,
                       std::uint32_t bufferLength, std::uint8_t, std::uint32_t) override {
    const std::string key = !drive.DeviceName.empty()
                                ? drive.DeviceName
                                : std::to_string(drive.HaId) + ":" + std::to_string(drive.Target) +
                                      ":" + std::to_string(drive.Lun);
    const auto it = answers_.find(key);
    if (it == answers_.end()) return 2;
    std::memcpy(buffer, it->second.data(), std::min<std::size_t>(bufferLength, 100));
    return kScsiCompleted;
  }

 private:
  std::map<std::string, std::string> answers_;
};

// Two identical drives at target 0, LUN 0 of hosts 1 and 2, both with a
// block device, and a third drive reachable through sg only.
struct TwinDrives {
  TwinDrives() {
    sys.AddDevice("1:0:0:0", "PIONEER", "DVD-RW  DVR-111D", "1.23");
    sys.AddDevice("2:0:0:0", "PIONEER", "DVD-RW  DVR-111D", "1.23");
    sys.AddDevice("3:0:4:0", "YAMAHA", "CRW3200E", "1.0g");
    sys.AddSg("sg0", "1:0:0:0");
    sys.AddSg("sg1", "2:0:0:0");
    sys.AddSg("sg2", "3:0:4:0");
    // sr0 is the drive on host 2, but the host is not compared.
    sys.AddBlock("sr0", "2:0:0:0");
    sys.AddBlock("sr1", "1:0:0:0");
    for (const char* key : {"1:0:0", "2:0:0", "/dev/sr0", "/dev/sr1"})
      transport.Add(key, "PIONEER", "DVD-RW  DVR-111D", "1.23");
    transport.Add("3:4:0", "YAMAHA", "CRW3200E", "1.0g");
  }
  DriveSearchSetup Setup(bool withBlock) {
    return DriveSearchSetup{sys.root(), "/dev", withBlock ? &transport : nullptr, &transport};
  }
  FakeSysfs sys;
  InquiryFake transport;
};

TEST(DriveSearch, IdenticalDrivesAreMatchedInScanOrder) {
  TwinDrives twins;
  TNkCdRoms drives;
  ASSERT_EQ(drives.Search(twins.Setup(true)), 3);
  EXPECT_EQ(drives.Drive(0)->DeviceName, "/dev/sr0");
  EXPECT_EQ(drives.Drive(0)->HaId, 1);
  EXPECT_EQ(drives.Drive(1)->DeviceName, "/dev/sr1");
  EXPECT_EQ(drives.Drive(1)->HaId, 2);
  EXPECT_EQ(drives.Drive(2)->DeviceName, "0:");
  EXPECT_EQ(drives.Drive(2)->Target, 4);
  EXPECT_EQ(drives.Drive(2)->Vendor(), "YAMAHA  ");
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(drives.UsesAspi(i));
  EXPECT_EQ(drives.Drive(3), nullptr);
  EXPECT_FALSE(drives.UsesAspi(-1));
}

TEST(DriveSearch, UnmatchedBlockDeviceNeedsTheBlockTransport) {
  TwinDrives twins;
  twins.sys.AddDevice("5:0:0:0", "TEAC", "CD-W552E", "1.09");
  twins.sys.AddBlock("sr2", "5:0:0:0");
  twins.transport.Add("/dev/sr2", "TEAC", "CD-W552E", "1.09");

  TNkCdRoms withBlock;
  ASSERT_EQ(withBlock.Search(twins.Setup(true)), 4);
  EXPECT_EQ(withBlock.Drive(2)->DeviceName, "/dev/sr2");
  EXPECT_FALSE(withBlock.UsesAspi(2));
  EXPECT_EQ(withBlock.Transport(2), &twins.transport);

  TNkCdRoms sgOnly;
  ASSERT_EQ(sgOnly.Search(twins.Setup(false)), 3);
  EXPECT_EQ(sgOnly.Drive(1)->DeviceName, "/dev/sr1");
  EXPECT_EQ(sgOnly.Drive(2)->DeviceName, "0:");
  EXPECT_FALSE(sgOnly.SptiAvailable());
}

TEST(DriveSearch, BlockDevicesThatDoNotAnswerAreLeftOut) {
  TwinDrives twins;
  twins.sys.AddBlock("sr2", "3:0:4:0");
  TNkCdRoms drives;
  DriveSearchSetup setup = twins.Setup(true);
  setup.sgTransport = nullptr;
  ASSERT_EQ(drives.Search(setup), 2) << "sr2 fails INQUIRY";
  EXPECT_FALSE(drives.UsesAspi(0));
  EXPECT_EQ(drives.Search(DriveSearchSetup{twins.sys.root(), "/dev", nullptr, nullptr}), 0);
}

}  // namespace
}  // namespace mosaicer
