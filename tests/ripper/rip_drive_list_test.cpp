#include "ripper/rip_drive_list.h"

#include <gtest/gtest.h>

#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

class RipDriveListTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string ccd = testing::WriteCloneCd(dir, testing::MakeDisc(150, 5));
};

TEST_F(RipDriveListTest, AnImageIsListedAfterTheFoundDrivesAndReadsItsToc) {
  RipDriveList list;
  EXPECT_EQ(list.Search(DriveSearchSetup{}), 0);  // no usable transport: no drives
  std::string error;
  EXPECT_FALSE(list.AddImage(dir.File("missing.ccd"), error));
  EXPECT_NE(error.find("missing.ccd"), std::string::npos);
  ASSERT_TRUE(list.AddImage(ccd, error)) << error;
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Line(0), "<" + ccd + ">            MOSAICER CLONECD IMAGE    1.0 ");
  EXPECT_FALSE(list.UsesAspi(0));
  ASSERT_NE(list.Transport(0), nullptr);
  TNkToc toc;
  ASSERT_TRUE(ReadToc(*list.Transport(0), *list.Drive(0), false, toc));
  EXPECT_EQ(toc.TrackCount, 2);

  EXPECT_EQ(list.Drive(1), nullptr);
  EXPECT_EQ(list.Transport(-1), nullptr);
  EXPECT_EQ(list.Line(1), "");
  // A later search keeps the images behind the drives it finds.
  list.Search(DriveSearchSetup{});
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(RipDriveListTest, SettingsExistForTheFirst26PositionsOnly) {
  RipDriveList list;
  std::string error;
  for (int i = 0; i < kDriveSlots + 1; ++i) ASSERT_TRUE(list.AddImage(ccd, error));
  IniFile driveIni("[" + ccd +
                   "]\nDeviceName=CLONECD IMAGE   \nReadCmd=2\nTocBcd=1\nReadSize=33\n");
  const std::vector<DriveSettings> settings = list.LoadSettings(driveIni);
  ASSERT_EQ(settings.size(), static_cast<std::size_t>(kDriveSlots));
  EXPECT_EQ(settings[0].readCommand, 2);
  EXPECT_TRUE(settings[0].tocBcd);
  EXPECT_EQ(settings[0].readSize, 33);

  IniFile saved;
  list.SaveSettings(saved, {DriveSettings{1, false, 44}});
  EXPECT_EQ(saved.ReadString(ccd, "DeviceName"), "CLONECD IMAGE   ");  // the blanks are kept
  EXPECT_EQ(saved.ReadInteger(ccd, "ReadCmd", -1), 1);
  EXPECT_EQ(saved.ReadInteger(ccd, "ReadSize", -1), 44);
}

}  // namespace
}  // namespace mosaicer
