// A disc track read as a title delivers what a rip of the track writes,
// sector for sector, from wherever the reading starts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ripper/disc_title.h"
#include "ripper/fake_transport.h"
#include "ripper/image_drive_rig.h"
#include "ripper/track_reader.h"
#include "support/language_scope.h"

namespace mosaicer {
namespace {

// A disc with single-symbol errors in its raw subcode, so the reads must
// repair exactly as the rip does.
testing::Disc DamagedDisc() {
  testing::Disc disc = testing::MakeDisc(150, 21);
  for (int s : {3, 11, 40, 86, 120}) disc.sub[s * 96 + 5 * 12 + 4] ^= 0x10;  // channel U
  return disc;
}

std::string Rip(testing::ImageDrive& opened, int position, const RipOptions& options) {
  TRipJob job;
  return opened.Rip(opened.image, position, options, job);
}

struct Range {
  std::uint64_t first, count;
};

TEST(DiscTitle, EveryRangeHoldsTheRippedSectors) {
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(DamagedDisc()));
  TSubCodeErrorCorrect ecc;
  // Whole track; mid-block starts; the last partial block; a jump back;
  // a read running into the next block.
  const std::vector<Range> ranges = {{0, 0}, {10, 3}, {9, 20}, {0, 2}, {2, 1}, {30, 31}};
  for (int command : {kReadCdDataRaw, kReadCdDataRw, kReadCddaDataRw, kReadRawPlain})
    for (int readSize : {7, 15})
      for (int track : {1, 2}) {
        SCOPED_TRACE("command " + std::to_string(command) + " read size " +
                     std::to_string(readSize) + " track " + std::to_string(track));
        DiscTitleOptions options;
        options.read.command = command;
        options.read.readSize = readSize;
        const std::string ripped = Rip(opened, track - 1, options.read);
        const std::uint64_t sectors = ripped.size() / kCdgSectorSize;
        ASSERT_EQ(sectors, track == 1 ? 85u : 65u);

        TitleOpenResult title =
            OpenDiscTitle(opened.image, opened.drive, "disc.ccd", track, options, ecc);
        ASSERT_TRUE(title.ok()) << title.error;
        TitleSource& source = *title.source;
        EXPECT_EQ(source.Sectors(), sectors);
        EXPECT_EQ(source.Info().kind, TitleKind::Disc);
        std::vector<Range> reads = ranges;
        reads[0].count = sectors;
        reads.push_back({sectors - 4, 4});  // the end, in a block of its own
        for (const Range& r : reads) {
          SCOPED_TRACE("sectors " + std::to_string(r.first) + "+" + std::to_string(r.count));
          std::vector<std::uint8_t> audio(r.count * kAudioBytesPerSector);
          std::vector<std::uint8_t> subcode(r.count * kSubcodeBytesPerSector);
          ASSERT_TRUE(source.Seek(r.first));
          const IoStatus read = source.Read(r.count, audio.data(), subcode.data());
          ASSERT_TRUE(read) << read.error();
          for (std::uint64_t s = 0; s < r.count; ++s) {
            const char* at = ripped.data() + (r.first + s) * kCdgSectorSize;
            ASSERT_EQ(
                0, std::memcmp(audio.data() + s * kAudioBytesPerSector, at, kAudioBytesPerSector))
                << "audio of sector " << r.first + s;
            ASSERT_EQ(0, std::memcmp(subcode.data() + s * kSubcodeBytesPerSector,
                                     at + kAudioBytesPerSector, kSubcodeBytesPerSector))
                << "packs of sector " << r.first + s;
          }
        }
        EXPECT_FALSE(source.Read(1, nullptr, nullptr)) << "past the end";
      }
}

// Reading the subcode alone, in the player's steps, gives the same packs.
TEST(DiscTitle, SubcodeAloneInSmallStepsMatchesTheRip) {
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(DamagedDisc()));
  TSubCodeErrorCorrect ecc;
  DiscTitleOptions options;
  options.read.readSize = 15;
  const std::string ripped = Rip(opened, 0, options.read);
  TitleOpenResult title = OpenDiscTitle(opened.image, opened.drive, "disc.ccd", 1, options, ecc);
  ASSERT_TRUE(title.ok()) << title.error;
  std::vector<std::uint8_t> subcode(kSubcodeBytesPerSector * 10);
  for (std::uint64_t first = 0; first < 85; first += 10) {
    const std::uint64_t n = std::min<std::uint64_t>(10, 85 - first);
    ASSERT_TRUE(title.source->Read(n, nullptr, subcode.data()));
    for (std::uint64_t s = 0; s < n; ++s)
      ASSERT_EQ(0, std::memcmp(subcode.data() + s * kSubcodeBytesPerSector,
                               ripped.data() + (first + s) * kCdgSectorSize + kAudioBytesPerSector,
                               kSubcodeBytesPerSector))
          << "sector " << first + s;
  }
}

