#include "authoring/wave_info.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

class WaveInfoTest : public ::testing::Test {
 protected:
  TempDir dir;
  WaveInfo info;
  int Read(const std::string& bytes) { return ReadWaveInfo(dir.Write("t.wav", bytes), info); }
};

TEST_F(WaveInfoTest, ReadsPlainCdAudio) {
  const std::string audio = AudioBytes(352800 + 1000);
  ASSERT_EQ(Read(CdWave(audio)), 1);
  EXPECT_EQ(info.dataOffset, 44u);
  EXPECT_EQ(info.dataSize, audio.size());
  EXPECT_TRUE(info.IsCdAudio());
  EXPECT_EQ(info.AudioSectors(), 151);  // 150 whole sectors and 1000 bytes
}

TEST_F(WaveInfoTest, FindsDataAfterOtherChunksAndSkipsPadBytes) {
  const std::string wav = Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("LIST", "odd") +
                               Chunk("junk", std::string(10, 'x')) + Chunk("data", "abcd"));
  ASSERT_EQ(Read(wav), 1);
  EXPECT_EQ(info.dataOffset, wav.size() - 4);
  EXPECT_EQ(info.dataSize, 4u);
}

TEST_F(WaveInfoTest, DataSizePastTheEndIsCutToTheBytesPresent) {
  for (std::uint32_t declared : {0xFFFFFFFFu - 1, 100000u}) {
    const std::string wav =
        Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", "", declared) + "123456");
    ASSERT_EQ(Read(wav), 1);
    EXPECT_EQ(info.dataSize, 6u);
  }
}

TEST_F(WaveInfoTest, ExtensiblePcmIsPcm) {
  std::string format = PcmFormat(2, 44100, 16, 0xFFFE);
  PutU16(format, 22);  // extension size
  PutU16(format, 16);  // valid bits
  PutU32(format, 3);   // front left and right
  const std::string pcm =
      std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);
  ASSERT_EQ(Read(Riff(Chunk("fmt ", format + pcm) + Chunk("data", "ab"))), 1);
  EXPECT_TRUE(info.IsCdAudio());

  std::string twelveBits = PcmFormat(2, 44100, 16, 0xFFFE);
  PutU16(twelveBits, 22);
  PutU16(twelveBits, 12);
  PutU32(twelveBits, 3);
  EXPECT_EQ(Read(Riff(Chunk("fmt ", twelveBits + pcm) + Chunk("data", "ab"))), 0);
  std::string floatFormat = format + pcm;
  floatFormat[24] = 3;  // IEEE float sub-format
  EXPECT_EQ(Read(Riff(Chunk("fmt ", floatFormat) + Chunk("data", "ab"))), 0);
}

TEST_F(WaveInfoTest, OtherFormatsAreReadButAreNoCdAudio) {
  ASSERT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(1, 44100, 16)) + Chunk("data", "ab"))), 1);
  EXPECT_FALSE(info.IsCdAudio());
  ASSERT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 44100, 8)) + Chunk("data", "ab"))), 1);
  EXPECT_FALSE(info.IsCdAudio());
  ASSERT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 48000, 16)) + Chunk("data", "ab"))), 1);
  EXPECT_FALSE(info.IsCdAudio());
}

TEST_F(WaveInfoTest, RefusesWhatIsNoPcmWave) {
  EXPECT_EQ(ReadWaveInfo(dir.File("missing.wav"), info), -1);
  const std::string data = Chunk("data", "abcd");
  EXPECT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 44100, 16, 3)) + data)), 0);  // float
  EXPECT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(3, 44100, 16)) + data)), 0);     // 3 channels
  EXPECT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 44100, 24)) + data)), 0);     // 24 bits
  std::string badAlign = PcmFormat(2, 44100, 16);
  badAlign[12] = 3;
  EXPECT_EQ(Read(Riff(Chunk("fmt ", badAlign) + data)), 0);
  EXPECT_EQ(Read(Riff(data + Chunk("fmt ", PcmFormat(2, 44100, 16)))), 0);  // fmt not first
  EXPECT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)))), 0);         // no data chunk
  EXPECT_EQ(Read(Riff(Chunk("fmt ", PcmFormat(2, 44100, 16).substr(0, 14)) + data)), 0);
  EXPECT_EQ(Read("RIFX" + CdWave("ab").substr(4)), 0);
  EXPECT_EQ(Read("RIFF"), 0);
  EXPECT_EQ(Read(""), 0);
}

