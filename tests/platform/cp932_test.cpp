#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace mosaicer {
namespace {

const std::string kTestUtf8 = "テスト効果";
const std::string kTestCp932 = "\x83\x65\x83\x58\x83\x67\x8C\xF8\x89\xCA";

TEST(Cp932, DecodesShiftJisAndEncodesItBackAndFallsBackToUtf8) {
  EXPECT_EQ(Cp932ToUtf8(kTestCp932), kTestUtf8);
  bool lossless = false;
  EXPECT_EQ(Utf8ToCp932(kTestUtf8, &lossless), kTestCp932);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(Cp932ToUtf8("plain ASCII=1\r\n"), "plain ASCII=1\r\n");
  // UTF-8 "効果" ends in 0x9C, a CP932 lead byte that a line end cannot follow.
  EXPECT_EQ(Cp932ToUtf8("TitleJ=効果\r\n"), "TitleJ=効果\r\n");
}

TEST(Cp932, WhatNeitherSideHasIsReplaced) {
  // 0x81 is a lead byte without its trail at the end; 0xFF is never valid.
  EXPECT_EQ(Cp932ToUtf8("A\x83\x65\xFF" "B\x81"), "A\xE3\x83\x86\xEF\xBF\xBD" "B\xEF\xBF\xBD");
  bool lossless = true;
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x8E\xA4z", &lossless), "a?z");  // an emoji
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToCp932("x\xC3", &lossless), "x?");  // cut-off UTF-8
  EXPECT_FALSE(lossless);
}

TEST(Utf8Validation, RejectsOverlongSurrogateAndTruncatedSequences) {
  EXPECT_TRUE(IsValidUtf8("ascii \xE3\x81\x82 \xF0\x9F\x8E\xA4"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));              // stray continuation
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

}  // namespace
}  // namespace mosaicer
