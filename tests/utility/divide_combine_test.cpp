#include "utility/divide_combine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "authoring/wave_info.h"
#include "player/disk_out.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

// Every progress code with its value, in order; cancels at step `cancelAt`.
struct Recorder {
  std::vector<std::pair<int, int>> codes;
  TJobOwner owner;
  int cancelAt = 0;
  explicit Recorder(int cancelAt = 0) : cancelAt(cancelAt) {
    owner.SetProgressCallback(&Record, this);
  }
  static int Record(std::int8_t code, int value, void* context) {
    auto* self = static_cast<Recorder*>(context);
    self->codes.emplace_back(code, value);
    if (code == kProgressStep && self->Count(kProgressStep) == self->cancelAt)
      self->owner.CancelJob();
    return 0;
  }
  int Count(int code) const {
    int n = 0;
    for (const auto& c : codes) n += c.first == code;
    return n;
  }
};

std::string Audio(const std::string& cdg, std::size_t k) {
  return cdg.substr(k * kCdgSectorSize, kAudioBytesPerSector);
}
std::string Subcode(const std::string& cdg, std::size_t k) {
  return cdg.substr(k * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector);
}

class DivideCombine : public ::testing::Test {
 protected:
  TempDir dir;
  std::string rws = dir.File("out.rws"), wav = dir.File("out.wav"), cdg = dir.File("out.cdg");
};

TEST_F(DivideCombine, SixtySectorsAndAPartOneMakeTwoBlocksAndARemainder) {
  const std::string bytes = testing::AudioBytes(60 * kCdgSectorSize + 100);
  const std::string input = dir.Write("in.cdg", bytes);
  Recorder progress;
  const UtilityResult r = Divide({input, rws, wav, true}, &progress.owner);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.sectors, 60);

  std::string subcode, audio;
  for (std::size_t k = 0; k < 60; ++k) subcode += Subcode(bytes, k), audio += Audio(bytes, k);
  EXPECT_EQ(ReadFile(rws), subcode);
  const std::string wave = ReadFile(wav);
  ASSERT_EQ(wave.size(), kWaveHeaderSize + 141120);
  EXPECT_EQ(wave.substr(kWaveHeaderSize), audio);  // the header is read back after a cancel

  // Maximum 2, two whole blocks and the remainder, then the bar is filled.
  ASSERT_FALSE(progress.codes.empty());
  EXPECT_EQ(progress.codes.front(), std::make_pair(int{kProgressSteps}, 2));
  EXPECT_EQ(progress.Count(kProgressStep), 3);
  EXPECT_EQ(progress.Count(kProgressAllSteps), 1);
  EXPECT_EQ(progress.codes.back().first, kProgressDone);

  std::filesystem::remove(wav);  // without WAV none is written, even when named
  ASSERT_TRUE(Divide({input, rws, wav, false}).ok());
  EXPECT_EQ(ReadFile(rws), subcode);
  EXPECT_FALSE(std::filesystem::exists(wav));
}

// The shorter input is padded: audio with silence, subcode with zero bytes,
// and a partial last sector of subcode is dropped.
TEST_F(DivideCombine, TheShorterInputIsPaddedWithZeroBytes) {
  const struct {
    std::size_t audioBytes, subcodeBytes, sectors;
    int steps;  // of the bar; 0: not checked
  } cases[] = {{kAudioBytesPerSector * 10 + 100, 12 * kSubcodeBytesPerSector + 50, 12, 12},
               {kAudioBytesPerSector * 4 + 8, 2 * kSubcodeBytesPerSector, 5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sectors);
    const std::string audio = testing::AudioBytes(c.audioBytes, 3);
    const std::string subcode = testing::AudioBytes(c.subcodeBytes, 4);
    const std::string song = dir.Write("song.wav", testing::CdWave(audio));
    Recorder progress;
    ASSERT_TRUE(Combine({dir.Write("sub.rws", subcode), song, cdg}, &progress.owner).ok());
    const std::string out = ReadFile(cdg);
    ASSERT_EQ(out.size(), c.sectors * kCdgSectorSize);
    const std::string paddedAudio = audio + std::string(c.sectors * kAudioBytesPerSector, '\0');
    const std::string paddedSubcode =
        subcode.substr(0, subcode.size() / kSubcodeBytesPerSector * kSubcodeBytesPerSector) +
        std::string(c.sectors * kSubcodeBytesPerSector, '\0');
    for (std::size_t k = 0; k < c.sectors; ++k) {
      EXPECT_EQ(Audio(out, k), paddedAudio.substr(k * kAudioBytesPerSector, kAudioBytesPerSector))
          << k;
      EXPECT_EQ(Subcode(out, k),
                paddedSubcode.substr(k * kSubcodeBytesPerSector, kSubcodeBytesPerSector))
          << k;
    }
    if (c.steps) {
      EXPECT_EQ(progress.codes.front(), std::make_pair(int{kProgressSteps}, c.steps));
      EXPECT_EQ(progress.Count(kProgressStep), c.steps);
    }
  }
}

TEST_F(DivideCombine, SongsThatAreNotCdAudioAreConverted) {
  const std::string sub = dir.Write("sub.rws", std::string(kSubcodeBytesPerSector, 'x'));
  // 588 mono frames of 0x0101: one sector of that sample on both channels.
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 44100, 16)) +
                                          testing::Chunk("data", std::string(2 * 588, '\1'))));
  EXPECT_EQ(Combine({sub, mono, cdg}).outcome, UtilityOutcome::Succeeded);
  const std::string out = ReadFile(cdg);
  ASSERT_EQ(out.size(), kCdgSectorSize);
  EXPECT_EQ(Audio(out, 0), std::string(kAudioBytesPerSector, '\1'));
}

// A cancel keeps what was done under the outputs' names, with a WAV header
// that counts exactly the audio written.
TEST_F(DivideCombine, ACancelKeepsWholeSectorsAndACompleteWavHeader) {
  const std::string input = dir.Write("in.cdg", testing::AudioBytes(100 * kCdgSectorSize));
  Recorder divideStop(2);  // two blocks of kDivideBlockSectors
  const UtilityResult divided = Divide({input, rws, wav, true}, &divideStop.owner);
  EXPECT_EQ(divided.outcome, UtilityOutcome::Cancelled);
  EXPECT_EQ(divided.sectors, 2 * kDivideBlockSectors);
  EXPECT_EQ(ReadFile(rws).size(), 2u * kDivideBlockSectors * kSubcodeBytesPerSector);
  const std::string song = ReadFile(wav);
  const std::uint32_t audioBytes = 2u * kDivideBlockSectors * kAudioBytesPerSector;
  ASSERT_EQ(song.size(), kWaveHeaderSize + audioBytes);
  WaveInfo info;
  ASSERT_EQ(ReadWaveInfo(wav, info), 1);
  EXPECT_TRUE(info.IsCdAudio());
  EXPECT_EQ(info.dataSize, audioBytes);

  Recorder combineStop(7);
  const UtilityResult combined = Combine({rws, wav, cdg}, &combineStop.owner);
  EXPECT_EQ(combined.outcome, UtilityOutcome::Cancelled);
  EXPECT_EQ(ReadFile(cdg), ReadFile(input).substr(0, 7 * kCdgSectorSize));
}

}  // namespace
}  // namespace mosaicer
