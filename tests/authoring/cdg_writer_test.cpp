#include "authoring/cdg_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <tuple>

#include "authoring/authoring_state.h"
#include "platform/io_status.h"
#include "support/disk_full.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

constexpr std::uint32_t kSeconds = 75 * kAudioBytesPerSector;

TEST(CdgLayout, SectorCountsOfEveryTimingMode) {
  const std::int64_t packs = 770 * 4;
  // Together: 60 s of audio holds all graphics; 5 s does not.
  EXPECT_EQ(PlanCdgLayout(kTimingTogether, 60 * kSeconds, packs, 0).Sectors(), 4500);
  EXPECT_EQ(PlanCdgLayout(kTimingTogether, 5 * kSeconds, packs, 0).Sectors(), 770);
  EXPECT_EQ(PlanCdgLayout(kTimingDisplayFirst, 5 * kSeconds, packs, 0).Sectors(), 1145);

  const CdgLayout leadIn = PlanCdgLayout(kTimingLeadIn, 5 * kSeconds, packs, 0);
  EXPECT_EQ(leadIn.kind, CdgWriterKind::LeadIn);
  EXPECT_EQ(leadIn.lead, 395);
  EXPECT_EQ(leadIn.Sectors(), 770);
  EXPECT_EQ(leadIn.AudioAt(394), -1);
  EXPECT_EQ(leadIn.AudioAt(395), 0);
  EXPECT_EQ(leadIn.StreamAt(769), 769);
  EXPECT_EQ(PlanCdgLayout(kTimingLeadIn, 60 * kSeconds, packs, 0).kind, CdgWriterKind::Together);

  const CdgLayout target = PlanCdgLayout(kTimingTarget, 60 * kSeconds, packs, 150);
  EXPECT_EQ(target.lead, 620);
  EXPECT_EQ(target.Sectors(), 5120);
  EXPECT_EQ(target.AudioAt(620), 0);
  EXPECT_EQ(target.StreamAt(769), 769);  // audio sector 149, the last before 00:02:00
  EXPECT_EQ(target.StreamAt(770), -1);
  EXPECT_EQ(PlanCdgLayout(kTimingTarget, 60 * kSeconds, packs, 800).kind, CdgWriterKind::Together);
  EXPECT_EQ(PlanCdgLayout(99, 5 * kSeconds, packs, 0).kind, CdgWriterKind::Together);
}

TEST(CdgLayout, PartialLastAudioSector) {
  const CdgLayout l = PlanCdgLayout(kTimingTarget, 2 * kSeconds + 1000, 770 * 4, 151);
  EXPECT_EQ(l.Sectors(), l.lead + 151);
  EXPECT_EQ(l.AudioAt(l.Sectors() - 1), 150);
  EXPECT_EQ(l.StreamAt(l.Sectors() - 1), 769);  // the last audio sector carries the last graphics
  EXPECT_EQ(l.Steps(), l.Sectors());
}

// Records what the writer reports and can ask it to stop.
struct Recorder {
  std::vector<int> codes;
  int steps = 0;
  int announced = -1;
  int cancelAfter = -1;
  TJobOwner* owner = nullptr;

  static int Callback(std::int8_t code, int value, void* context) {
    auto* self = static_cast<Recorder*>(context);
    if (code == kProgressStep) {
      if (++self->steps == self->cancelAfter) self->owner->CancelJob();
    } else {
      self->codes.push_back(code);
    }
    if (code == kProgressSteps) self->announced = value;
    return 0;
  }
};

class CdgWriterTest : public ::testing::Test {
 protected:
  TempDir dir;
  TJobOwner owner;
  Recorder recorder;
  std::string audio;
  std::string wavPath;
  WaveInfo wave;
  std::vector<std::uint8_t> stream;

