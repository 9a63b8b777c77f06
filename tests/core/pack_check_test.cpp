#include "core/pack_check.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/temp_dir.h"

namespace mosaicer {
namespace {

// A stream of `sectors` sectors: graphics packs with valid parity, every
// fourth pack empty, in the given layout (CDG audio bytes are 0x55).
std::vector<std::uint8_t> MakeStream(int sectors, SubcodeFormat format) {
  TSubCodeErrorCorrect ecc;
  std::mt19937 rng(99);
  const std::size_t sectorSize = SectorSize(format);
  std::vector<std::uint8_t> bytes(sectors * sectorSize, 0);
  for (int s = 0; s < sectors; ++s) {
    std::uint8_t* sector = bytes.data() + s * sectorSize;
    std::fill(sector, sector + sectorSize - kSubcodeBytesPerSector, 0x55);
    std::uint8_t* subcode = sector + sectorSize - kSubcodeBytesPerSector;
    for (int p = 0; p < 3; ++p) {
      SubCodePack pack;
      InitPack(pack, kLoadTileNor);
      for (auto& d : pack.Data) d = static_cast<std::uint8_t>(rng() & kSymbolMask);
      ecc.ComputeQ(pack.bytes());
      ecc.ComputeP(pack.bytes());
      std::copy(pack.bytes(), pack.bytes() + kPackSize, subcode + p * kPackSize);
    }
  }
  return bytes;
}

std::uint8_t* PackAt(std::vector<std::uint8_t>& bytes, SubcodeFormat format, int sector, int pack) {
  return bytes.data() + sector * SectorSize(format) + SectorSize(format) - kSubcodeBytesPerSector +
         pack * kPackSize;
}

class PackCheckLayouts : public ::testing::TestWithParam<SubcodeFormat> {};

TEST_P(PackCheckLayouts, CountsSingleAndDoubleErrorsExactly) {
  const SubcodeFormat format = GetParam();
  auto bytes = MakeStream(20, format);
  PackAt(bytes, format, 0, 0)[7] ^= 0x21;    // data: P only
  PackAt(bytes, format, 3, 1)[1] ^= 0x04;    // instruction: Q and P
  PackAt(bytes, format, 19, 2)[22] ^= 0x3F;  // P parity symbol
  PackAt(bytes, format, 5, 0)[5] ^= 0x11;    // two data symbols: beyond repair
  PackAt(bytes, format, 5, 0)[9] ^= 0x02;
  PackAt(bytes, format, 8, 3)[0] = 0x80;   // an empty slot with bits 7..6 only
  PackAt(bytes, format, 9, 1)[0] |= 0xC0;  // command 0x49-style: still graphics, still valid

  PackChecker checker;
  checker.AddBytes(bytes.data(), bytes.size(), format);
  const PackCheckCounts& c = checker.Counts();
  EXPECT_EQ(c.sectors, 20u);
  EXPECT_EQ(c.graphicsPacks, 60u);
  EXPECT_EQ(c.emptyPacks, 19u);
  EXPECT_EQ(c.otherPacks, 1u);  // symbol 0 with bit 7 set is no graphics pack
  EXPECT_EQ(c.failingQ, 1u);
  EXPECT_EQ(c.failingP, 4u);
  EXPECT_EQ(c.repairable, 3u);
  EXPECT_EQ(c.unrepairable, 1u);
  EXPECT_EQ(c.trailingBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(Both, PackCheckLayouts,
                         ::testing::Values(SubcodeFormat::Cdg, SubcodeFormat::Rws));

TEST(PackCheck, FileIsReadInBlocksWithTheSameResult) {
  testing::TempDir dir;
  auto bytes = MakeStream(2500, SubcodeFormat::Cdg);  // more than one block
  PackAt(bytes, SubcodeFormat::Cdg, 2400, 2)[12] ^= 0x01;
  const std::string file = dir.Write("song.cdg", std::string(bytes.begin(), bytes.end()) + "tail");
  PackCheckCounts counts;
  std::string error;
  std::uint64_t lastDone = 0, lastTotal = 0;
  ASSERT_TRUE(CheckSubcodeFile(file, SubcodeFormat::Cdg, counts, error,
                               [&](std::uint64_t done, std::uint64_t total) {
                                 lastDone = done;
                                 lastTotal = total;
                               }));
  EXPECT_EQ(counts.sectors, 2500u);
  EXPECT_EQ(counts.failingP, 1u);
  EXPECT_EQ(counts.repairable, 1u);
  EXPECT_EQ(counts.trailingBytes, 4u);
  EXPECT_EQ(lastDone, bytes.size() + 4);
  EXPECT_EQ(lastTotal, bytes.size() + 4);
  EXPECT_FALSE(CheckSubcodeFile(dir.File("missing.cdg"), SubcodeFormat::Cdg, counts, error));
  EXPECT_NE(error.find("missing.cdg"), std::string::npos);
  // An incomplete last sector is left out of an RWS stream too.
  bytes = MakeStream(3, SubcodeFormat::Rws);
  PackChecker checker;
  checker.AddBytes(bytes.data(), bytes.size() - 10, SubcodeFormat::Rws);
  EXPECT_EQ(checker.Counts().sectors, 2u);
  EXPECT_EQ(checker.Counts().trailingBytes, 86u);
}

}  // namespace
}  // namespace mosaicer
