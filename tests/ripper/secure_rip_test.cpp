#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/interleave.h"
#include "core/parity.h"
#include "ripper/image_drive_rig.h"
#include "ripper/rip_report.h"
#include "ripper/secure_read.h"
#include "support/language_scope.h"

namespace mosaicer {
namespace {

using testing::CorruptingTransport;
using testing::RawSpot;
using testing::SpotOfPack;

// Track 1 of kCcd: sectors 0..84; track 2: 85..149.
constexpr std::int64_t kTrack2Lba = 85;

using Rig = testing::ImageDrive;

testing::Disc QDisc(unsigned seed) {
  testing::Disc disc = testing::MakeDisc(150, seed);
  testing::WriteQTimes(disc);
  return disc;
}

// Two wrong data symbols in each of these packs of track 1: one too many
// for the parity to repair.
std::vector<RawSpot> DoubleErrors(std::int64_t trackLba, const std::vector<int>& slots) {
  std::vector<RawSpot> spots;
  for (int slot : slots) {
    spots.push_back(SpotOfPack(trackLba, slot, 6));
    spots.push_back(SpotOfPack(trackLba, slot, 13));
  }
  return spots;
}

const std::vector<int> kSlots = {40, 41, 201, 333};  // sectors 10, 10, 50, 83

// Errors that vary from read to read are repaired by re-reading; errors
// that do not are listed, and the first read stands.
TEST(SecureRip, ReReadingRepairsVaryingErrorsAndListsPersistentOnes) {
  Rig rig;
  ASSERT_NO_FATAL_FAILURE(rig.Open(QDisc(31)));
  TRipJob job;
  RipOptions options;
  const std::string clean = rig.Rip(rig.image, 0, options, job, "clean.cdg");
  EXPECT_EQ(job.Reports().at(0).unrepairable, 0u);
  EXPECT_EQ(job.Reports()[0].packsRead, 85u * 4u);

  std::vector<RawSpot> spots = DoubleErrors(0, kSlots);
  spots.push_back(SpotOfPack(0, 100, 9));  // one symbol: the parity repairs it
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    CorruptingTransport worn(rig.image, spots, CorruptingTransport::Kind::Varying, seed);
    EXPECT_TRUE(rig.Rip(worn, 0, options, job) == clean);
    const TrackRipReport& r = job.Reports().at(0);
    EXPECT_EQ(r.track, 1);
    EXPECT_EQ(r.repairedAtFirstRead, 1u);
    EXPECT_EQ(r.repairedByRereading, 4u);
    EXPECT_EQ(r.unrepairable, 0u);
    EXPECT_GE(r.sectorsReread, 9u);  // three sectors for each of sectors 10, 50 and 83
    EXPECT_EQ(r.readErrors, 0u);
  }

