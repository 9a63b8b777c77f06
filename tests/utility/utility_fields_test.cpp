#include "utility/utility_fields.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Chunk;
using testing::PcmFormat;
using testing::Riff;

TEST(UtilityFields, ADivideNeedsTheWavNameOnlyWhenItWritesOne) {
  UtilityFields fields{"a.cdg", "a.rws", "", false};
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::NothingToDo);
  fields.noWav = true;
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::Succeeded);
  fields.rwsPath.clear();
  EXPECT_EQ(DivideReadiness(DivideRequestFor(fields)), UtilityOutcome::NothingToDo);
}

TEST(UtilityFields, ACombineStartsWithAnyReadableSong) {
  testing::TempDir dir;
  const std::string cd = dir.Write("cd.wav", testing::CdWave(std::string(400, 'x')));
  const std::string mono =
      dir.Write("mono.wav", Riff(Chunk("fmt ", PcmFormat(1, 44100, 16)) + Chunk("data", "xx")));
  const std::string rate =
      dir.Write("48k.wav", Riff(Chunk("fmt ", PcmFormat(2, 48000, 16)) + Chunk("data", "xxxx")));
  const auto readiness = [&](const std::string& wav) {
    return CombineReadiness(CombineRequestFor({dir.File("o.cdg"), dir.File("i.rws"), wav, true}));
  };
  EXPECT_EQ(readiness(cd), UtilityOutcome::Succeeded);
  EXPECT_EQ(readiness(mono), UtilityOutcome::Succeeded);
  EXPECT_EQ(readiness(rate), UtilityOutcome::Succeeded);
  EXPECT_EQ(readiness(dir.Write("text.wav", "no song")), UtilityOutcome::NotCdAudio);
  EXPECT_EQ(readiness(dir.File("none.wav")), UtilityOutcome::NotCdAudio);
  EXPECT_EQ(readiness(""), UtilityOutcome::NothingToDo);
}

}  // namespace
}  // namespace mosaicer
