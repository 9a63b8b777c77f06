#include "ripper/clone_cd_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/subcode_pack.h"
#include "ripper/cd_drive.h"
#include "support/clone_cd_disc.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Disc;
using testing::kCcd;
using testing::MakeDisc;

TEST(CloneCdImageTest, AnswersInquiryTocAndQReadsAndRefusesReadsOutsideTheImage) {
  testing::TempDir dir;
  const Disc disc = MakeDisc(150, 3);  // 2 s: LBA 0..149
  CloneCdImage image;
  TNkCdRom drive{"image"};
  std::string error;
  ASSERT_TRUE(image.Open(testing::WriteCloneCd(dir, disc), error)) << error;
  ASSERT_TRUE(Inquiry(image, drive));
  EXPECT_EQ(drive.Vendor(), "MOSAICER");
  TNkToc toc;
  ASSERT_TRUE(ReadToc(image, drive, false, toc));
  ASSERT_EQ(toc.TrackCount, 2);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[0].Start), 150);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[0].End), 235);  // 00:03:10
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[1].End), 300);  // lead-out 00:04:00
  EXPECT_EQ(image.Sectors(), 150);

  // Formatted Q reads give the Q channel of each sector.
  constexpr int kCount = 3, kFirst = 40, kSectorSize = 2352 + 16;
  std::vector<std::uint8_t> buffer(10 * kCdgSectorSize, 0xEE);
  const std::uint8_t readCd[12] = {0xBE, 0, 0, 0, 0, kFirst, 0, 0, kCount, 0x10, 2, 0};
  ASSERT_EQ(image.Execute(drive, 12, readCd, buffer.data(), kCount * kSectorSize, kScsiDirIn,
                          kScsiTimeoutMs),
            kScsiCompleted);
  for (int s = 0; s < kCount; ++s) {
    const std::uint8_t* q = buffer.data() + s * kSectorSize + kAudioBytesPerSector;
    EXPECT_EQ(std::memcmp(q, disc.sub.data() + (kFirst + s) * 96 + 12, 12), 0) << s;
    EXPECT_EQ(q[12] | q[13] | q[14] | q[15], 0) << s;
  }
  EXPECT_FALSE(ReadCdRaw(image, drive, 149, 1, buffer.data()));         // before LBA 0
  EXPECT_FALSE(ReadCdRaw(image, drive, 150 + 145, 6, buffer.data()));  // one past the end
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
      ParseCcd("[Disc]\r\nTocEntries=1\r\n[Entry 0]\r\nPoint= 0XA2 \r\nPMin=099\r\n", toc, error));
  EXPECT_EQ(toc.descriptors[0][3], 0xA2);
  EXPECT_EQ(toc.descriptors[0][8], 99);
  EXPECT_EQ(toc.descriptors[0][0], 0);  // a missing field reads as 0
}

TEST(CcdParser, FieldsThatAreNotBytesAreRefusedByName) {
  for (const char* field : {"Point=0xZZ", "PMin=-4", "PFrame=256", "Control=0x", "ASec=3 4",
                            "Zero=", "PSec=0x100"}) {
    CcdToc toc;
    std::string error;
    const std::string text =
        std::string("[Disc]\r\nTocEntries=1\r\n[Entry 0]\r\nSession=1\r\n") + field + "\r\n";
    EXPECT_FALSE(ParseCcd(text, toc, error)) << field;
    EXPECT_NE(error.find(field), std::string::npos) << error;
    EXPECT_NE(error.find("[Entry 0]"), std::string::npos) << error;
    EXPECT_TRUE(toc.descriptors.empty());
  }
}

using Entry = testing::CcdEntry;

bool Check(const std::vector<Entry>& entries, std::string& error) {
  CcdToc toc;
  return ParseCcd(testing::CcdFromEntries(entries), toc, error) && CheckCcdToc(toc, error);
}

