#include "ripper/rip_job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/io_status.h"
#include "ripper/image_drive_rig.h"
#include "support/disk_full.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

// A scripted drive: every read returns sectors whose audio byte 0 and
// subcode byte 0 hold the frame number, and records each read.
class CountingDrive : public ScsiTransport {
 public:
  std::vector<std::pair<std::int64_t, std::uint32_t>> reads;  // LBA, count
  int failAt = -1;                                            // the read (0-based) that fails

  std::uint8_t Execute(const TNkCdRom&, std::uint8_t, const std::uint8_t* cdb, void* buffer,
                       std::uint32_t length, std::uint8_t, std::uint32_t) override {
    const std::int64_t lba = testing::CdbLba(cdb);
    const std::uint32_t count = testing::CdbCount(cdb);
    if (static_cast<int>(reads.size()) == failAt) return 2;
    reads.emplace_back(lba, count);
    std::memset(buffer, 0xFF, length);  // bits 7..6 everywhere, to be masked
    for (std::uint32_t s = 0; s < count; ++s) {
      auto* sector = static_cast<std::uint8_t*>(buffer) + s * kCdgSectorSize;
      sector[0] = static_cast<std::uint8_t>(lba + s);
    }
    return kScsiCompleted;
  }
};

TNkTrack Track(std::int64_t start, std::int64_t end) {
  const Msf a = FramesToMsf(start), b = FramesToMsf(end);
  return {MakeMsfAddress(a.minutes, a.seconds, a.frames),
          MakeMsfAddress(b.minutes, b.seconds, b.frames)};
}

class RipJobTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  CountingDrive drive;
  TNkCdRom cd{"/dev/sr0"};
  TRipJob job;
  testing::Codes codes;
  void SetUp() override { ASSERT_TRUE(job.SetProgressCallback(&testing::Codes::Callback, &codes)); }
};

TEST_F(RipJobTest, ReadStepsOfTheReadSizeUntilTheEnd) {
  RipOptions options;
  options.command = kReadCdDataRw;
  ASSERT_TRUE(job.RipTrack(drive, cd, Track(150, 1150), dir.File("t.cdg"), options));
  EXPECT_EQ(codes.list.front(), (std::pair<int, int>{kProgressSteps, 41}));
  EXPECT_EQ(drive.reads.size(), 40u);
  EXPECT_EQ(drive.reads.front(), (std::pair<std::int64_t, std::uint32_t>{0, 25}));
  EXPECT_EQ(drive.reads.back(), (std::pair<std::int64_t, std::uint32_t>{975, 25}));
  EXPECT_EQ(codes.Count(kProgressStep), 40);
  EXPECT_EQ(codes.Count(kProgressAllSteps), 1);
  EXPECT_EQ(job.JobStatus(), kJobSucceeded);
  const std::string file = testing::ReadFile(dir.File("t.cdg"));
  ASSERT_EQ(file.size(), 1000u * kCdgSectorSize);
  EXPECT_EQ(static_cast<std::uint8_t>(file[999 * kCdgSectorSize]), 999 % 256);
  EXPECT_EQ(static_cast<std::uint8_t>(file[kAudioBytesPerSector + 5]), 0x3F);  // masked

  // Read sizes are kept to 1..50 sectors.
  drive.reads.clear();
  options.readSize = 80;
  ASSERT_TRUE(job.RipTrack(drive, cd, Track(150, 250), dir.File("u.cdg"), options));
  EXPECT_EQ(drive.reads[0].second, 50u);
  options.readSize = kDefaultReadSize;

  // A short track is one read; subcode only gives 96 bytes a sector.
  drive.reads.clear();
  options.subcodeOnly = true;
  ASSERT_TRUE(job.RipTrack(drive, cd, Track(300, 310), dir.File("s.rws"), options));
  EXPECT_EQ(drive.reads.size(), 1u);
  EXPECT_EQ(drive.reads[0].second, 10u);
  EXPECT_EQ(testing::ReadFile(dir.File("s.rws")).size(), 960u);
}

