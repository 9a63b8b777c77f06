#include "core/subcode_pack.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mosaicer {
namespace {

TEST(SubCodePack, ColourEncodingUsesTopFourBitsOfEachComponent) {
  std::uint8_t first = 0, second = 0;
  EncodeColour(ToRgb4(0xFF, 0x80, 0x17), first, second);
  EXPECT_EQ(first, 0x3E);
  EXPECT_EQ(second, 0x01);
  Rgb4 back = DecodeColour(first, second);
  EXPECT_EQ(back.r, 15);
  EXPECT_EQ(back.g, 8);
  EXPECT_EQ(back.b, 1);
}

TEST(SubcodeLayout, GuessedFormats) {
  EXPECT_EQ(GuessFormat(1836000), SubcodeFormat::Cdg);
  EXPECT_EQ(GuessFormat(72000), SubcodeFormat::Rws);
  EXPECT_EQ(GuessFormat(4896), SubcodeFormat::Cdg);  // both fit: sectors of 2448 win
  EXPECT_EQ(SectorCount(2448 * 3 + 100, SubcodeFormat::Cdg), 3u);
}

TEST(SubcodeLayout, PackHelpers) {
  SubCodePack pack;
  std::fill(pack.bytes(), pack.bytes() + kPackSize, 0x3F);
  InitPack(pack, kLoadClutHi);
  EXPECT_EQ(pack.Command, 0x09);
  EXPECT_EQ(pack.Instruction, 31);
  for (std::size_t i = 2; i < kPackSize; ++i) EXPECT_EQ(pack.bytes()[i], 0) << i;
  SubCodePack two[2];
  std::fill(two[0].bytes(), two[0].bytes() + 2 * kPackSize, 0x11);
  ClearPacks(two, 1);
  EXPECT_TRUE(IsEmptyPack(two[0].bytes()));
  EXPECT_FALSE(IsEmptyPack(two[1].bytes()));
  const std::uint8_t row[kTileWidth] = {1, 0, 0, 0, 0, 1};
  EXPECT_EQ(TileRowSymbol(row), 0x21);
}

}  // namespace
}  // namespace mosaicer
