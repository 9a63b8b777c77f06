#include "ripper/cd_drive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ripper/fake_transport.h"

namespace mosaicer {
namespace {

using testing::FakeTransport;
using Bytes = std::vector<std::uint8_t>;

struct Descriptor {
  std::uint8_t session, point, min, sec, frame, pmin, psec, pframe;
};

// A full-TOC reply: header with the data length and session range, then
// the descriptors with ADR/CONTROL 0x10 and TNO 0.
Bytes FullToc(std::uint8_t firstSession, std::uint8_t lastSession,
              const std::vector<Descriptor>& descriptors) {
  const std::size_t length = 2 + descriptors.size() * 11;
  Bytes out = {static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
               firstSession, lastSession};
  for (const Descriptor& d : descriptors)
    out.insert(out.end(),
               {d.session, 0x10, 0, d.point, d.min, d.sec, d.frame, 0, d.pmin, d.psec, d.pframe});
  return out;
}

MsfAddress At(int m, int s, int f) { return MakeMsfAddress(m, s, f); }

TEST(CdRom, InquirySendsSixByteBlockAndKeepsTheAnswer) {
  FakeTransport fake;
  Bytes answer(100, 0);
  const char text[] = "PLEXTOR CD-R   PX-W4012A1.07";
  std::copy(text, text + 28, answer.begin() + 8);
  fake.Answer(answer);
  TNkCdRom drive("/dev/sr0");
  ASSERT_TRUE(Inquiry(fake, drive));
  ASSERT_EQ(fake.sent.size(), 1u);
  EXPECT_EQ(fake.sent[0].cdb, (Bytes{0x12, 0, 0, 0, 0x64, 0}));
  EXPECT_EQ(fake.sent[0].bufferLength, 100u);
  EXPECT_EQ(fake.sent[0].direction, kScsiDirIn);
  EXPECT_EQ(fake.sent[0].timeoutMs, 15000u);
  EXPECT_EQ(drive.Vendor(), "PLEXTOR ");
  EXPECT_EQ(drive.Product(), "CD-R   PX-W4012A");
  EXPECT_EQ(drive.Revision(), "1.07");
}

TEST(FullToc, SecondTryCarriesTheFormatInByteTwo) {
  FakeTransport fake;
  fake.Fail();
  fake.Answer(FullToc(1, 1, {}));
  std::uint8_t buffer[kFullTocAllocation];
  ASSERT_TRUE(ReadFullToc(fake, TNkCdRom(), 3, false, buffer));
  ASSERT_EQ(fake.sent.size(), 2u);
  EXPECT_EQ(fake.sent[0].cdb, (Bytes{0x43, 0, 0, 0, 0, 0, 3, 0x0B, 0x04, 0x80}));
  EXPECT_EQ(fake.sent[1].cdb, (Bytes{0x43, 0, 2, 0, 0, 0, 3, 0x0B, 0x04, 0}));
  EXPECT_EQ(fake.sent[1].bufferLength, 2820u);
}

TEST(FullToc, BcdRepairConvertsByPoint) {
  FakeTransport fake;
  fake.Answer(FullToc(1, 1,
                      {{1, 0xA0, 0x12, 0x34, 0x56, 0x12, 0x20, 0x00},
                       {1, 0xB0, 0x12, 0x34, 0x56, 0x78, 0x45, 0x67},
                       {1, 0x12, 0x12, 0x34, 0x56, 0x03, 0x45, 0x67}}));
  std::uint8_t b[kFullTocAllocation];
  ASSERT_TRUE(ReadFullToc(fake, TNkCdRom(), 1, true, b));
  const std::uint8_t* a0 = b + 4;
  EXPECT_EQ((Bytes{a0[3], a0[4], a0[8], a0[9]}), (Bytes{0xA0, 0x12, 12, 0x20}));
  const std::uint8_t* b0 = b + 15;
  EXPECT_EQ((Bytes(b0 + 3, b0 + 11)), (Bytes{0xB0, 12, 34, 56, 0, 78, 45, 67}));
  const std::uint8_t* track = b + 26;
  EXPECT_EQ((Bytes(track + 3, track + 11)), (Bytes{12, 0x12, 0x34, 0x56, 0, 3, 45, 67}));
}

TEST(Toc, BcdRepairIsAskedFor) {
  FakeTransport fake;
  const Bytes bcd = FullToc(1, 1,
                            {{1, 0xA0, 0, 0, 0, 0x12, 0, 0},
                             {1, 0xA1, 0, 0, 0, 0x12, 0, 0},
                             {1, 0xA2, 0, 0, 0, 0x04, 0x00, 0x00},
                             {1, 0x12, 0, 0, 0, 0x03, 0x45, 0x67}});
  fake.Answer(bcd);
  fake.Answer(bcd);
  TNkToc repaired, raw;
  ASSERT_TRUE(ReadToc(fake, TNkCdRom(), true, repaired));
  ASSERT_TRUE(ReadToc(fake, TNkCdRom(), false, raw));
  EXPECT_EQ(repaired.FirstTrack, 12);
  EXPECT_EQ(repaired.TrackCount, 1);
  EXPECT_EQ(repaired.Tracks[0].Start, At(3, 45, 67));
  EXPECT_EQ(repaired.Tracks[0].End, At(4, 0, 0));
  EXPECT_EQ(raw.FirstTrack, 18);
  EXPECT_EQ(raw.Tracks[0].Start, At(3, 69, 103));
}

// Each session's tracks end at its own lead-out; out-of-range sessions and a
// missing first-track entry give no tracks.
TEST(Toc, SessionsEndEachAtItsOwnLeadOut) {
  FakeTransport fake;
  // clang-format off
  fake.Answer(FullToc(1, 2, {{1, 0xA0, 0, 0, 0, 1, 0, 0}, {1, 0xA1, 0, 0, 0, 2, 0, 0},
                             {1, 0xA2, 0, 0, 0, 10, 0, 0}, {1, 0x01, 0, 0, 0, 0, 2, 0},
                             {1, 0x02, 0, 0, 0, 5, 0, 0}, {2, 0xA0, 0, 0, 0, 3, 0, 0},
                             {2, 0xA1, 0, 0, 0, 3, 0, 0}, {2, 0xA2, 0, 0, 0, 20, 0, 0},
                             {2, 0x03, 0, 0, 0, 12, 30, 0}}));
  fake.Answer(FullToc(0, 255, {{0, 0xA0, 0, 0, 0, 1, 0, 0}, {200, 0xA1, 0, 0, 0, 2, 0, 0},
                               {1, 0x01, 0, 0, 0, 0, 2, 0}}));
  // clang-format on
  TNkToc toc, none;
  ASSERT_TRUE(ReadToc(fake, TNkCdRom(), false, toc));
  EXPECT_EQ(toc.FirstTrack, 1);
  EXPECT_EQ(toc.LastTrack, 3);
  EXPECT_EQ(toc.TrackCount, 3);
  EXPECT_EQ(toc.Tracks[0].End, At(5, 0, 0));
  EXPECT_EQ(toc.Tracks[1].End, At(10, 0, 0));
  EXPECT_EQ(toc.Tracks[2].Start, At(12, 30, 0));
  EXPECT_EQ(toc.Tracks[2].End, At(20, 0, 0));
  ASSERT_TRUE(ReadToc(fake, TNkCdRom(), false, none));
  EXPECT_EQ(none.TrackCount, 0);
  EXPECT_EQ(none.FirstTrack, 0);
}

TEST(ReadCommands, BlocksBytesAndAddressesFollowTheSelection) {
  FakeTransport fake;
  TNkCdRom drive(0, 1, 2);
  std::vector<std::uint8_t> buffer(2448 * 3);
  ASSERT_TRUE(ReadCdRaw(fake, drive, 150, 3, buffer.data()));
  ASSERT_TRUE(ReadCdRw(fake, drive, 405000, 2, buffer.data()));
  ASSERT_TRUE(ReadCddaRw(fake, drive, 409500, 1, buffer.data()));
  ASSERT_TRUE(ReadCd(fake, TNkCdRom(), 2, 1000, buffer.data(), 2));
  ASSERT_TRUE(ReadCdda(fake, TNkCdRom(), 3, 1000, buffer.data(), 2));
  ASSERT_TRUE(ReadCdda(fake, TNkCdRom(), 1, 0x12345 + 150, buffer.data(), 1));
  ASSERT_EQ(fake.sent.size(), 6u);
  EXPECT_EQ(fake.sent[0].cdb, (Bytes{0xBE, 0x40, 0, 0, 0, 0, 0, 0, 3, 0x10, 1, 0}));
  EXPECT_EQ(fake.sent[0].bufferLength, 3u * 2448);
  // 90:00:00 lies in the lead-in: block -45 150.
  EXPECT_EQ(fake.sent[1].cdb, (Bytes{0xBE, 0x40, 0xFF, 0xFF, 0x4F, 0xA2, 0, 0, 2, 0x10, 4, 0}));
  EXPECT_EQ(fake.sent[2].cdb, (Bytes{0xD8, 0x40, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0}));
  EXPECT_EQ(fake.sent[2].bufferLength, 2448u);
  EXPECT_EQ(fake.sent[3].bufferLength, 2u * 2368);
  EXPECT_EQ(fake.sent[4].bufferLength, 2u * 96);
  EXPECT_EQ((Bytes(&fake.sent[5].cdb[3], &fake.sent[5].cdb[6])), (Bytes{0x01, 0x23, 0x45}));

  // Unknown selections and counts too large are refused without sending.
  fake.sent.clear();
  EXPECT_FALSE(ReadCd(fake, TNkCdRom(), 3, 150, buffer.data(), 1));
  EXPECT_FALSE(ReadCdda(fake, TNkCdRom(), 4, 150, buffer.data(), 1));
  EXPECT_FALSE(ReadCd(fake, TNkCdRom(), 1, 150, buffer.data(), 0x10000));
  EXPECT_FALSE(ReadCdda(fake, TNkCdRom(), 2, 150, buffer.data(), 0x200000));
  EXPECT_TRUE(fake.sent.empty());
  fake.Fail();
  EXPECT_FALSE(ReadCdRaw(fake, TNkCdRom(), 150, 1, buffer.data()));
}

}  // namespace
}  // namespace mosaicer
