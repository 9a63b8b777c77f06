// Tracks ripped into MP3+G titles: the title holds what the CDG rip holds,
// the progress is one job, and a failed or cancelled track leaves nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/subcode_pack.h"
#include "ripper/image_drive_rig.h"
#include "support/language_scope.h"
#include "support/title_sectors.h"

namespace mosaicer {
namespace {

using testing::Codes;
using testing::FilesIn;
using testing::SectorsOf;

class RipOutputTest : public ::testing::Test {
 protected:
  testing::ImageDrive disc;
  std::string cdgRip;  // track 1 as a CDG file
  std::string out;     // a folder for the titles

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(disc.Open(testing::MakeDisc(150, 61)));
    TRipJob job;
    cdgRip = disc.Rip(disc.image, 0, {}, job);
    ASSERT_EQ(cdgRip.size(), 85u * kCdgSectorSize);
    out = disc.dir.File("out");
    std::filesystem::create_directory(out);
  }
};

TEST_F(RipOutputTest, ATitleHoldsTheCdgRipSectorForSector) {
  struct Case {
    const char* name;
    std::string path;
    SongKind zipSong;
    TitleOutputKind kind;
    std::set<std::string> files;
  } cases[] = {
      {"zip of WAV", out + "/a.zip", SongKind::Wav, TitleOutputKind::Zip, {"a.zip"}},
      {"zip of FLAC", out + "/b.zip", SongKind::Flac, TitleOutputKind::Zip, {"b.zip"}},
      {"WAV pair", out + "/c.wav", SongKind::Mp3, TitleOutputKind::Pair, {"c.wav", "c.cdg"}},
      {"FLAC pair", out + "/d.flac", SongKind::Mp3, TitleOutputKind::Pair, {"d.flac", "d.cdg"}},
  };
  std::set<std::string> expected;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TitleOutput> output = TitleOutputFor(c.path, c.zipSong);
    ASSERT_TRUE(output);
    ASSERT_EQ(output->kind, c.kind);
    TRipJob job;
    Codes codes{&job};
    ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &codes));
    RipOptions options;
    options.subcodeOnly = true;  // the kind decides: this asks for nothing
    job.RunSingle(disc.image, disc.drive, disc.toc, 0, *output, options);
    ASSERT_EQ(job.JobStatus(), kJobSucceeded) << job.Error();

    // The pair is read through its .cdg, which finds the song beside it.
    const std::string read = c.kind == TitleOutputKind::Zip ? c.path : output->subcodePath;
    EXPECT_TRUE(SectorsOf(read) == cdgRip);
    expected.insert(c.files.begin(), c.files.end());
    EXPECT_EQ(FilesIn(out), expected);  // and no temporary file beside them

    // One job: the steps announced are the steps shown, the end once.
    EXPECT_EQ(codes.Count(kProgressSteps), 1);
    EXPECT_EQ(codes.StepsAnnounced(), RipSteps(disc.toc.Tracks[0], {}) + kTitleSteps);
    EXPECT_EQ(codes.Count(kProgressStep), codes.StepsAnnounced());
    EXPECT_EQ(codes.Count(kProgressAllSteps), 1);
    EXPECT_EQ(codes.list.back().first, kProgressDone);
    ASSERT_EQ(job.Reports().size(), 1u);
    EXPECT_EQ(job.Reports()[0].file, c.path);
    EXPECT_EQ(job.Reports()[0].track, 1);
  }

  // An MP3 song is lossy: its subcode is exact and its length the track's.
  TRipJob job;
  job.RunSingle(disc.image, disc.drive, disc.toc, 0, *TitleOutputFor(out + "/e.zip"), {});
  ASSERT_EQ(job.JobStatus(), kJobSucceeded) << job.Error();
  const std::string mp3 = SectorsOf(out + "/e.zip");
  ASSERT_GE(mp3.size(), cdgRip.size());
  for (std::size_t s = 0; s < 85; ++s)
    ASSERT_EQ(mp3.compare(s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector, cdgRip,
                          s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector),
              0)
        << "sector " << s;
}

