#include "authoring/wave_info.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/language_scope.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

// A chunk header declaring `size` whatever follows it.
std::string ChunkHeader(const std::string& id, std::uint32_t size) {
  std::string s = id;
  PutU32(s, size);
  return s;
}

// A WAV of a "fmt " chunk holding `format` and a "data" chunk.
std::string Wav(const std::string& format, const std::string& data) {
  return Riff(Chunk("fmt ", format) + Chunk("data", data));
}

// WAVE_FORMAT_EXTENSIBLE with `bits` valid bits and the given sub-format tag.
std::string Extensible(int bits, char subFormat) {
  std::string format = PcmFormat(2, 44100, 16, 0xFFFE);
  PutU16(format, 22);  // extension size
  PutU16(format, static_cast<std::uint32_t>(bits));
  PutU32(format, 3);  // front left and right
  return format + subFormat +
         std::string("\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 15);
}

TEST(WaveInfo, ReadsTheDataChunkOfEveryPcmLayoutAndRefusesTheRest) {
  const std::string fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
  const std::string data = Chunk("data", "abcd");
  const std::string audio = AudioBytes(352800 + 1000);
  std::string badAlign = PcmFormat(2, 44100, 16);
  badAlign[12] = 3;
  struct Case {
    const char* name;
    std::string wav;
    int result;  // of ReadWaveInfo
    std::int64_t dataSize = -1;
    bool cdAudio = false, hasAudio = true;
  } cases[] = {
      {"plain CD audio", CdWave(audio), 1, static_cast<std::int64_t>(audio.size()), true},
      {"other chunks and a pad byte before the data",
       Riff(fmt + Chunk("LIST", "odd") + Chunk("junk", std::string(10, 'x')) + data), 1, 4, true},
      {"data size past the end", Riff(fmt + Chunk("data", "", 100000) + "123456"), 1, 6, true},
      {"largest data size", Riff(fmt + ChunkHeader("data", 0xFFFFFFFFu) + "1234"), 1, 4, true},
      {"extensible PCM", Wav(Extensible(16, 1), "ab"), 1, 2, true, false},
      {"mono", Wav(PcmFormat(1, 44100, 16), "ab"), 1, 2},
      {"8 bits", Wav(PcmFormat(2, 44100, 8), "ab"), 1, 2},
      {"48 kHz", Wav(PcmFormat(2, 48000, 16), "ab"), 1, 2, false, false},
      {"empty data", CdWave(""), 1, 0, true, false},
      {"declared 0 with bytes after", Riff(fmt + ChunkHeader("data", 0) + "1234"), 1, 0, true,
       false},
      {"less than a frame", CdWave("123"), 1, 3, true, false},
      {"one 8-bit mono frame", Wav(PcmFormat(1, 44100, 8), "x"), 1, 1},
      {"extensible 12 bits", Wav(Extensible(12, 1), "abcd"), 0},
      {"extensible float", Wav(Extensible(16, 3), "abcd"), 0},
      {"float", Wav(PcmFormat(2, 44100, 16, 3), "abcd"), 0},
      {"3 channels", Wav(PcmFormat(3, 44100, 16), "abcd"), 0},
      {"24 bits", Wav(PcmFormat(2, 44100, 24), "abcd"), 0},
      {"bad block align", Wav(badAlign, "abcd"), 0},
      {"fmt not first", Riff(data + fmt), 0},
      {"no data chunk", Riff(fmt), 0},
      {"short fmt", Wav(PcmFormat(2, 44100, 16).substr(0, 14), "abcd"), 0},
      {"RIFX", "RIFX" + CdWave("ab").substr(4), 0},
      {"empty file", "", 0},
      // A padded chunk declaring the largest sizes runs past the end; the
      // "data" inside its body is never taken for a chunk.
      {"odd chunk of 4 GB", Riff(fmt + ChunkHeader("LIST", 0xFFFFFFFFu) + data), 0},
      {"even chunk of 4 GB", Riff(fmt + ChunkHeader("LIST", 0xFFFFFFFEu) + data), 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveInfo info;
    ASSERT_EQ(ReadWaveInfo(dir.Write("t.wav", c.wav), info), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(static_cast<std::int64_t>(info.dataSize), c.dataSize);
    // The data chunk comes last: its bytes (and pad byte) end the file.
    if (c.dataSize > 0) {
      EXPECT_EQ(info.dataOffset + (info.dataSize + 1) / 2 * 2, c.wav.size());
    }
    EXPECT_EQ(info.IsCdAudio(), c.cdAudio);
    EXPECT_EQ(info.HasAudio(), c.hasAudio);
  }
  WaveInfo info;
  EXPECT_EQ(ReadWaveInfo(dir.File("missing.wav"), info), -1);
  ASSERT_EQ(ReadWaveInfo(dir.Write("t.wav", CdWave(audio)), info), 1);
  EXPECT_EQ(info.dataOffset, 44u);
  EXPECT_EQ(info.AudioSectors(), 151);  // 150 whole sectors and 1000 bytes
}

TEST(WaveInfo, SongHeaderNamesTheFileAndTheReason) {
  // The reasons are checked in English words.
  testing::LanguageScope english(Language::English);
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder.wav"));
  const std::pair<std::string, const char*> cases[] = {
      {dir.File("gone.wav"), "not found"},
      {dir.File("folder.wav"), "folder"},
      {"/dev/zero", "not a regular file"},
      {dir.Write("text.wav", "hello"), "not a PCM WAVE file"},
      {dir.Write("silent.wav", CdWave("")), "no audio"},
  };
  for (const auto& [path, fragment] : cases) {
    WaveInfo song;
    const IoStatus s = ReadSongHeader(path, song);
    EXPECT_FALSE(s) << path;
    EXPECT_NE(s.error().find(path), std::string::npos) << s.error();
    EXPECT_NE(s.error().find(fragment), std::string::npos) << s.error();
  }
  WaveInfo song;  // a mono song is read; whether it will do is the caller's question
  ASSERT_TRUE(ReadSongHeader(dir.Write("mono.wav", Wav(PcmFormat(1, 44100, 16), "ab")), song));
  EXPECT_FALSE(song.IsCdAudio());
}

}  // namespace
}  // namespace mosaicer
