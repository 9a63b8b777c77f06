#include "authoring/wave_info.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mosaicer
