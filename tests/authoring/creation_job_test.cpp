#include "authoring/creation_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "authoring/encoder.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

class CreationTest : public ::testing::Test {
 protected:
  TempDir dir;
  TSubCodeErrorCorrect ecc;
  AuthoringState state = StateWith(RandomPicture(11));
  std::string audio;

  void AcceptWav(std::size_t bytes) {
    audio = AudioBytes(bytes, 3);
    state.wavPath = dir.Write("song.wav", CdWave(audio));
    ASSERT_EQ(ReadWaveInfo(state.wavPath, state.wave), 1);
    state.limitField.AcceptWav(state.AudioSectors(), state.limitField.ShowLimit());
  }
};

// Collects the codes a worker sends, from its own thread; cancels `cancel`
// at the second step of the song's encoding (a run of 100 steps).
struct Codes {
  std::mutex mutex;
  std::vector<int> list;
  TCreationJob* cancel = nullptr;
  int encoded = -1;
  static int Callback(std::int8_t code, int value, void* context) {
    auto* self = static_cast<Codes*>(context);
    std::lock_guard lock(self->mutex);
    if (code == kProgressSteps && value == 100) self->encoded = 0;
    if (code != kProgressStep)
      self->list.push_back(code);
    else if (self->cancel && self->encoded >= 0 && ++self->encoded == 2)
      self->cancel->CancelJob();
    return 0;
  }
};

TEST_F(CreationTest, WorkerWritesACdgWithTheSongAndValidGraphics) {
  AcceptWav(20 * kAudioBytesPerSector + 7);
  state.blank = 5;
  TCreationJob job;
  Codes codes;
  ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &codes));
  const std::string out = dir.File("song.cdg");
  ASSERT_TRUE(job.Start(state, ecc, out));
  EXPECT_FALSE(job.Start(state, ecc, out));  // one job at a time
  job.Wait();
  EXPECT_EQ(job.JobStatus(), kJobSucceeded);
  EXPECT_EQ(codes.list, (std::vector<int>{kProgressSteps, kProgressAllSteps, kProgressDone}));
  EXPECT_FALSE(job.SetProgressCallback(&Codes::Callback, &codes));  // not idle yet
  job.SetJobStatus(kJobIdle);

  const std::string file = ReadFile(out);
  // Graphics outlast the song; where the audio lies is checked by the writer tests.
  ASSERT_EQ(file.size(), (5u + 770u) * kCdgSectorSize);
  EXPECT_EQ(file.substr(0, 64), audio.substr(0, 64));
}

// A zip is made from a CDG file written beside it: the song's encoding is a
// second run of steps, and a cancel then leaves no file at all.
TEST_F(CreationTest, AnMp3gOutputEncodesTheSongAfterwardsAndACancelLeavesNothing) {
  AcceptWav(300 * kAudioBytesPerSector);
  const auto zip = TitleOutputFor(dir.File("song.zip"));
  ASSERT_TRUE(zip);
  TCreationJob job;
  Codes codes;
  ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &codes));
  ASSERT_TRUE(job.Start(state, ecc, *zip));
  job.Wait();
  EXPECT_EQ(job.JobStatus(), kJobSucceeded) << job.Error();
  EXPECT_EQ(codes.list, (std::vector<int>{kProgressSteps, kProgressAllSteps, kProgressSteps,
                                          kProgressAllSteps, kProgressDone}));
  // Nothing but the song and the zip: the CDG file made on the way is gone.
  const auto listed = [&] {
    return std::distance(std::filesystem::directory_iterator(dir.path()), {});
  };
  EXPECT_EQ(listed(), 2);
  EXPECT_TRUE(std::filesystem::exists(zip->path));

  // Cancelled while the song is encoded: the CDG file beside it is gone and
  // the zip is not written.
  job.SetJobStatus(kJobIdle);
  Codes canceller;
  canceller.cancel = &job;
  ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &canceller));
  const auto other = TitleOutputFor(dir.File("other.zip"));
  ASSERT_TRUE(job.Start(state, ecc, *other));
  job.Wait();
  EXPECT_EQ(job.JobStatus(), kJobCancelRequested);
  EXPECT_TRUE(CreationOutcome(job.JobStatus(), other->kind).cancelled);
  EXPECT_EQ(listed(), 2);
}

TEST_F(CreationTest, TargetTimingEndsTheGraphicsAtTheLimit) {
  AcceptWav(1000 * kAudioBytesPerSector);
  state.timing = kTimingTarget;
  state.limitField.SetLimit(150);
  TCreationJob job;
  job.RunCreation(state, ecc, dir.File("t.cdg"));
  ASSERT_EQ(job.JobStatus(), kJobSucceeded);
  const std::string file = ReadFile(dir.File("t.cdg"));
  // The sectors are checked in the layout tests.
  ASSERT_EQ(file.size(), (620u + 1000u) * kCdgSectorSize);
  EXPECT_EQ(file.substr(620 * kCdgSectorSize, 16), audio.substr(0, 16));
}

TEST_F(CreationTest, BuildFailureEndsWithFailureCode) {
  AcceptWav(kAudioBytesPerSector);
  state.picture = Bitmap();
  TCreationJob job;
  Codes codes;
  job.SetProgressCallback(&Codes::Callback, &codes);
  job.RunCreation(state, ecc, dir.File("x.cdg"));
  EXPECT_EQ(job.JobStatus(), kJobFailed);
  EXPECT_EQ(codes.list, std::vector<int>{kProgressFailed});
  EXPECT_TRUE(CreationOutcome(job.JobStatus()).error);

  // Saves name the file; what the files hold is checked by the command-line tests.
  state = StateWith(RandomPicture(11));
  const std::string rws = dir.File("missing/p.rws"), bmp = dir.File("missing/p.bmp");
  for (const auto& [saved, path] :
       {std::pair{SaveRwsFile(state, ecc, rws), rws}, std::pair{SaveVisibleBmp(state, bmp), bmp}}) {
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().find(path), std::string::npos) << saved.error();
  }
  EXPECT_FALSE(SaveVisibleBmp(AuthoringState{}, dir.File("none.bmp")));
}

}  // namespace
}  // namespace mosaicer
