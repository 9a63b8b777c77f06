#include "title/title_sink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "media/audio_reader.h"
#include "title/title_files.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;
using testing::CdgOf;
using testing::PresetStream;
using testing::ReadFile;
using testing::ReadWhole;
using testing::Whole;
using testing::TempDir;

constexpr int kSectors = 150;  // two seconds

IoStatus Convert(const std::string& from, const std::string& to, SongKind zipSong = SongKind::Mp3,
                 int bitrate = kDefaultMp3Bitrate) {
  TitleOpenResult opened = OpenTitle(from);
  if (!opened.ok()) return IoStatus::Failed(opened.error);
  const auto output = TitleOutputFor(to, zipSong, bitrate);
  if (!output) return IoStatus::Failed("no kind for " + to);
  return WriteTitle(*opened.source, *output);
}

// The lossless kinds give back the CDG file's audio and subcode exactly.
TEST(TitleSink, LosslessKindsGiveBackTheTitleExactly) {
  const TempDir dir;
  const std::string subcode = PresetStream(kSectors);
  const std::string cdg = dir.Write("in.cdg", CdgOf(subcode));
  const Whole source = ReadWhole(cdg);
  struct Case {
    std::string out;
    SongKind zipSong;
    std::vector<std::string> files;  // what appears in the folder
  } cases[] = {
      {"p.flac", SongKind::Mp3, {"p.flac", "p.cdg"}},
      {"p.WAV", SongKind::Mp3, {"p.WAV", "p.cdg"}},
      {"z.zip", SongKind::Flac, {"z.zip"}},
      {"w.zip", SongKind::Wav, {"w.zip"}},
      {"copy.bin", SongKind::Mp3, {"copy.bin"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    const TempDir out;
    ASSERT_TRUE(Convert(cdg, out.File(c.out), c.zipSong).ok());
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(out.path()))
      files.insert(entry.path().filename().string());
    EXPECT_EQ(files, std::set<std::string>(c.files.begin(), c.files.end()));
    const std::string opened = out.File(c.files.size() == 2 ? c.files[1] : c.out);
    const Whole back = ReadWhole(opened);
    EXPECT_EQ(back.subcode, source.subcode);
    EXPECT_EQ(back.audio, source.audio);
  }
  // Bare subcode only.
  ASSERT_TRUE(Convert(cdg, dir.File("s.rws")).ok());
  EXPECT_EQ(ReadFile(dir.File("s.rws")), subcode);
}

// The bit rate of every frame of an MPEG-1 Layer III stream at 44.1 kHz, by
// its header, and a 0 last unless the frames fill the file exactly.
std::vector<int> FrameBitrates(const std::string& bytes) {
  static constexpr int kRates[16] = {0,   32,  40,  48,  56,  64,  80, 96,
                                     112, 128, 160, 192, 224, 256, 320, 0};
  std::vector<int> rates;
  std::size_t at = 0;
  for (; at + 4 <= bytes.size(); at += 144000 * rates.back() / 44100 + (bytes[at + 2] >> 1 & 1)) {
    const auto b2 = static_cast<std::uint8_t>(bytes[at + 2]);
    if (static_cast<std::uint8_t>(bytes[at]) != 0xFF || (bytes[at + 1] & 0xFE) != 0xFA ||
        kRates[b2 >> 4] == 0 || (b2 >> 2 & 3) != 0)  // 44.1 kHz only
      break;
    rates.push_back(kRates[b2 >> 4]);
  }
  if (at != bytes.size()) rates.push_back(0);
  return rates;
}

double Correlation(const std::string& a, const std::string& b, std::size_t bytes) {
  double ab = 0, aa = 0, bb = 0;
  const auto sample = [](const std::string& s, std::size_t i) {
    return static_cast<std::int16_t>(static_cast<std::uint8_t>(s[i]) | s[i + 1] << 8);
  };
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const double x = sample(a, i), y = sample(b, i);
    ab += x * y, aa += x * x, bb += y * y;
  }
  return ab / std::sqrt(aa * bb);
}