TEST_F(RipOutputTest, ABatchNamesEveryFileOfATrackTogether) {
  const std::string base = out + "/song";
  RipOutput pair;
  pair.kind = TitleOutputKind::Pair;
  pair.song = SongKind::Flac;
  // A name is taken only when both files of the pair are free.
  disc.dir.Write("out/song_02.cdg", "keep");
  disc.dir.Write("out/song_02 - 001.flac", "keep");
  EXPECT_EQ(BatchOutput(base, 0, pair).path, base + "_01.flac");
  EXPECT_EQ(BatchOutput(base, 0, pair).subcodePath, base + "_01.cdg");
  EXPECT_EQ(BatchOutput(base, 1, pair).path, base + "_02 - 002.flac");
  EXPECT_EQ(BatchOutput(base, 1, pair).subcodePath, base + "_02 - 002.cdg");
  RipOutput zip;
  zip.kind = TitleOutputKind::Zip;
  EXPECT_EQ(BatchOutput(base, 1, zip).path, base + "_02.zip");
  // Asked to replace, the plain names.
  pair.replace = true;
  EXPECT_EQ(BatchOutput(base, 1, pair).path, base + "_02.flac");
  pair.replace = false;

  TRipJob job;
  Codes codes{&job};
  ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &codes));
  job.RunBatch(disc.image, disc.drive, disc.toc, {0, 1}, base, pair, {});
  ASSERT_EQ(job.JobStatus(), kJobSucceeded) << job.Error();
  EXPECT_EQ(FilesIn(out), (std::set<std::string>{"song_01.flac", "song_01.cdg", "song_02.cdg",
                                                 "song_02 - 001.flac", "song_02 - 002.flac",
                                                 "song_02 - 002.cdg"}));
  EXPECT_EQ(testing::ReadFile(base + "_02.cdg"), "keep");
  EXPECT_TRUE(SectorsOf(base + "_01.cdg") == cdgRip);
  EXPECT_EQ(SectorsOf(base + "_02 - 002.cdg").size(), 65u * kCdgSectorSize);
  EXPECT_EQ(codes.Count(kProgressNextTrack), 2);
  EXPECT_EQ(codes.Count(kProgressAllSteps), 2);
  ASSERT_EQ(job.Reports().size(), 2u);
  EXPECT_EQ(job.Reports()[1].file, base + "_02 - 002.flac");
  EXPECT_EQ(job.Reports()[1].track, 2);

  // CDG and RWS batches keep their names and layouts.
  TRipJob plain;
  RipOutput rws;
  rws.kind = TitleOutputKind::Rws;
  plain.RunBatch(disc.image, disc.drive, disc.toc, {1}, base, rws, {});
  EXPECT_EQ(testing::ReadFile(base + "_02.rws").size(), 65u * kSubcodeBytesPerSector);
}

TEST_F(RipOutputTest, AFailedOrCancelledTitleLeavesNothing) {
  testing::LanguageScope english(Language::English);
  disc.dir.Write("out/old.zip", "the user's old zip");
  RipOptions options;
  options.retries = 0;
  options.readSize = 10;
  const int ripSteps = static_cast<int>(RipSteps(disc.toc.Tracks[0], options));
  struct Case {
    const char* name;
    std::string path;
    int cancelAtStep;
    int failFrom;
    std::uint8_t status;
    std::string says;
  } cases[] = {
      {"cancelled while reading", out + "/old.zip", 2, 0, kJobCancelRequested, ""},
      {"cancelled while writing", out + "/old.zip", ripSteps + 10, 0, kJobCancelRequested, ""},
      {"cancelled pair", out + "/p.wav", ripSteps + 50, 0, kJobCancelRequested, ""},
      {"read fails", out + "/old.zip", 0, 3, kJobFailed, "\"" + out + "/old.zip\" is unchanged"},
      {"pair read fails", out + "/p.wav", 0, 2, kJobFailed,
       "no \"" + out + "/p.wav\" was written, no \"" + out + "/p.cdg\" was written"},
      {"no folder", out + "/none/t.zip", 0, 0, kJobFailed, "none/t.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRipJob job;
    Codes codes{&job, c.cancelAtStep};
    ASSERT_TRUE(job.SetProgressCallback(&Codes::Callback, &codes));
    testing::FailingReads drive(disc.image, [&](int nth, std::int64_t, std::uint32_t) {
      return c.failFrom && nth >= c.failFrom;
    });
    job.RunSingle(drive, disc.drive, disc.toc, 0, *TitleOutputFor(c.path), options);
    EXPECT_EQ(job.JobStatus(), c.status);
    EXPECT_EQ(codes.list.back().first, kProgressFailed);
    EXPECT_NE(job.Error().find(c.says), std::string::npos) << job.Error();
    EXPECT_EQ(job.Error().find(".mosaicer"), std::string::npos) << job.Error();
    EXPECT_EQ(FilesIn(out), (std::set<std::string>{"old.zip"}));
    EXPECT_EQ(testing::ReadFile(out + "/old.zip"), "the user's old zip");
    EXPECT_EQ(RipOutcomeText(job.JobStatus(), TitleOutputKind::Zip),
              c.status == kJobFailed ? "The MP3+G files could not be created."
                                     : "Creating the MP3+G files was cancelled.");
  }
}

}  // namespace
}  // namespace mosaicer