  CorruptingTransport worn(rig.image, DoubleErrors(0, kSlots),
                           CorruptingTransport::Kind::Persistent);
  options.retries = 0;
  const std::string first = rig.Rip(worn, 0, options, job, "once.cdg");
  EXPECT_EQ(job.Reports().at(0).unrepairable, 4u);
  EXPECT_EQ(job.Reports()[0].sectorsReread, 0u);
  const std::size_t plainReads = worn.rawReads.size();
  options.retries = 5;
  worn.rawReads.clear();
  EXPECT_TRUE(rig.Rip(worn, 0, options, job) == first);  // every read agrees
  const TrackRipReport& r = job.Reports().at(0);
  EXPECT_EQ(r.unrepairable, 4u);
  EXPECT_EQ(r.unrepairableSectors, (std::vector<std::int64_t>{10, 50, 83}));
  EXPECT_EQ(r.repairedByRereading, 0u);
  EXPECT_EQ(r.sectorsReread, 3u * 5u * 3u);
  EXPECT_EQ(worn.rawReads.size(), plainReads + 15u);
  EXPECT_NE(FormatTrackReport(r).find("10, 50, 83"), std::string::npos) << FormatTrackReport(r);
}

// What a rip without re-reads has always written: the raw subcode
// de-interleaved across the whole track, each pack repaired by P then Q.
TEST(SecureRip, NoRetriesWritesWhatAPlainRawRipWrites) {
  testing::Disc disc = QDisc(33);
  for (int s : {100, 101, 130}) disc.sub[s * 96 + 3 * 12 + 5] ^= 0x24;  // channel S
  Rig rig;
  ASSERT_NO_FATAL_FAILURE(rig.Open(disc));
  CorruptingTransport worn(rig.image, DoubleErrors(kTrack2Lba, {30, 31, 150}),
                           CorruptingTransport::Kind::Persistent);
  TRipJob job;
  RipOptions options;
  options.retries = 0;
  options.readSize = 9;
  const std::string ripped = rig.Rip(worn, 1, options, job);
  EXPECT_EQ(worn.rawReads.size(), 65u / 9u + 1u);  // no read beyond the plain steps

  TSubCodeErrorCorrect ecc;
  TSubCodeInterLeave deinterleave;
  std::vector<std::uint8_t> sector(kCdgSectorSize);
  for (int s = 0; s < 65; ++s) {
    ASSERT_TRUE(ReadCdRaw(worn, rig.drive, 150 + kTrack2Lba + s, 1, sector.data()));
    std::uint8_t* sub = sector.data() + kAudioBytesPerSector;
    deinterleave.DeinterleavePacks(sub, 4);
    for (int p = 0; p < 4; ++p) ecc.CorrectP(sub + p * 24), ecc.CorrectQ(sub + p * 24);
    for (int b = 0; b < 96; ++b) sub[b] &= 0x3F;
    ASSERT_EQ(std::memcmp(ripped.data() + s * kCdgSectorSize, sector.data(), kCdgSectorSize), 0)
        << "sector " << s;
  }
  EXPECT_EQ(job.Reports().at(0).unrepairable, 3u);
  EXPECT_EQ(job.Reports()[0].unrepairableSectors, (std::vector<std::int64_t>{7, 37}));
}

TEST(SecureRip, SlipsAreMeasuredAndCorrected) {
  testing::LanguageScope english(Language::English);
  Rig rig;
  ASSERT_NO_FATAL_FAILURE(rig.Open(QDisc(34)));
  TRipJob job;
  RipOptions options;
  // Late subcode is checked on track 1, early on track 2, so that the
  // corrected subcode never lies outside the disc.
  const std::string clean1 = rig.Rip(rig.image, 0, options, job, "c1.cdg");
  EXPECT_EQ(job.Reports().at(0).slip.offset, 0);
  EXPECT_EQ(job.Reports()[0].slip.qFrames, 85u);
  const std::string clean2 = rig.Rip(rig.image, 1, options, job, "c2.cdg");
  for (int late : {1, 2, -1, -2}) {
    SCOPED_TRACE(late);
    const int position = late > 0 ? 0 : 1;
    CorruptingTransport slipping(rig.image, {}, CorruptingTransport::Kind::Persistent, 1, late);
    options.fixSlip = false;
    const std::string slipped = rig.Rip(slipping, position, options, job);
    const TrackRipReport& seen = job.Reports().at(0);
    EXPECT_EQ(seen.slip.offset, late);
    EXPECT_EQ(seen.slip.corrected, 0);
    EXPECT_GE(seen.slip.agreeing, 60u);
    EXPECT_NE(slipped, position == 0 ? clean1 : clean2);
    EXPECT_NE(SlipText(seen.slip).find(late > 0 ? "late" : "early"), std::string::npos);

    options.fixSlip = true;
    const std::string fixed = rig.Rip(slipping, position, options, job);
    EXPECT_TRUE(fixed == (position == 0 ? clean1 : clean2));
    EXPECT_EQ(job.Reports().at(0).slip.corrected, late);
    EXPECT_EQ(job.Reports()[0].unrepairable, 0u);
  }
  // The Q time of the image itself agrees: nothing to shift.
  options.fixSlip = true;
  EXPECT_TRUE(rig.Rip(rig.image, 0, options, job) == clean1);
  EXPECT_EQ(job.Reports().at(0).slip.corrected, 0);
}

TEST(SecureRip, CancelStopsTheReReads) {
  Rig rig;
  ASSERT_NO_FATAL_FAILURE(rig.Open(QDisc(35)));
  CorruptingTransport worn(rig.image, DoubleErrors(0, {201}),
                           CorruptingTransport::Kind::Persistent);
  TRipJob job;
  std::int64_t furthest = -1;
  int rereads = 0;
  worn.onRawRead = [&](std::int64_t lba, std::uint32_t) {
    if (lba <= furthest) {
      ++rereads;
      job.CancelJob();
    }
    furthest = std::max(furthest, lba);
  };
  RipOptions options;
  options.readSize = 10;
  job.RunSingle(worn, rig.drive, rig.toc, 0, rig.dir.File("c.cdg"), options);
  EXPECT_EQ(job.JobStatus(), kJobCancelRequested);
  EXPECT_EQ(rereads, 1);
  EXPECT_EQ(testing::ReadFile(rig.dir.File("c.cdg")).size(), 60u * kCdgSectorSize);
  EXPECT_EQ(job.Reports().at(0).sectorsReread, 3u);
}

TEST(SecureRead, QFramesGiveTheirAbsoluteTimeOnlyWhenSound) {
  testing::Disc disc = testing::MakeDisc(2, 3);
  testing::WriteQTimes(disc);
  std::uint8_t raw[96];
  LinearToRawSubcode(reinterpret_cast<const std::uint8_t*>(disc.sub.data()) + 96, raw);
  EXPECT_EQ(QAbsoluteFrames(raw), 151);
  const struct {
    const char* name;
    int byte;  // of the Q frame
    std::uint8_t flip;
  } cases[] = {{"bad CRC", 11, 0x01}, {"another ADR", 0, 0x03}, {"time not BCD", 9, 0x0F}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint8_t spoilt[96];
    std::memcpy(spoilt, raw, sizeof spoilt);
    for (int b = 0; b < 8; ++b)
      if (c.flip & (0x80 >> b)) spoilt[c.byte * 8 + b] ^= 0x40;
    EXPECT_FALSE(QAbsoluteFrames(spoilt).has_value());
  }
  // A frame digit past 9 under a sound CRC.
  std::uint8_t q[12] = {0x01, 0x01, 0x01, 0, 0, 0, 0, 0, 0x02, 0x0A};
  testing::PutQ(disc, 1, q);
  LinearToRawSubcode(reinterpret_cast<const std::uint8_t*>(disc.sub.data()) + 96, raw);
  EXPECT_FALSE(QAbsoluteFrames(raw).has_value());
}

TEST(RipReport, ListsTheFirstSectorsAndNamesLogsFreely) {
  testing::LanguageScope english(Language::English);
  TrackRipReport r;
  r.track = 3;
  r.file = "/x/song_03.cdg";
  r.judged = true;
  for (int s = 0; s < 25; ++s) r.AddUnrepairable(s * 2), r.AddUnrepairable(s * 2);
  EXPECT_EQ(r.unrepairable, 50u);
  EXPECT_EQ(r.unrepairableSectorCount, 25u);
  ASSERT_EQ(r.unrepairableSectors.size(), kListedSectors);
  const std::string text = FormatTrackReport(r);
  EXPECT_NE(text.find("34, 36, 38 and 5 more"), std::string::npos) << text;
  EXPECT_EQ(UnrepairablePacks({r, r}), 100u);

  testing::TempDir dir;
  const std::string base = dir.File("song");
  EXPECT_EQ(RipLogName(base, false), base + ".log");
  dir.Write("song.log", "earlier");
  EXPECT_EQ(RipLogName(base, false), base + " - 001.log");
  EXPECT_EQ(RipLogName(base, true), base + ".log");
  ASSERT_TRUE(WriteRipLog(base + " - 001.log", {r}));
  EXPECT_EQ(testing::ReadFile(base + " - 001.log"), FormatRipReports({r}));
}

}  // namespace
}  // namespace mosaicer