TEST(TitleSink, AnMp3PairKeepsTheSongsLengthAndShapeAtAConstantBitRate) {
  const TempDir dir;
  const std::string subcode = PresetStream(kSectors);
  // A pair whose song is a tone, so lossy coders keep its shape.
  const std::string cdg = dir.Write("in.cdg", subcode);
  dir.Write("in.wav", testing::CdWave(testing::ToneAudio(kSectors * 588)));
  const Whole source = ReadWhole(cdg);
  for (int bitrate : {192, 128, 320}) {
    SCOPED_TRACE(bitrate);
    const std::string out = dir.File("p" + std::to_string(bitrate) + ".mp3");
    ASSERT_TRUE(Convert(cdg, out, SongKind::Mp3, bitrate).ok());
    const std::vector<int> rates = FrameBitrates(ReadFile(out));
    ASSERT_FALSE(rates.empty());
    EXPECT_EQ(std::count(rates.begin(), rates.end(), bitrate), std::ssize(rates));

    const AudioOpenResult song = OpenAudio(out);
    ASSERT_TRUE(song.ok()) << song.error;
    EXPECT_LE(std::abs(song.reader->Sectors() - kSectors), 1);
    const Whole back = ReadWhole(fs::path(out).replace_extension(".cdg").string());
    EXPECT_EQ(back.subcode.substr(0, subcode.size()), subcode);
    EXPECT_GT(Correlation(source.audio, back.audio, std::min(source.audio.size(), back.audio.size())),
              0.99);
  }
  // A zip holds the CDG file and the song under its own name.
  ASSERT_TRUE(Convert(cdg, dir.File("My Song.zip"), SongKind::Ogg).ok());
  const auto entries = testing::ZipEntries(dir.File("My Song.zip"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "My Song.cdg");
  EXPECT_EQ(entries[1].name, "My Song.ogg");
  EXPECT_EQ(entries[1].bytes.substr(0, 4), "OggS");
}

TEST(TitleSink, AFailedWriteLeavesEveryFileAsItWas) {
  const TempDir dir;
  const std::string cdg = dir.Write("in.cdg", CdgOf(PresetStream(10)));
  // The pair's .cdg cannot be written: a folder holds its name.
  dir.Write("p.mp3", "old song");
  fs::create_directory(dir.File("p.cdg"));
  const IoStatus pair = Convert(cdg, dir.File("p.mp3"));
  ASSERT_FALSE(pair.ok());
  EXPECT_NE(pair.error().find("p.cdg"), std::string::npos) << pair.error();
  EXPECT_EQ(ReadFile(dir.File("p.mp3")), "old song");
  const IoStatus zip = Convert(cdg, dir.File("none/z.zip"));
  ASSERT_FALSE(zip.ok());
  EXPECT_NE(zip.error().find("z.zip"), std::string::npos) << zip.error();
  // Nothing else was left behind: in.cdg, p.mp3 and the folder p.cdg.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(TitleSink, OutputKindsFollowTheExtension) {
  struct Case {
    std::string path;
    std::optional<TitleOutputKind> kind;
    std::string subcodePath;
  } cases[] = {
      {"a.cdg", TitleOutputKind::Cdg, ""},   {"a.BIN", TitleOutputKind::Cdg, ""},
      {"a.rws", TitleOutputKind::Rws, ""},   {"d/a.ZIP", TitleOutputKind::Zip, ""},
      {"d/a.mp3", TitleOutputKind::Pair, "d/a.cdg"},
      {"a.b.Flac", TitleOutputKind::Pair, "a.b.cdg"},
      {"a.txt", std::nullopt, ""},           {"a", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    const auto output = TitleOutputFor(c.path);
    EXPECT_EQ(output ? std::optional(output->kind) : std::nullopt, c.kind) << c.path;
    EXPECT_EQ(output ? output->subcodePath : "", c.subcodePath) << c.path;
  }
}

}  // namespace
}  // namespace mosaicer
