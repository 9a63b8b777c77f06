#include "ripper/clone_cd_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/interleave.h"
#include "core/parity.h"
#include "core/subcode_pack.h"
#include "ripper/cd_drive.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Disc;
using testing::kCcd;
using testing::MakeDisc;

class CloneCdImageTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  Disc disc = MakeDisc(150, 3);  // 2 s: LBA 0..149
  CloneCdImage image;
  TNkCdRom drive{"image"};

  void SetUp() override {
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    std::string error;
    ASSERT_TRUE(image.Open(dir.Write("disc.ccd", kCcd), error)) << error;
  }
};

TEST_F(CloneCdImageTest, AnswersInquiryAndTheTableOfContents) {
  ASSERT_TRUE(Inquiry(image, drive));
  EXPECT_EQ(drive.Vendor(), "MOSAICER");
  TNkToc toc;
  ASSERT_TRUE(ReadToc(image, drive, false, toc));
  ASSERT_EQ(toc.TrackCount, 2);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[0].Start), 150);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[0].End), 235);  // 00:03:10
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[1].End), 300);  // lead-out 00:04:00
  EXPECT_EQ(image.Sectors(), 150);
}

TEST_F(CloneCdImageTest, RawReadsDeinterleaveToTheSourcePacksSevenLate) {
  std::vector<std::uint8_t> buffer(150 * kCdgSectorSize);
  ASSERT_TRUE(ReadCdRaw(image, drive, 150, 150, buffer.data()));
  EXPECT_EQ(std::memcmp(buffer.data(), disc.audio.data(), kAudioBytesPerSector), 0);
  TSubCodeInterLeave deinterleave;
  deinterleave.Clear();
  std::vector<std::uint8_t> packs;
  for (int s = 0; s < 150; ++s) {
    std::uint8_t* sub = buffer.data() + s * kCdgSectorSize + kAudioBytesPerSector;
    for (int k = 0; k < 96; ++k) sub[k] &= 0x3F;
    deinterleave.DeinterleavePacks(sub, 4);
    packs.insert(packs.end(), sub, sub + 96);
  }
  for (std::size_t p = 7; p < packs.size() / 24; ++p)
    ASSERT_EQ(std::memcmp(packs.data() + p * 24, disc.source.data() + (p - 7) * 24, 24), 0) << p;
}

TEST_F(CloneCdImageTest, RwReadsAreDeinterleavedAndRepairedWhereverTheyStart) {
  // A single-symbol error on the disc: one R–W bit of one raw byte.
  disc.sub[40 * 96 + 5 * 12 + 3] ^= 0x10;  // channel U of sector 40
  dir.Write("disc.sub", disc.sub);
  std::string error;
  ASSERT_TRUE(image.Open(dir.File("disc.ccd"), error));

  std::vector<std::uint8_t> whole(150 * kCdgSectorSize), part(20 * kCdgSectorSize);
  ASSERT_TRUE(ReadCdRw(image, drive, 150, 150, whole.data()));
  ASSERT_TRUE(ReadCddaRw(image, drive, 150 + 35, 20, part.data()));
  for (int s = 0; s < 150; ++s) {
    const std::uint8_t* sub = whole.data() + s * kCdgSectorSize + kAudioBytesPerSector;
    for (int p = 0; p < 4; ++p) {
      const int pack = s * 4 + p - 7;  // seven packs late
      if (pack < 0) continue;
      ASSERT_EQ(std::memcmp(sub + p * 24, disc.source.data() + pack * 24, 24), 0) << s << "/" << p;
    }
    if (s >= 35 && s < 55) {  // a read that starts later returns the same packs
      ASSERT_EQ(
          std::memcmp(sub, part.data() + (s - 35) * kCdgSectorSize + kAudioBytesPerSector, 96), 0);
    }
  }
}

TEST_F(CloneCdImageTest, RefusesReadsOutsideTheImageAndUnknownCommands) {
  std::vector<std::uint8_t> buffer(10 * kCdgSectorSize);
  EXPECT_FALSE(ReadCdRaw(image, drive, 149, 1, buffer.data()));         // before LBA 0
  EXPECT_FALSE(ReadCdRaw(image, drive, 150 + 145, 10, buffer.data()));  // past the end
  const std::uint8_t unknown[6] = {0x25};
  EXPECT_NE(image.Execute(drive, 6, unknown, buffer.data(), 8, kScsiDirIn, kScsiTimeoutMs),
            kScsiCompleted);
}

TEST(CcdParser, EntriesNumbersAndMalformedFiles) {
  CcdToc toc;
  std::string error;
  ASSERT_TRUE(ParseCcd(kCcd, toc, error));
  ASSERT_EQ(toc.descriptors.size(), 5u);
  EXPECT_EQ(toc.descriptors[0][3], 0xA0);
  EXPECT_EQ(toc.descriptors[0][1], 0x10);  // ADR 1, Control 0
  EXPECT_EQ(toc.descriptors[4][10], 10);
  EXPECT_EQ(toc.firstSession, 1);
  const auto reply = FullTocReply(toc, 1, 2820);
  EXPECT_EQ(reply.size(), 4u + 55u);
  EXPECT_EQ(reply[1], 2 + 55);
  EXPECT_EQ(FullTocReply(toc, 1, 10).size(), 10u);

  EXPECT_FALSE(ParseCcd("[CloneCD]\r\nVersion=3\r\n", toc, error));
  EXPECT_FALSE(ParseCcd("[Disc]\r\nTocEntries=2\r\n[Entry 0]\r\nPoint=1\r\n", toc, error));
  EXPECT_NE(error.find("Entry 1"), std::string::npos);
  EXPECT_FALSE(ParseCcd("[Disc]\r\nTocEntries=99999\r\n", toc, error));
  ASSERT_TRUE(
      ParseCcd("[Disc]\r\nTocEntries=1\r\n[Entry 0]\r\nPoint=0xZZ\r\nPMin=-4\r\n", toc, error));
  EXPECT_EQ(toc.descriptors[0][3], 0);
}

}  // namespace
}  // namespace mosaicer
