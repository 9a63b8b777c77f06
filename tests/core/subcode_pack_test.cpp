#include "core/subcode_pack.h"

#include <gtest/gtest.h>

namespace mosaicer {
namespace {

// Colour words are checked by the encoder and decoder tests.
TEST(SubcodeLayout, GuessedFormats) {
  EXPECT_EQ(GuessFormat(1836000), SubcodeFormat::Cdg);
  EXPECT_EQ(GuessFormat(72000), SubcodeFormat::Rws);
  EXPECT_EQ(GuessFormat(4896), SubcodeFormat::Cdg);  // both fit: sectors of 2448 win
  EXPECT_EQ(SectorCount(2448 * 3 + 100, SubcodeFormat::Cdg), 3u);
}

}  // namespace
}  // namespace mosaicer