  void SetUp() override {
    recorder.owner = &owner;
    ASSERT_TRUE(owner.SetProgressCallback(&Recorder::Callback, &recorder));
  }
  IoStatus last = IoStatus::Ok();
  void Reset(int cancelAfter = -1) {
    owner.SetJobStatus(kJobIdle);
    recorder = Recorder{{}, 0, -1, cancelAfter, &owner};
  }
  void MakeInputs(std::size_t audioBytes, int streamSectors) {
    audio = AudioBytes(audioBytes);
    wavPath = dir.Write("song.wav", CdWave(audio));
    ASSERT_EQ(ReadWaveInfo(wavPath, wave), 1);
    stream.resize(streamSectors * kSubcodeBytesPerSector);
    for (std::size_t i = 0; i < stream.size(); ++i)
      stream[i] = static_cast<std::uint8_t>(1 + i % 63);
  }
  std::string Write(const CdgLayout& layout) {
    const std::string out = dir.File("out.cdg");
    last = WriteCdgFile(layout, wavPath, wave, stream, out, owner);
    return ReadFile(out);
  }
  // Checks every sector of `file` against the layout.
  void ExpectSectors(const std::string& file, const CdgLayout& layout) {
    ASSERT_EQ(file.size(), layout.Sectors() * kCdgSectorSize);
    const std::string padded = audio + std::string(kAudioBytesPerSector, '\0');
    const std::string subcode(stream.begin(), stream.end()), none(kAudioBytesPerSector, '\0');
    for (std::int64_t k = 0; k < layout.Sectors(); ++k) {
      const std::int64_t j = layout.AudioAt(k), s = layout.StreamAt(k);
      ASSERT_EQ(file.substr(k * kCdgSectorSize, kAudioBytesPerSector),
                j < 0 ? none : padded.substr(j * kAudioBytesPerSector, kAudioBytesPerSector))
          << "sector " << k;
      ASSERT_EQ(file.substr(k * kCdgSectorSize + kAudioBytesPerSector, 96),
                s < 0 ? none.substr(0, 96) : subcode.substr(s * 96, 96))
          << "sector " << k;
    }
  }
};

TEST_F(CdgWriterTest, EveryWriterLaysAudioAndGraphicsAsPlanned) {
  MakeInputs(4 * kAudioBytesPerSector + 1000, 7);  // A = 5 with a partial sector, G = 7
  for (int timing : {kTimingTogether, kTimingDisplayFirst, kTimingLeadIn, kTimingTarget}) {
    SCOPED_TRACE(timing);
    Reset();
    const CdgLayout layout = PlanCdgLayout(timing, wave.dataSize, 7 * 4, 3);
    ExpectSectors(Write(layout), layout);
    EXPECT_EQ(owner.JobStatus(), kJobSucceeded);
    EXPECT_EQ(recorder.codes, (std::vector<int>{kProgressSteps, kProgressAllSteps}));
    EXPECT_EQ(recorder.announced, layout.Steps());
    // The partial sector is a step only when audio and graphics run together.
    EXPECT_EQ(recorder.steps, layout.Sectors() - (timing == kTimingTogether ? 0 : 1));
  }
}

TEST_F(CdgWriterTest, SuccessAndCancelReplaceTheOldFile) {
  MakeInputs(20 * kAudioBytesPerSector, 10);
  dir.Write("out.cdg", "old");
  const CdgLayout layout = PlanCdgLayout(kTimingTogether, wave.dataSize, 40, 0);
  ExpectSectors(Write(layout), layout);  // audio outlasts the graphics: empty subcode after
  EXPECT_TRUE(last.ok());
  // Cancelled while the graphics come first: the partial file, all silent, takes the name.
  dir.Write("out.cdg", "old");
  Reset(4);
  const std::string file = Write(PlanCdgLayout(kTimingDisplayFirst, wave.dataSize, 40, 0));
  EXPECT_EQ(owner.JobStatus(), kJobCancelRequested);
  ASSERT_EQ(file.size(), 4 * kCdgSectorSize);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(file.substr(k * kCdgSectorSize, kAudioBytesPerSector),
              std::string(kAudioBytesPerSector, '\0'));
    EXPECT_NE(file[k * kCdgSectorSize + kAudioBytesPerSector], 0);
  }
  EXPECT_EQ(recorder.codes, std::vector<int>{kProgressSteps});  // no "all done"
  EXPECT_TRUE(LeftoverTempFiles(dir.path()).empty());
}

