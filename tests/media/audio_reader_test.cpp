#include "media/audio_reader.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "media/song_files.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"
#include "support/damage.h"
#include "support/language_scope.h"

namespace mosaicer {
namespace {

using testing::GarbageAfter;
using testing::TempDir;
using testing::WriteDoubles;
using testing::WriteSong;

// Interleaved 16-bit samples that use the whole range, so a lost bit shows.
std::vector<std::int16_t> KnownSignal(std::size_t frames, int channels, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::int16_t> s(frames * static_cast<std::size_t>(channels));
  for (auto& v : s) v = static_cast<std::int16_t>(rng());
  s[0] = INT16_MIN;
  s[1] = INT16_MAX;
  return s;
}

// All of a reader's audio as 16-bit samples; fails the test on an error.
std::vector<std::int16_t> ReadAll(AudioReader& reader) {
  std::vector<std::uint8_t> bytes(reader.Bytes());
  // In odd-sized pieces, so the reader's own buffering is crossed.
  constexpr std::size_t kPiece = 2352 * 3 + 7;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    const IoStatus read = reader.Read(bytes.data() + at, std::min(kPiece, bytes.size() - at));
    EXPECT_TRUE(read.ok()) << read.error();
    if (!read.ok()) return {};
  }
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return samples;
}

std::unique_ptr<AudioReader> Open(const std::string& path) {
  AudioOpenResult opened = OpenAudio(path);
  EXPECT_TRUE(opened.ok()) << opened.error;
  return std::move(opened.reader);
}

// Lossless songs of 16-bit values at 44.1 kHz, in any container and sample
// format that holds them (8-bit ones holding only the top byte), give back
// exactly those values; mono fills both channels.
TEST(OpenAudio, LosslessSongsOfA16BitSignalDecodeExactly) {
  TempDir dir;
  const std::vector<std::int16_t> signal = KnownSignal(44100 + 333, 2, 5);
  const std::vector<std::int16_t> mono = KnownSignal(5000, 1, 9);
  std::vector<std::int16_t> coarse = mono;
  for (auto& v : coarse) v = static_cast<std::int16_t>(v & 0xFF00);
  struct Case {
    const char* name;
    int format;
    const std::vector<std::int16_t>& samples;
    int channels;
    const char* conversion;
  };
  const Case cases[] = {
      {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, signal, 2, "FLAC 44100 Hz 16-bit ステレオ"},
      {"b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, signal, 2, "FLAC 44100 Hz 24-bit ステレオ"},
      {"c.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, signal, 2, "44100 Hz 24-bit ステレオ"},
      {"d.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, signal, 2, "44100 Hz 32-bit ステレオ"},
      {"e.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, signal, 2, "44100 Hz 32-bit float ステレオ"},
      {"f.wav", SF_FORMAT_RF64 | SF_FORMAT_DOUBLE, signal, 2, "44100 Hz 64-bit float ステレオ"},
      {"g.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, signal, 2, "AIFF 44100 Hz 16-bit ステレオ"},
      {"m.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, mono, 1, "44100 Hz 16-bit モノラル"},
      {"8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, coarse, 1, "44100 Hz 8-bit モノラル"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto reader = Open(WriteSong(dir, c.name, c.format, 44100, c.channels, c.samples));
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->PassesThrough());
    EXPECT_EQ(reader->Conversion(), std::string(c.conversion) + " \u2192 44100 Hz 16-bit ステレオ");
    std::vector<std::int16_t> want;  // mono in both channels
    for (auto v : c.samples) want.insert(want.end(), 3 - c.channels, v);
    EXPECT_EQ(reader->Bytes(), want.size() * 2);
    EXPECT_EQ(reader->Sectors(), static_cast<std::int64_t>((want.size() * 2 + 2351) / 2352));
    EXPECT_EQ(ReadAll(*reader), want);
  }
}

TEST(OpenAudio, CdFormatWavPassesThroughByteForByte) {
  TempDir dir;
  // A data chunk that ends in half a frame, and a chunk before it.
  const std::string data = testing::AudioBytes(2352 * 5 + 6);
  const std::string path = dir.Write(
      "cd.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(2, 44100, 16)) +
                              testing::Chunk("LIST", "abc") + testing::Chunk("data", data)));
  const auto reader = Open(path);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(reader->PassesThrough());
  EXPECT_EQ(reader->Conversion(), "");
  EXPECT_EQ(reader->Bytes(), data.size());
  EXPECT_EQ(reader->Sectors(), 6);
  std::string got(data.size(), '\0');
  auto* into = reinterpret_cast<std::uint8_t*>(got.data());
  ASSERT_TRUE(reader->Read(into, 100) && reader->Read(into + 100, data.size() - 100));
  EXPECT_EQ(got, data);
  std::uint8_t more = 0;
  EXPECT_FALSE(reader->Read(&more, 1).ok());
}

TEST(OpenAudio, FloatSamplesAreRoundedAndClipped) {
  TempDir dir;
  const std::pair<double, std::int16_t> cases[] = {
      {1.5, 32767},         {-1.5, -32768},       {1.0, 32767},         {-1.0, -32768},
      {0.25, 8192},         {0.0, 0},             {100.0 / 32768, 100}, {100.4 / 32768, 100},
      {100.6 / 32768, 101}, {-100.6 / 32768, -101}};
  std::vector<double> samples;
  for (const auto& [in, out] : cases) samples.insert(samples.end(), {in, -in});
  const auto reader =
      Open(WriteDoubles(dir, "f.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, samples));
  ASSERT_NE(reader, nullptr);
  const std::vector<std::int16_t> out = ReadAll(*reader);
  ASSERT_EQ(out.size(), samples.size());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto [in, want] = cases[i];
    EXPECT_EQ(out[2 * i], want) << in;
    // -1.5 and 1.5 clip to either end; others mirror.
    EXPECT_TRUE(std::abs(in) >= 1.0 || out[2 * i + 1] == -want) << -in;
  }
}

// Frequency from the zero crossings, level as RMS, over the middle of the
// song (the resampler's edges left out).
struct Tone {
  double hertz = 0, rms = 0;
};
Tone Measure(const std::vector<std::int16_t>& stereo, int channel, int rate) {
  const std::size_t frames = stereo.size() / 2;
  const std::size_t from = frames / 10, to = frames - frames / 10;
  int crossings = 0;
  double sum = 0;
  std::size_t first = 0, last = 0;
  for (std::size_t f = from; f < to; ++f) {
    const double a = stereo[2 * f + channel], b = stereo[2 * (f + 1) + channel];
    sum += a * a;
    if (a < 0 && b >= 0) {
      if (crossings == 0) first = f;
      last = f;
      ++crossings;
    }
  }
  return {(crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first),
          std::sqrt(sum / static_cast<double>(to - from))};
}

TEST(OpenAudio, SurroundIsMixedDownKeepingTheLevel) {
  TempDir dir;
  const std::vector<std::int16_t> mono = KnownSignal(3000, 1, 4);
  for (int channels : {3, 4, 6}) {
    std::vector<std::int16_t> all;
    for (auto v : mono)
      for (int c = 0; c < channels; ++c) all.push_back(static_cast<std::int16_t>(v / 2));
    const auto reader =
        Open(WriteSong(dir, std::to_string(channels) + ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                       44100, channels, all));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->Conversion(), "44100 Hz 16-bit " + std::to_string(channels) +
                                        "チャンネル \u2192 44100 Hz 16-bit ステレオ");
    const std::vector<std::int16_t> out = ReadAll(*reader);
    ASSERT_EQ(out.size(), mono.size() * 2);
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_NEAR(out[i], mono[i / 2] / 2, 1) << channels << " channels, sample " << i;
  }
}

// Counts the frames libsndfile itself decodes from a file.
std::int64_t DecodedFrames(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return -1;
  std::vector<short> buffer(4096 * static_cast<std::size_t>(info.channels));
  std::int64_t total = 0;
  while (const sf_count_t got = sf_readf_short(file, buffer.data(), 4096)) total += got;
  sf_close(file);
  return total;
}

// Other rates are resampled to exactly their length; compressed songs know
// theirs within a sector of what libsndfile decodes. Both keep pitch and level.
TEST(OpenAudio, ResampledAndCompressedSongsKeepPitchLevelAndLength) {
  TempDir dir;
  struct Case {
    const char* name;
    int rate, channels, format;
    const char* conversion;  // empty for compressed songs
  };
  std::vector<Case> cases = {
      {"48.wav", 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "48000 Hz 24-bit モノラル"},
      {"22.wav", 22050, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "22050 Hz 16-bit ステレオ"},
      {"96.flac", 96000, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC 96000 Hz 24-bit ステレオ"},
      {"v.ogg", 44100, 2, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ""},
      {"o.opus", 48000, 2, SF_FORMAT_OGG | SF_FORMAT_OPUS, ""}};
  SF_INFO probe{};
  probe.samplerate = 44100, probe.channels = 2;
  probe.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  if (sf_format_check(&probe)) cases.push_back({"m.mp3", 44100, 2, probe.format, ""});
  else GTEST_LOG_(WARNING) << "this libsndfile writes no MP3; the MP3 case is left out";
  constexpr double kHertz = 1000.0, kAmplitude = 0.5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool lossless = *c.conversion != '\0';
    const int frames = c.rate * 2 + 1217;
    std::vector<double> samples;
    for (int f = 0; f < frames; ++f)
      for (int ch = 0; ch < c.channels; ++ch)
        samples.push_back(kAmplitude * std::sin(2 * std::numbers::pi * kHertz * f / c.rate));
    const std::string path = WriteDoubles(dir, c.name, c.format, c.rate, c.channels, samples);
    const auto reader = Open(path);
    ASSERT_NE(reader, nullptr);
    if (lossless) {
      EXPECT_EQ(reader->Conversion(), std::string(c.conversion) + " \u2192 44100 Hz 16-bit ステレオ");
      EXPECT_EQ(reader->Bytes(), (static_cast<std::uint64_t>(frames) * 44100 + c.rate / 2) / c.rate * 4);
    } else {
      const double decoded = static_cast<double>(DecodedFrames(path)) * 44100 / c.rate;
      EXPECT_NEAR(static_cast<double>(reader->Bytes() / 4), decoded, 588.0);
    }
    const std::vector<std::int16_t> out = ReadAll(*reader);
    ASSERT_EQ(out.size() * 2, reader->Bytes());
    for (int ch = 0; ch < 2; ++ch) {
      const Tone tone = Measure(out, ch, 44100);
      EXPECT_NEAR(tone.hertz, kHertz, lossless ? 1.0 : 2.0);
      EXPECT_TRUE(!lossless || std::abs(tone.rms - kAmplitude * 32768 / std::sqrt(2.0)) < 40)
          << tone.rms;
    }
    // Not stretched: the tone ends where the song does.
    EXPECT_TRUE(!lossless || out[out.size() - 200] != 0);
  }
}

// Refused on opening, or on reading (damage found in the middle); either way
// the message names the file.
std::string Refusal(const std::string& path) {
  AudioOpenResult opened = OpenAudio(path);
  if (!opened.ok()) return opened.error;
  std::vector<std::uint8_t> all(opened.reader->Bytes());
  const IoStatus read = opened.reader->Read(all.data(), all.size());
  return read.ok() ? std::string() : read.error();
}

TEST(OpenAudio, DamagedAndUnknownFilesAreRefusedNamingThem) {
  testing::LanguageScope english(Language::English);
  TempDir dir;
  const std::vector<std::int16_t> signal = KnownSignal(44100 * 2, 2, 8);
  const std::string flac = testing::ReadFile(
      WriteSong(dir, "good.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, signal));
  const std::string ogg = testing::ReadFile(
      WriteSong(dir, "good.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, signal));
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"cut.flac", flac.substr(0, flac.size() / 2), "is damaged"},
      {"garbage.flac", GarbageAfter(flac, 42, 2), "is damaged"},  // fLaC and STREAMINFO kept
      {"garbage.ogg", GarbageAfter(ogg, 200, 2), "is damaged"},
      {"header.flac", flac.substr(0, 4), "is damaged"},
      {"text.wav", "this is not a song at all", "is not a song this program can read"},
      {"empty.mp3", "", "is not a song this program can read"},
      {"empty.wav",
       testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(2, 44100, 16)) +
                     testing::Chunk("data", "")),
       "holds no audio"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    const std::string refusal = Refusal(path);
    EXPECT_NE(refusal.find("\"" + path + "\""), std::string::npos) << c.name << ": " << refusal;
    EXPECT_NE(refusal.find(c.says), std::string::npos) << c.name << ": " << refusal;
  }
  EXPECT_NE(OpenAudio(dir.File("none.flac")).error.find("not found"), std::string::npos);

  // An Ogg stream states no length: one cut short is a shorter song, read
  // to its last whole page.
  const auto cut = Open(dir.Write("cut.ogg", ogg.substr(0, ogg.size() / 3)));
  ASSERT_NE(cut, nullptr);
  EXPECT_LT(cut->Bytes(), signal.size() * 2 / 2);
  EXPECT_EQ(ReadAll(*cut).size() * 2, cut->Bytes());
}

}  // namespace
}  // namespace mosaicer