TEST_F(RipJobTest, FailuresKeepTheOldFileAndCancelKeepsThePartialOne) {
  const std::string old = dir.Write("f.cdg", "the user's old rip");
  RipOptions plain;  // the drive's subcode is all ones: nothing to gain by re-reading it
  plain.retries = 0;
  struct Case {
    const char* name;
    int failAt;
    std::string file;
    bool fullDisk;
    std::string says;
  } cases[] = {
      {"bad read", 2, old, false, "could not read sectors 200 to 224"},
      {"full disk", -1, old, true, "File too large"},
      {"missing folder", -1, dir.File("no/such/dir.cdg"), false, ErrnoReason(ENOENT)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drive.failAt = c.failAt;
    job.SetJobStatus(kJobIdle);
    {
      std::optional<testing::DiskFullAfter> full;
      if (c.fullDisk) full.emplace(100 * 1000);
      EXPECT_FALSE(job.RipTrack(drive, cd, Track(150, 1150), c.file, plain));
    }
    EXPECT_EQ(job.JobStatus(), kJobFailed);
    EXPECT_NE(job.Error().find(c.says), std::string::npos) << job.Error();
    EXPECT_EQ(testing::ReadFile(old), "the user's old rip");
    EXPECT_TRUE(testing::LeftoverTempFiles(dir.path()).empty());
  }
  drive.failAt = -1;

  // A cancel asked during the first step ends the track after it.
  testing::Codes cancel{&job, 1};
  job.SetJobStatus(kJobIdle);
  ASSERT_TRUE(job.SetProgressCallback(&testing::Codes::Callback, &cancel));
  drive.reads.clear();
  EXPECT_FALSE(job.RipTrack(drive, cd, Track(150, 1150), dir.File("c.cdg"), plain));
  EXPECT_EQ(job.JobStatus(), kJobCancelRequested);
  EXPECT_EQ(drive.reads.size(), 1u);
  EXPECT_EQ(testing::ReadFile(dir.File("c.cdg")).size(), 25u * kCdgSectorSize);
  EXPECT_EQ(RipOutcomeText(job.JobStatus(), true), "RWSファイルの作成を中断しました。");
}

TEST_F(RipJobTest, BatchNamesSkipExistingFiles) {
  const std::string base = dir.File("song");
  dir.Write("song_02.cdg", "taken");
  dir.Write("song_02 - 001.cdg", "taken");
  EXPECT_EQ(BatchFileName(base, 1, ".cdg"), base + "_02 - 002.cdg");
  EXPECT_EQ(BatchFileName(base, 4, ".cdg"), base + "_05.cdg");

  TNkToc toc;
  toc.TrackCount = 5;
  for (int t = 0; t < 5; ++t) toc.Tracks[t] = Track(150 + t * 20, 170 + t * 20);
  job.RunBatch(drive, cd, toc, {1, 4}, base, {});
  EXPECT_EQ(job.JobStatus(), kJobSucceeded);
  EXPECT_EQ(codes.list.front(), (std::pair<int, int>{kProgressBeginBatch, 2}));
  EXPECT_EQ(codes.Count(kProgressNextTrack), 2);
  EXPECT_EQ(codes.list.back().first, kProgressDone);
  EXPECT_EQ(testing::ReadFile(base + "_02 - 002.cdg").size(), 20u * kCdgSectorSize);
  EXPECT_TRUE(FileExists(base + "_05.cdg"));
}

TEST(RipSettings, DriveIniSlotsAreRecognisedByProduct) {
  TNkCdRom drive("/dev/sr0");
  std::uint8_t inquiry[36] = {5};
  std::memcpy(inquiry + 8, "PLEXTOR CD-R   PX-W4012A1.07", 28);
  drive.SetInquiry(inquiry, sizeof inquiry);
  IniFile ini;
  DriveSettings s{kReadCddaDataRw, true, 40, 2, true};
  SaveDriveSettings(ini, drive, s);
  const DriveSettings back = LoadDriveSettings(ini, drive);
  EXPECT_EQ(back.readCommand, kReadCddaDataRw);
  EXPECT_TRUE(back.tocBcd);
  EXPECT_EQ(back.readSize, 40);
  EXPECT_EQ(back.retries, 2);
  EXPECT_TRUE(back.fixSlip);
  TNkCdRom other("/dev/sr0");  // another product in the same slot
  EXPECT_EQ(LoadDriveSettings(ini, other).readSize, 15);
  // The drive's own slot without a read size: the default as well.
  IniFile partial("[/dev/sr0]\nDeviceName=" + drive.Product() + "\nReadCmd=2\n");
  EXPECT_EQ(LoadDriveSettings(partial, drive).readSize, 15);
  EXPECT_EQ(LoadDriveSettings(partial, drive).readCommand, 2);
  // A re-read count out of range is brought into it.
  IniFile wild("[/dev/sr0]\nDeviceName=" + drive.Product() + "\nRetries=999\n");
  EXPECT_EQ(LoadDriveSettings(wild, drive).retries, kMaxRetries);
}

// A CloneCD image ripped raw gives the disc's packs seven packs late. Packs
// with two errors, one among the first four symbols and one among the last
// four, are too many for P, but Q still puts the first four right.
TEST(RipImage, RawRipRepairsWithQWhatPCannot) {
  const testing::Disc clean = testing::MakeDisc(150, 4);
  std::vector<std::uint8_t> packs = clean.source;
  const std::vector<int> damaged = {20, 150, 300};
  for (int pack : damaged) packs[pack * 24 + 1] ^= 0x05, packs[pack * 24 + 22] ^= 0x11;
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(testing::DiscFromPacks(packs, clean.audio, 5)));
  TRipJob job;
  RipOptions options;
  options.command = kReadCdDataRaw;
  options.readSize = 7;  // steps that do not line up with the track
  const std::string file = opened.Rip(opened.image, 0, options, job);
  ASSERT_EQ(file.size(), 85u * kCdgSectorSize);  // 00:02:00 to 00:03:10
  for (int pack = 0; pack + 7 < 85 * 4; ++pack) {
    const int late = pack + 7;  // the deinterleaver's delay
    const char* ripped = file.data() + late / 4 * kCdgSectorSize + kAudioBytesPerSector + late % 4 * 24;
    const bool twice = std::count(damaged.begin(), damaged.end(), pack) > 0;
    EXPECT_EQ(std::memcmp(ripped, clean.source.data() + pack * 24, twice ? 20 : 24), 0) << pack;
  }
  for (int s = 0; s < 85; ++s)
    EXPECT_EQ(file.compare(s * kCdgSectorSize, kAudioBytesPerSector, clean.audio,
                           s * kAudioBytesPerSector, kAudioBytesPerSector),
              0)
        << s;
}

}  // namespace
}  // namespace mosaicer