// A chunk header declaring `size` whatever follows it.
std::string ChunkHeader(const std::string& id, std::uint32_t size) {
  std::string s = id;
  PutU32(s, size);
  return s;
}

TEST_F(WaveInfoTest, LargestSizesNeverWrapInThePaddingArithmetic) {
  const std::string fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
  // A data chunk declaring 0xFFFFFFFF bytes holds what the file holds.
  ASSERT_EQ(Read(Riff(fmt + ChunkHeader("data", 0xFFFFFFFFu) + "1234")), 1);
  EXPECT_EQ(info.dataSize, 4u);
  // A chunk before the data declaring 0xFFFFFFFF bytes (odd, so padded)
  // runs past the end: there is no data chunk, and the "data" inside its
  // body is never taken for one.
  const std::string inner = ChunkHeader("data", 4) + "abcd";
  EXPECT_EQ(Read(Riff(fmt + ChunkHeader("LIST", 0xFFFFFFFFu) + inner)), 0);
  EXPECT_EQ(Read(Riff(fmt + ChunkHeader("LIST", 0xFFFFFFFEu) + inner)), 0);
}

TEST_F(WaveInfoTest, EmptyDataIsNoAudio) {
  struct Case {
    const char* name;
    std::string wav;
    bool hasAudio;
  } cases[] = {
      {"empty data", CdWave(""), false},
      {"declared 0 with bytes after",
       Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + ChunkHeader("data", 0) + "1234"), false},
      {"less than a frame", CdWave("123"), false},
      {"one frame", CdWave("1234"), true},
      {"one 8-bit mono frame", Riff(Chunk("fmt ", PcmFormat(1, 44100, 8)) + Chunk("data", "x")),
       true},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Read(c.wav), 1) << c.name;
    EXPECT_EQ(info.HasAudio(), c.hasAudio) << c.name;
  }
  EXPECT_FALSE(WaveInfo{}.HasAudio());
}

TEST_F(WaveInfoTest, SongHeaderNamesTheFileAndTheReason) {
  std::filesystem::create_directory(dir.File("folder.wav"));
  struct Case {
    const char* name;
    std::string path;
    const char* fragment;
  } cases[] = {
      {"missing", dir.File("gone.wav"), "not found"},
      {"folder", dir.File("folder.wav"), "folder"},
      {"device", "/dev/zero", "not a regular file"},
      {"not a wave", dir.Write("text.wav", "hello"), "not a PCM WAVE file"},
      {"float",
       dir.Write("float.wav",
                 Riff(Chunk("fmt ", PcmFormat(2, 44100, 32, 3)) + Chunk("data", "abcd"))),
       "not a PCM WAVE file"},
      {"no audio", dir.Write("silent.wav", CdWave("")), "no audio"},
  };
  for (const Case& c : cases) {
    WaveInfo song;
    const IoStatus s = ReadSongHeader(c.path, song);
    EXPECT_FALSE(s) << c.name;
    EXPECT_NE(s.error().find(c.path), std::string::npos) << c.name << ": " << s.error();
    EXPECT_NE(s.error().find(c.fragment), std::string::npos) << c.name << ": " << s.error();
  }
  WaveInfo song;
  const std::string audio = AudioBytes(2352 * 3);
  ASSERT_TRUE(ReadSongHeader(dir.Write("song.wav", CdWave(audio)), song));
  EXPECT_EQ(song.dataSize, audio.size());
  EXPECT_TRUE(song.IsCdAudio());
  // A mono song is read; whether it will do is the caller's question.
  ASSERT_TRUE(ReadSongHeader(
      dir.Write("mono.wav", Riff(Chunk("fmt ", PcmFormat(1, 44100, 16)) + Chunk("data", "ab"))),
      song));
  EXPECT_FALSE(song.IsCdAudio());
}

}  // namespace
}  // namespace mosaicer
