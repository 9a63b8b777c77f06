#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/cli_run.h"
#include "support/language_scope.h"
#include "support/picture.h"
#include "title/title_files.h"

namespace mosaicer::cli {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::CliResult;
using testing::ReadFile;
using testing::TempDir;

class Mp3gCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string picture = testing::WritePicture(dir, "pic.bmp", testing::RandomPicture(5));
  // Three seconds: enough for the picture to be drawn over several moments.
  std::string song = dir.Write("song.wav", testing::CdWave(testing::ToneAudio(3 * 44100)));
  std::string cdg = dir.File("t.cdg");
  void SetUp() override {
    ASSERT_EQ(Cli({"create", picture, song, "-o", cdg, "-q"}).status, kExitSuccess);
  }

  std::string Render(const std::string& input, const std::string& at) {
    const std::string frame = dir.File("frame.bmp");
    const CliResult r = Cli({"render", input, "--at", at, "-o", frame, "--force", "-q"});
    EXPECT_EQ(r.status, kExitSuccess) << r.err;
    return ReadFile(frame);
  }
};

// create -o OUT.zip draws what create -o OUT.cdg draws, at every moment.
TEST_F(Mp3gCli, AZipFromCreateRendersAsTheCdgFileDoes) {
  const std::string zip = dir.File("title.zip");
  const CliResult made = Cli({"create", picture, song, "-o", zip});
  ASSERT_EQ(made.status, kExitSuccess) << made.err;
  const auto entries = testing::ZipEntries(zip);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "title.cdg");
  EXPECT_EQ(entries[1].name, "title.mp3");
  for (const char* at : {"00:00:00", "00:01:10", "00:02:74"}) {
    const std::string fromCdg = Render(cdg, at);
    EXPECT_FALSE(fromCdg.empty());
    EXPECT_TRUE(Render(zip, at) == fromCdg) << at;
  }
  // create -o OUT.rws: the same subcode alone.
  ASSERT_EQ(Cli({"create", picture, song, "-o", dir.File("title.rws"), "-q"}).status, kExitSuccess);
  ASSERT_EQ(Cli({"divide", cdg, "-o", dir.File("divided.rws"), "-q"}).status, kExitSuccess);
  EXPECT_TRUE(ReadFile(dir.File("title.rws")) == ReadFile(dir.File("divided.rws")));
  // Nothing but the outputs is left in the folder.
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(Mp3gCli, DivideAndCombineConvertBetweenEveryKind) {
  // CDG file -> FLAC pair -> zip of WAV -> CDG file again, unchanged.
  fs::create_directory(dir.File("pair"));
  const std::string rws = dir.File("back.rws"), wav = dir.File("back.wav");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"divide", cdg, "-o", dir.File("pair/t.flac")},
           {"divide", dir.File("pair/t.cdg"), "-o", dir.File("w.zip"), "--audio", "wav"},
           {"divide", dir.File("w.zip"), "-o", rws, "--wav", wav},
           {"combine", rws, wav, "-o", dir.File("back.cdg")},
           {"combine", rws, wav, "-o", dir.File("c.zip")}}) {  // straight into a zip
    const CliResult r = Cli(args);
    ASSERT_EQ(r.status, kExitSuccess) << args[1] << ": " << r.err;
  }
  EXPECT_TRUE(ReadFile(dir.File("back.cdg")) == ReadFile(cdg));
  EXPECT_EQ(Render(dir.File("c.zip"), "00:02:00"), Render(cdg, "00:02:00"));
}