TEST(CcdToc, InconsistentTablesAreRefusedWithTheReason) {
  testing::LanguageScope english(Language::English);
  const Entry a0{1, 0xA0, 1, 0, 0}, a1{1, 0xA1, 2, 0, 0}, a2{1, 0xA2, 0, 4, 0};
  const Entry t1{1, 1, 0, 2, 0}, t2{1, 2, 0, 3, 10}, last1{1, 0xA1, 1, 0, 0};
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    const char* fragment;  // null: the table passes
  } cases[] = {
      // clang-format off
      {"entries in any order", {t2, a2, a0, a1, t1}, nullptr},
      {"a second session after the first's lead-out", {a0, last1, {1, 0xA2, 10, 0, 0}, t1,
        {2, 0xA0, 2, 0, 0}, {2, 0xA1, 3, 0, 0}, {2, 0xA2, 20, 0, 0}, {2, 2, 12, 31, 0},
        {2, 3, 15, 0, 74}, {1, 0xB0, 200, 200, 200}}, nullptr},  // other points unchecked
      {"a track on the last frame before the lead-out", {a0, last1, {1, 0xA2, 0, 2, 1}, t1},
       nullptr},
      {"no entries", {}, "no track"},
      {"tracks in reverse",
       {a0, a1, a2, {1, 1, 0, 3, 10}, {1, 2, 0, 2, 0}},
       "does not start after"},
      {"track at the lead-out", {a0, a1, a2, t1, {1, 2, 0, 4, 0}}, "at or after the lead-out"},
      {"lead-out before every track", {a0, a1, {1, 0xA2, 0, 1, 0}, t1, t2}, "lead-out"},
      {"PFrame 75", {a0, a1, a2, t1, {1, 2, 0, 3, 75}}, "PFrame 75"},
      {"PSec 60", {a0, a1, a2, t1, {1, 2, 0, 60, 0}}, "PSec 60"},
      {"PMin 100", {a0, a1, a2, t1, {1, 2, 100, 0, 0}}, "PMin 100"},
      {"lead-out PFrame 80", {a0, a1, {1, 0xA2, 0, 4, 80}, t1, t2}, "PFrame 80"},
      {"before 00:02:00", {a0, a1, a2, {1, 1, 0, 1, 74}, t2}, "before 00:02:00"},
      {"a track missing", {a0, {1, 0xA1, 3, 0, 0}, a2, t1, t2}, "track 3"},
      {"a track beyond the last", {a0, {1, 0xA1, 1, 0, 0}, a2, t1, t2}, "track 2"},
      {"a track twice", {a0, a1, a2, t1, t2, {1, 2, 0, 3, 20}}, "listed twice"},
      {"no lead-out", {a0, a1, t1, t2}, "lead-out"},
      {"no first track", {a1, a2, t1, t2}, "first-track"},
      {"first after last", {{1, 0xA0, 3, 0, 0}, a1, a2, t1, t2}, "track 3"},
      {"track number 0 in A0", {{1, 0xA0, 0, 0, 0}, a1, a2, t1, t2}, "out of range"},
      {"session 0", {a0, a1, a2, {0, 1, 0, 2, 0}, t2}, "session 0"},
      {"a gap between sessions", {a0, last1, a2, t1, {2, 0xA0, 3, 0, 0}, {2, 0xA1, 3, 0, 0},
        {2, 0xA2, 0, 20, 0}, {2, 3, 0, 10, 0}}, "not at track 2"},
      {"track in the lead-in range", {a0, a1, {1, 0xA2, 95, 0, 0}, t1, {1, 2, 90, 0, 0}},
       "90:00:00"},
      {"second session inside the first", {a0, last1, a2, t1, {2, 0xA0, 2, 0, 0},
        {2, 0xA1, 2, 0, 0}, {2, 0xA2, 0, 10, 0}, {2, 2, 0, 3, 0}},
       "lead-out of the session before"},
      {"second session reuses track 1", {a0, last1, a2, t1, {2, 0xA0, 1, 0, 0}, {2, 0xA1, 1, 0, 0},
        {2, 0xA2, 0, 10, 0}}, "track 1"},
      // clang-format on
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(Check(c.entries, error), c.fragment == nullptr) << c.name << ": " << error;
    EXPECT_TRUE(!c.fragment || error.find(c.fragment) != std::string::npos)
        << c.name << ": " << error;
  }
}

class CloneCdOpenTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  Disc disc = MakeDisc(150, 5);
  CloneCdImage image;
  std::string error;

  std::string Write(const std::string& ccd) { return testing::WriteCloneCd(dir, disc, ccd); }
  // Opens, expects a failure whose message holds every fragment, and
  // checks the image was left closed.
  void ExpectRefused(const std::string& ccdPath, std::vector<std::string> fragments) {
    error.clear();
    EXPECT_FALSE(image.Open(ccdPath, error));
    for (const std::string& f : fragments)
      EXPECT_NE(error.find(f), std::string::npos) << "\"" << f << "\" not in: " << error;
    EXPECT_EQ(image.Sectors(), 0);
    EXPECT_TRUE(image.Files().empty());
    EXPECT_TRUE(image.Toc().descriptors.empty());
  }
};

TEST_F(CloneCdOpenTest, ListsItsFilesAndNamesTheOnesThatCannotServe) {
  testing::LanguageScope english(Language::English);  // the reasons are English words
  const std::string ccd = Write(kCcd);
  ASSERT_TRUE(image.Open(ccd, error)) << error;
  const std::vector<std::string> files = {ccd, dir.File("disc.img"), dir.File("disc.sub")};
  EXPECT_EQ(image.Files(), files);
  EXPECT_EQ(CloneCdFiles(ccd), files);
  EXPECT_EQ(CloneCdFiles("a/b.c.ccd"),
            (std::vector<std::string>{"a/b.c.ccd", "a/b.c.img", "a/b.c.sub"}));

  ExpectRefused(dir.File("none.ccd"), {"none.ccd", "not found"});
  std::filesystem::create_directory(dir.File("folder.ccd"));
  ExpectRefused(dir.File("folder.ccd"), {"folder.ccd", "folder"});
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.ccd"));
  ExpectRefused(dir.File("zero.ccd"), {"zero.ccd", "not a regular file"});
  ExpectRefused(dir.Write("big.ccd", std::string(kMaxCcdBytes + 1, ' ')), {"big.ccd", "too large"});
  ExpectRefused(dir.Write("text.ccd", "hello"), {"text.ccd", "[Disc]"});

  std::filesystem::remove(dir.File("disc.img"));
  ExpectRefused(ccd, {"disc.img", "not found"});
  Write(kCcd);
  std::filesystem::remove(dir.File("disc.sub"));
  std::filesystem::create_directory(dir.File("disc.sub"));
  ExpectRefused(ccd, {"disc.sub", "folder"});
}

TEST_F(CloneCdOpenTest, ShortImagesAndBadTablesAreRefused) {
  testing::LanguageScope english(Language::English);
  // The table needs 200 sectors; the .img holds 150.
  ExpectRefused(Write(testing::CcdText({0, 85}, 200)), {"short", "disc.img", "150 sectors", "200"});
  // A long enough .img, a short .sub.
  const std::string ccd = Write(testing::CcdText({0, 85}, 200));
  dir.Write("disc.img", disc.audio + std::string(50 * kAudioBytesPerSector, '\0'));
  ExpectRefused(ccd, {"short", "disc.sub", "150 sectors"});
  // Both long enough: sectors beyond the lead-out are fine.
  dir.Write("disc.sub", disc.sub + std::string(60 * kSubcodeBytesPerSector, '\0'));
  ASSERT_TRUE(image.Open(ccd, error)) << error;
  EXPECT_EQ(image.Sectors(), 200);

  std::string pframe = kCcd;
  pframe.replace(pframe.find("PFrame=10"), 9, "PFrame=99");
  ExpectRefused(Write(pframe), {"disc.ccd", "PFrame 99"});
  ExpectRefused(Write(testing::CcdText({85, 0}, 150)), {"disc.ccd", "does not start after"});
  ExpectRefused(Write(testing::CcdText({0, 150}, 150)), {"disc.ccd", "lead-out"});
}

}  // namespace
}  // namespace mosaicer
