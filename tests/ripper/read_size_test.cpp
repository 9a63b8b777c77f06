#include "ripper/read_size.h"

#include <gtest/gtest.h>

#include <optional>

namespace mosaicer {
namespace {

// What is typed, and what stands: the number, or it written back as the
// limit it went past; text that is no number changes nothing.
TEST(ReadSize, TypedTextStandsOrIsWrittenBackAsTheLimit) {
  struct Case {
    const char* typed;
    std::optional<int> value{};
    bool corrected = false;
  } cases[] = {
      {"1", 1},          {"25", 25},        {"49", 49},          {" 7 ", 7},
      {"+12", 12},       {"50", 50, true},  {"80", 50, true},    {"050", 50, true},
      {"0", 1, true},    {"-3", 1, true},   {"99999999999999999999999", 50, true},
      {"-99999999999999999999999", 1, true},
      {""},  {" "},  {"abc"},  {"2a"},  {"+"},  {"-"},  {"1 2"},  {"3.5"},  {"0x10"},
  };
  for (const Case& c : cases) {
    const auto entry = ReadSizeFromText(c.typed);
    ASSERT_EQ(entry.has_value(), c.value.has_value()) << '"' << c.typed << '"';
    if (!entry) continue;
    EXPECT_EQ(entry->value, *c.value) << c.typed;
    EXPECT_EQ(entry->corrected, c.corrected) << c.typed;
  }
}

}  // namespace
}  // namespace mosaicer