// Both files of a pair follow --force together.
TEST_F(Mp3gCli, APairIsWrittenWholeOrNotAtAll) {
  fs::create_directory(dir.File("out"));
  const std::string old = dir.Write("out/p.cdg", "old subcode");
  CliResult r = Cli({"divide", cdg, "-o", dir.File("out/p.mp3")});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("p.cdg"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir.File("out/p.mp3")));
  EXPECT_EQ(ReadFile(old), "old subcode");
  r = Cli({"divide", cdg, "-o", dir.File("out/p.mp3"), "--force", "-q"});
  ASSERT_EQ(r.status, kExitSuccess) << r.err;
  EXPECT_NE(ReadFile(old), "old subcode");
  EXPECT_TRUE(fs::exists(dir.File("out/p.mp3")));
  // Neither file of a pair read is ever written.
  const std::string song = ReadFile(dir.File("out/p.mp3"));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"divide", dir.File("out/p.cdg"), "-o", dir.File("out/p.wav"), "--force"},
           {"divide", dir.File("out/p.cdg"), "-o", dir.File("x.rws"), "--wav", dir.File("out/p.mp3"),
            "--force"}}) {
    SCOPED_TRACE(args[3]);
    r = Cli(args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find("is an input of this command"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(ReadFile(dir.File("out/p.mp3")) == song);
}

TEST_F(Mp3gCli, CheckReportsHowTheSongAndTheSubcodeDiffer) {
  struct Case {
    int subcodeSectors;
    std::size_t audioSectors;
    std::string says;
  } cases[] = {
      {40, 40, "audio minus subcode: +0 sectors\n"},
      {40, 55, "audio minus subcode: +15 sectors\n"},
      {40, 25, "audio minus subcode: -15 sectors\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    const TempDir here;
    here.Write("t.cdg", testing::PresetStream(c.subcodeSectors));
    here.Write("t.wav", testing::CdWave(testing::AudioBytes(c.audioSectors * kAudioBytesPerSector)));
    const CliResult r = Cli({"check", here.File("t.cdg")});
    EXPECT_EQ(r.status, kExitSuccess) << r.err;
    for (const std::string& line : {std::string("format: mp3+g pair\n"), c.says,
                                    "sectors: " + std::to_string(c.subcodeSectors) + "\n"})
      EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    EXPECT_EQ(r.err.empty(), c.subcodeSectors == static_cast<int>(c.audioSectors)) << r.err;
  }
}

TEST_F(Mp3gCli, MistakesAboutMp3gOutputsAreUsageErrors) {
  testing::LanguageScope english(Language::English);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"divide", cdg, "-o", dir.File("a.zip"), "--audio", "aac"}, "--audio must be"},
      {{"divide", cdg, "-o", dir.File("a.zip"), "--bitrate", "100"}, "--bitrate must be"},
      {{"divide", cdg, "-o", dir.File("a.rws"), "--bitrate", "128"}, "need an MP3+G output"},
      {{"divide", cdg, "-o", dir.File("a.mp3"), "--audio", "ogg"}, "--audio is for a zip"},
      {{"create", picture, song, "-o", dir.File("a.cdg"), "--audio", "mp3"}, "need an MP3+G"},
      {{"create", picture, song, "-o", dir.File("a.rws"), "--bitrate", "128"}, "holds none"},
  };
  for (const auto& [args, says] : cases) {
    const CliResult r = Cli(args);
    EXPECT_EQ(r.status, kExitUsage) << says;
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir.File("a.zip")));
  EXPECT_FALSE(fs::exists(dir.File("a.mp3")));
}

TEST_F(Mp3gCli, ABadZipIsRefusedByEveryCommandThatReadsIt) {
  testing::LanguageScope english(Language::English);
  const std::string zip =
      dir.Write("bad.zip", testing::ZipOf({{"../evil.cdg", testing::PresetStream(4)}}));
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"check", zip},
                                             {"render", zip, "-o", dir.File("f.bmp")},
                                             {"play", zip, "--device", "null"},
                                             {"divide", zip, "-o", dir.File("d.rws")}}) {
    SCOPED_TRACE(args[0]);
    const CliResult r = Cli(args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find("\"../evil.cdg\" names a place outside the archive"), std::string::npos)
        << r.err;
  }
  EXPECT_FALSE(fs::exists(dir.path().parent_path() / "evil.cdg"));
}

}  // namespace
}  // namespace mosaicer::cli
