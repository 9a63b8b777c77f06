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

}  // namespace
}  // namespace mosaicer
