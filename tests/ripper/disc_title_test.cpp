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

struct Range {
  std::uint64_t first, count;
};

// So does a track reader, and its figures of a whole track are the rip's.
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
        TRipJob job;
        const std::string ripped = opened.Rip(opened.image, track - 1, options.read, job);
        const std::uint64_t sectors = ripped.size() / kCdgSectorSize;
        ASSERT_EQ(sectors, track == 1 ? 85u : 65u);
        TrackReader reader(opened.image, opened.drive, opened.toc.Tracks[track - 1], options.read,
                           ecc);
        std::string all(ripped.size(), '\0');
        ASSERT_TRUE(reader.Read(0, sectors, reinterpret_cast<std::uint8_t*>(all.data())));
        EXPECT_TRUE(all == ripped);
        const TrackRipReport& want = job.Reports().at(0);
        const TrackRipReport got = reader.Report();
        EXPECT_EQ(got.sectors, want.sectors);
        EXPECT_EQ(got.packsRead, want.packsRead);
        EXPECT_EQ(got.repairedAtFirstRead, want.repairedAtFirstRead);
        EXPECT_EQ(got.unrepairable, want.unrepairable);
        EXPECT_EQ(got.graphicsPacks, want.graphicsPacks);
        EXPECT_FALSE(reader.Read(sectors - 5, 6, reinterpret_cast<std::uint8_t*>(all.data())))
            << "past the track's end";

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
        // The subcode alone, in the player's steps, from the start.
        std::vector<std::uint8_t> subcode(kSubcodeBytesPerSector * 10);
        ASSERT_TRUE(source.Seek(0));
        for (std::uint64_t first = 0; first < sectors; first += 10) {
          const std::uint64_t n = std::min<std::uint64_t>(10, sectors - first);
          ASSERT_TRUE(source.Read(n, nullptr, subcode.data()));
          for (std::uint64_t s = 0; s < n; ++s)
            ASSERT_EQ(0, std::memcmp(&subcode[s * kSubcodeBytesPerSector],
                                     &ripped[(first + s) * kCdgSectorSize + kAudioBytesPerSector],
                                     kSubcodeBytesPerSector))
                << "sector " << first + s;
        }
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
