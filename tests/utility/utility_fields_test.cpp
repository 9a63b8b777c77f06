#include "utility/utility_fields.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

TEST(UtilityFields, ADivideNeedsTheWavNameOnlyWhenItWritesOne) {
  UtilityFields fields{"a.cdg", "a.rws", "", false};
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::NothingToDo);
  fields.noWav = true;
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::Succeeded);
  fields.rwsPath.clear();
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::NothingToDo);
}

TEST(UtilityFields, ACombineStartsWithAnyReadableSong) {
  TempDir dir;
  const std::string cd = dir.Write("cd.wav", CdWave(std::string(400, 'x')));
  // Mono at 48 kHz: neither is refused, both are converted.
  const std::string other =
      dir.Write("mono.wav", Riff(Chunk("fmt ", PcmFormat(1, 48000, 16)) + Chunk("data", "xx")));
  const auto readiness = [&](const std::string& wav) {
    return CombineReadiness(CombineRequestFor({dir.File("o.cdg"), dir.File("i.rws"), wav, true}));
  };
  EXPECT_EQ(readiness(cd), UtilityOutcome::Succeeded);
  EXPECT_EQ(readiness(other), UtilityOutcome::Succeeded);
  EXPECT_EQ(readiness(dir.Write("text.wav", "no song")), UtilityOutcome::NotCdAudio);
  EXPECT_EQ(readiness(dir.File("none.wav")), UtilityOutcome::NotCdAudio);
  EXPECT_EQ(readiness(""), UtilityOutcome::NothingToDo);
}

}  // namespace
}  // namespace mosaicer