// The reader's figures of a whole track are the rip's report.
TEST(TrackReader, ReadingTheWholeTrackGivesTheRipsReport) {
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(DamagedDisc()));
  TSubCodeErrorCorrect ecc;
  for (int command : {kReadCdDataRaw, kReadCdDataRw}) {
    RipOptions options;
    options.command = command;
    options.readSize = 7;
    TRipJob job;
    job.RunSingle(opened.image, opened.drive, opened.toc, 0, opened.dir.File("r.cdg"), options);
    ASSERT_EQ(job.Reports().size(), 1u);
    const TrackRipReport& ripped = job.Reports()[0];
    TrackReader reader(opened.image, opened.drive, opened.toc.Tracks[0], options, ecc);
    std::vector<std::uint8_t> sectors(85 * kCdgSectorSize);
    ASSERT_TRUE(reader.Read(0, 85, sectors.data()));
    const TrackRipReport read = reader.Report();
    EXPECT_EQ(read.sectors, ripped.sectors) << command;
    EXPECT_EQ(read.packsRead, ripped.packsRead) << command;
    EXPECT_EQ(read.repairedAtFirstRead, ripped.repairedAtFirstRead) << command;
    EXPECT_EQ(read.unrepairable, ripped.unrepairable) << command;
    EXPECT_EQ(read.graphicsPacks, ripped.graphicsPacks) << command;
    EXPECT_FALSE(reader.Read(80, 6, sectors.data())) << "past the track's end";
  }
}

TEST(DiscTitle, RefusalsNameTheDrive) {
  const testing::LanguageScope english(Language::English);
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(testing::MakeDisc(150, 3)));
  TSubCodeErrorCorrect ecc;
  for (int track : {0, 3, 99}) {
    TitleOpenResult title = OpenDiscTitle(opened.image, opened.drive, "disc.ccd", track, {}, ecc);
    ASSERT_FALSE(title.ok());
    EXPECT_NE(title.error.find("\"disc.ccd\" has no track " + std::to_string(track)),
              std::string::npos)
        << title.error;
    EXPECT_NE(title.error.find("1 to 2"), std::string::npos) << title.error;
  }
  // A drive that answers no command: no table of contents.
  testing::FakeTransport silent;
  for (int i = 0; i < 16; ++i) silent.Fail();
  TNkCdRom drive("/dev/sr9");
  TitleOpenResult title = OpenDiscTitle(silent, drive, "/dev/sr9", 1, {}, ecc);
  ASSERT_FALSE(title.ok());
  EXPECT_NE(title.error.find("table of contents of \"/dev/sr9\""), std::string::npos)
      << title.error;
}

TEST(DiscTitle, AnUnreadableStretchFailsNamingTheTrackAndTheDrive) {
  const testing::LanguageScope english(Language::English);
  testing::ImageDrive opened;
  ASSERT_NO_FATAL_FAILURE(opened.Open(testing::MakeDisc(150, 8)));
  TSubCodeErrorCorrect ecc;
  testing::FailingReads drive(opened.image, [](int, std::int64_t lba, std::uint32_t count) {
    return lba + count > 40;  // track 1 is sectors 0..84
  });
  DiscTitleOptions options;
  options.read.readSize = 10;
  options.read.retries = 0;
  TitleOpenResult title = OpenDiscTitle(drive, opened.drive, "disc.ccd", 1, options, ecc);
  ASSERT_TRUE(title.ok()) << title.error;
  std::vector<std::uint8_t> audio(30 * kAudioBytesPerSector);
  // Before the bad stretch: the read-ahead that reaches it is given up.
  ASSERT_TRUE(title.source->Read(30, audio.data(), nullptr));
  const IoStatus read = title.source->Read(30, audio.data(), nullptr);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error().find("of track 1 of \"disc.ccd\""), std::string::npos) << read.error();
}

}  // namespace
}  // namespace mosaicer
