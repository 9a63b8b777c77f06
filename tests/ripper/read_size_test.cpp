#include "ripper/read_size.h"

#include <gtest/gtest.h>

namespace mosaicer {
namespace {

void ExpectEntry(std::string_view text, int value, bool corrected) {
  const auto entry = ReadSizeFromText(text);
  ASSERT_TRUE(entry.has_value()) << text;
  EXPECT_EQ(entry->value, value) << text;
  EXPECT_EQ(entry->corrected, corrected) << text;
}

TEST(ReadSize, NumbersWithinTheRangeStandAsTyped) {
  ExpectEntry("1", 1, false);
  ExpectEntry("25", 25, false);
  ExpectEntry("49", 49, false);
  ExpectEntry(" 7 ", 7, false);
  ExpectEntry("+12", 12, false);
}

TEST(ReadSize, TheLimitsAndBeyondAreWrittenBackAsTheLimit) {
  ExpectEntry("50", 50, true);
  ExpectEntry("80", 50, true);
  ExpectEntry("050", 50, true);
  ExpectEntry("99999999999999999999999", 50, true);  // no overflow
  ExpectEntry("0", 1, true);
  ExpectEntry("-3", 1, true);
  ExpectEntry("-99999999999999999999999", 1, true);
}

TEST(ReadSize, TextThatIsNoNumberChangesNothing) {
  for (const char* text : {"", " ", "abc", "2a", "+", "-", "1 2", "3.5", "0x10"})
    EXPECT_FALSE(ReadSizeFromText(text).has_value()) << text;
}

}  // namespace
}  // namespace mosaicer