// A stream that turns up after the writer has asked for it `polls` times
// (each time after a batch of audio written ahead); `cancelOwner` is
// cancelled at the third time.
class LateStream final : public StreamSource {
 public:
  LateStream(MadeStream made, int polls, TJobOwner* cancelOwner = nullptr)
      : made_(std::move(made)), polls_(polls), cancelOwner_(cancelOwner) {}
  bool Ready() override {
    if (cancelOwner_ && ++asked_ == 3) cancelOwner_->CancelJob();
    return polls_-- <= 0;
  }
  const MadeStream& Wait() override { return made_; }

 private:
  MadeStream made_;
  int polls_, asked_ = 0;
  TJobOwner* cancelOwner_;
};

TEST_F(CdgWriterTest, WritingBeforeTheStreamIsMadeGivesTheSameFile) {
  // A short song that the graphics outlast, and one that moves when the
  // graphics lead in; limits of 100 start the file again too.
  const std::size_t longSong = 600 * kAudioBytesPerSector + 1000,
                    shortSong = 5 * kAudioBytesPerSector + 1000;
  const std::tuple<int, std::int64_t, std::size_t> cases[] = {
      {kTimingTogether, 0, longSong},     {kTimingTogether, 0, shortSong},
      {kTimingDisplayFirst, 0, longSong}, {kTimingLeadIn, 0, longSong},
      {kTimingLeadIn, 0, shortSong},      {kTimingTarget, 0, 600 * kAudioBytesPerSector},
      {kTimingTarget, 100, longSong},     {kTimingTarget, 400, longSong}};
  for (const auto& [timing, limit, audioBytes] : cases) {
    MakeInputs(audioBytes, 300);
    Reset();
    const std::string serial = Write(PlanCdgLayout(timing, wave.dataSize, 300 * 4, limit));
    ASSERT_TRUE(last.ok()) << last.error();
    const Recorder serialReport = recorder;
    for (int polls : {0, 1, 2, 1000}) {
      SCOPED_TRACE(::testing::Message() << "timing " << timing << ", limit " << limit << ", audio "
                                        << audioBytes << ", ready after " << polls);
      Reset();
      LateStream source({stream, 300 * 4, ""}, polls);
      const std::string out = dir.File("ahead.cdg");
      const IoStatus status = WriteCdgFile(timing, limit, wavPath, wave, source, out, owner);
      ASSERT_TRUE(status.ok()) << status.error();
      EXPECT_EQ(owner.JobStatus(), kJobSucceeded);
      EXPECT_TRUE(ReadFile(out) == serial);
      EXPECT_EQ(recorder.codes, serialReport.codes);
      EXPECT_EQ(recorder.announced, serialReport.announced);
      EXPECT_EQ(recorder.steps, serialReport.steps);
      EXPECT_TRUE(LeftoverTempFiles(dir.path()).empty());
    }
  }
}

