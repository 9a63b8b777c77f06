#include "authoring/msf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>

namespace mosaicer {
namespace {

TEST(MsfConversion, SplitsJoinsAndShowsFrameCounts) {
  const std::tuple<std::int64_t, const char*, int, int, int> cases[] = {
      {0, "00:00:00", 0, 0, 0},
      {4574, "01:00:74", 1, 0, 74},
      {449'999, "99:59:74", 99, 59, 74},
      {75 * 61 + 3, "01:01:03", 1, 1, 3}};
  for (const auto& [frames, text, m, s, f] : cases) {
    EXPECT_EQ(MsfText(frames), text);
    const Msf msf = FramesToMsf(frames);
    EXPECT_EQ(std::tuple(msf.minutes, msf.seconds, msf.frames), std::tuple(m, s, f)) << text;
  }
  for (std::int64_t frames = 0; frames < 2 * kFramesPerMinute; frames += 7) {
    const Msf back = FramesToMsf(frames);
    ASSERT_LT(back.seconds, 60);
    ASSERT_LT(back.frames, 75);
    ASSERT_EQ(MsfToFrames(back.minutes, back.seconds, back.frames), frames);
  }
}

TEST(MsfFramesToLba, ProgramAreaThenLeadInThenNothing) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {150, 0},     {0, -150}, {404'999, 404'849}, {405'000, -45'150}, {409'498, -40'652},
      {409'499, 0}, {-1, 0},   {kMin, 0},          {kMax, 0}};
  for (const auto& [frames, lba] : cases) EXPECT_EQ(FramesToLba(frames), lba) << frames;
}

TEST(MsfField, TypedTextReadsPartByPartWithCapsShown) {
  // Minutes have no cap of their own; leading digits count; only two
  // characters a part are read. 12:34:56 is (12 * 60 + 34) * 75 + 56 frames.
  const std::tuple<const char*, const char*, std::int64_t> cases[] = {
      {"12:34:56", "12:34:56", 56'606},  {"00:75:80", "00:59:74", 4499},
      {"99:99:99", "99:59:74", 449'999}, {"", "00:00:00", 0},
      {"ab:cd:ef", "00:00:00", 0},       {"12", "12:00:00", 12 * 4500},
      {"00:05", "00:05:00", 5 * 75},     {"-1:-2:-3", "00:00:00", 0},
      {"1_:__:__", "01:00:00", 4500},    {"_1:0 :7_", "00:00:07", 7},
      {"00:00:0123", "00:00:01", 1}};
  for (const auto& [typed, shown, limit] : cases) {
    TMsfField field;
    field.SetLimit(1234);
    EXPECT_EQ(field.EditChange(typed), shown) << '"' << typed << '"';
    EXPECT_EQ(field.Limit(), limit) << '"' << typed << '"';
  }
  TMsfField field;
  EXPECT_EQ(field.ShowLimit(), "00:00:00");
  field.SetLimit(4574);
  EXPECT_EQ(field.ShowLimit(), "01:00:74");
  field.SetLimit(-20);
  EXPECT_EQ(field.Limit(), 0);
  field.ReadLimit("00:02:00");
  EXPECT_EQ(field.Limit(), 150);
}

// Types `keys` over `text` as the masked field does: each key replaces the
// character at the cursor, which then moves on past a colon.
std::string TypeOver(TMsfField& field, std::string text, const std::string& keys) {
  int cursor = 0;
  for (char key : keys) {
    text[static_cast<std::size_t>(cursor)] = key;
    ++cursor;
    if (cursor == 2 || cursor == 5) ++cursor;
    text = field.EditChange(text, cursor);
  }
  return text;
}

TEST(MsfField, CapsApplyOnceAPartIsTypedWhole) {
  TMsfField field;
  EXPECT_EQ(TypeOver(field, "00:00:00", "007580"), "00:59:74");
  EXPECT_EQ(field.Limit(), 59 * 75 + 74);
  EXPECT_EQ(TypeOver(field, "00:00:00", "012345"), "01:23:45");
  EXPECT_EQ(field.Limit(), (60 + 23) * 75 + 45);

  // Halfway through a part the typed text stays, but Limit is already capped.
  EXPECT_EQ(field.EditChange("00:9_:00", 4), "00:9_:00");
  EXPECT_EQ(field.Limit(), 9 * 75);
  EXPECT_EQ(field.EditChange("00:90:00", 4), "00:90:00");
  EXPECT_EQ(field.Limit(), 59 * 75);
  EXPECT_EQ(field.EditChange("00:90:00", 6), "00:59:00");  // the cursor left the part
  EXPECT_EQ(field.EditChange("00:00:99", 8), "00:00:74");
  EXPECT_EQ(field.EditChange("00:00:99", 7), "00:00:99");
}

TEST(MsfField, StepsMoveOneFrameAndStopAtZeroAndTheSongsLength) {
  TMsfField field;
  EXPECT_EQ(field.StepDown(), "00:00:00");
  EXPECT_EQ(field.Limit(), 0);
  field.SetLimit(74);
  EXPECT_EQ(field.StepUp(), "00:01:00");
  EXPECT_EQ(field.StepDown(), "00:00:74");

  // A time beyond the song stores its length but stays visible.
  EXPECT_EQ(field.AcceptWav(3000, "00:00:00"), "00:00:00");
  EXPECT_EQ(field.EditChange("05:00:00"), "05:00:00");
  EXPECT_EQ(field.Limit(), 3000);
  EXPECT_EQ(field.StepUp(), "00:40:00");
  EXPECT_EQ(field.Limit(), 3000);
  EXPECT_EQ(field.StepDown(), "00:39:74");

  // Accepting a song rereads the field; clearing it lifts the cap.
  field.EditChange("05:00:00");
  EXPECT_EQ(field.AcceptWav(3000, "05:00:00"), "00:40:00");
  EXPECT_EQ(field.AcceptWav(3000, "00:10:00"), "00:10:00");
  EXPECT_EQ(field.Limit(), 750);
  field.ClearWav();
  EXPECT_FALSE(field.HasWav());
  field.EditChange("05:00:00");
  field.StepUp();
  EXPECT_EQ(field.Limit(), 22'501);
}

}  // namespace
}  // namespace mosaicer