// Written after the stream is made (polls -1) or ahead of it.
TEST_F(CdgWriterTest, AFailureLeavesTheOldFileAndSaysWhy) {
  // The reasons are checked in English words.
  testing::LanguageScope english(Language::English);
  MakeInputs(300 * kAudioBytesPerSector, 300);
  WaveInfo longer = wave;  // a WAV shorter than its header says
  longer.dataSize += 5000;
  const std::string old = dir.Write("out.cdg", "the user's old file");
  struct Case {
    const char* name;
    std::string wav, out;
    const WaveInfo* info;
    std::string streamError;
    bool fullDisk;
    std::string says;
  } cases[] = {
      {"missing folder", wavPath, dir.File("no/such/folder/out.cdg"), &wave, "", false,
       ErrnoReason(ENOENT)},
      {"missing song", dir.File("gone.wav"), old, &wave, "", false, "gone.wav"},
      {"short song", wavPath, old, &longer, "", false, "ends before"},
      {"full disk", wavPath, old, &wave, "", true, "File too large"},
      {"no picture", wavPath, old, &wave, "\"pic.bmp\" is not a BMP file", false, "pic.bmp"},
      // Both: the picture's failure is told, as it would be without writing ahead.
      {"short song, no picture", wavPath, old, &longer, "no picture", false, "no picture"},
  };
  for (const Case& c : cases) {
    for (int polls : {-1, 0, 2, 1000}) {
      if (polls < 0 && !c.streamError.empty()) continue;
      SCOPED_TRACE(::testing::Message() << c.name << ", ready after " << polls);
      owner.SetJobStatus(kJobIdle);
      LateStream source({stream, 300 * 4, c.streamError}, polls);
      IoStatus status = IoStatus::Ok();
      {
        std::optional<DiskFullAfter> full;
        if (c.fullDisk) full.emplace(100 * 1000);
        status = polls < 0 ? WriteCdgFile(PlanCdgLayout(kTimingTogether, c.info->dataSize, 1200, 0),
                                          c.wav, *c.info, stream, c.out, owner)
                           : WriteCdgFile(kTimingTogether, 0, c.wav, *c.info, source, c.out, owner);
      }
      EXPECT_EQ(owner.JobStatus(), kJobFailed);
      ASSERT_FALSE(status.ok());
      EXPECT_NE(status.error().find(c.says), std::string::npos) << status.error();
      // The message says what is left on disk, except the picture's own.
      const std::string left =
          c.out == old ? "\"" + old + "\" is unchanged" : "no \"" + c.out + "\" was written";
      EXPECT_EQ(status.error().find(left) != std::string::npos, c.streamError.empty());
      if (!c.streamError.empty()) {
        EXPECT_EQ(status.error(), c.streamError);
      }
      EXPECT_EQ(ReadFile(old), "the user's old file");
      EXPECT_TRUE(LeftoverTempFiles(dir.path()).empty());
    }
  }
}

TEST_F(CdgWriterTest, CancelWhileThePictureIsMadeKeepsWhatWasWritten) {
  MakeInputs(600 * kAudioBytesPerSector, 300);
  owner.CancelJob();  // before anything: the first sector is kept, as without writing ahead
  LateStream source({stream, 300 * 4, ""}, 1000);
  const std::string file = dir.File("cancelled.cdg");
  ASSERT_TRUE(WriteCdgFile(kTimingTogether, 0, wavPath, wave, source, file, owner).ok());
  EXPECT_EQ(owner.JobStatus(), kJobCancelRequested);
  EXPECT_EQ(ReadFile(file).size(), kCdgSectorSize);

  // Cancelled after some batches were written ahead: they keep the stream's subcode.
  MakeInputs(2600 * kAudioBytesPerSector, 300);
  Reset();
  LateStream late({stream, 300 * 4, ""}, 1000, &owner);
  ASSERT_TRUE(WriteCdgFile(kTimingTogether, 0, wavPath, wave, late, file, owner).ok());
  EXPECT_EQ(owner.JobStatus(), kJobCancelRequested);
  std::string kept = ReadFile(file);
  ASSERT_EQ(kept.size() % kCdgSectorSize, 0u);
  ASSERT_GT(kept.size(), 300 * kCdgSectorSize);  // past the graphics
  ASSERT_LT(kept.size(), 2600 * kCdgSectorSize);
  owner.SetJobStatus(kJobIdle);
  const std::string whole = Write(PlanCdgLayout(kTimingTogether, wave.dataSize, 300 * 4, 0));
  EXPECT_TRUE(kept == whole.substr(0, kept.size()));
}

}  // namespace
}  // namespace mosaicer
