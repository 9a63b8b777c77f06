#include "title/title_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/language_scope.h"
#include "title/mp3g_zip.h"
#include "title/title_files.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;
using testing::AudioBytes;
using testing::CdgOf;
using testing::CdWave;
using testing::PresetStream;
using testing::ReadWhole;
using testing::Whole;
using testing::TempDir;
using testing::ZipOf;

std::string OnlyCdgAudio(const std::string& cdg) {
  std::string audio;
  for (std::size_t at = 0; at + kCdgSectorSize <= cdg.size(); at += kCdgSectorSize)
    audio.append(cdg, at, kAudioBytesPerSector);
  return audio;
}

class TitleSourceTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string subcode = PresetStream(30);
  const std::string song = AudioBytes(30 * kAudioBytesPerSector, 7);
};

// Every kind of title delivers the same subcode with its song's samples.
TEST_F(TitleSourceTest, EveryKindDeliversItsSubcodeAndItsSong) {
  const std::string cdg = CdgOf(subcode);
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;  // written beside the title
    std::string open;                                        // the file opened
    TitleKind kind;
    std::string audio;  // expected audio; empty: silence
    std::string audioName;
  } cases[] = {
      {"cdg file", {{"t.cdg", cdg}}, "t.cdg", TitleKind::CdgFile, OnlyCdgAudio(cdg), "t.cdg"},
      {"bare subcode alone", {{"t.rws", subcode}}, "t.rws", TitleKind::Subcode, "", ""},
      {"pair with a WAV", {{"t.cdg", subcode}, {"t.wav", CdWave(song)}}, "t.cdg", TitleKind::Pair,
       song, "t.wav"},
      {"pair in other case", {{"Song.CDG", subcode}, {"sONG.Wav", CdWave(song)}}, "Song.CDG",
       TitleKind::Pair, song, "sONG.Wav"},
      {"zip, deflated",
       {{"t.zip", ZipOf({{"t.cdg", subcode}, {"t.wav", CdWave(song)}})}},
       "t.zip", TitleKind::Zip, song, "t.wav"},
      // clang-format off
      {"zip, stored, names in other case, extra files",
       {{"t.zip", ZipOf({{"readme.txt", "hello"}, {"cover.jpg", "\xFF\xD8"}, {"Title.CDG", subcode},
                         {"other.wav", CdWave(AudioBytes(100))}, {"TITLE.wav", CdWave(song)}}, true)}},
       "t.zip", TitleKind::Zip, song, "TITLE.wav"},
      {"zip with two .cdgs takes the first and its song",
       {{"t.zip", ZipOf({{"a.cdg", subcode}, {"b.cdg", PresetStream(3)},
                         {"b.wav", CdWave(AudioBytes(500))}, {"a.wav", CdWave(song)}})}},
       "t.zip", TitleKind::Zip, song, "a.wav"},
      // clang-format on
      {"zip without a song is silent", {{"t.zip", ZipOf({{"t.cdg", subcode}})}}, "t.zip",
       TitleKind::Zip, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir here;
    for (const auto& [name, bytes] : c.files) here.Write(name, bytes);
    TitleOpenResult opened = OpenTitle(here.File(c.open));
    ASSERT_TRUE(opened.ok()) << opened.error;
    EXPECT_EQ(opened.source->Info().kind, c.kind);
    EXPECT_EQ(opened.source->Sectors(), 30u);
    EXPECT_EQ(fs::path(opened.source->Info().audioName).filename().string(), c.audioName);
    const Whole w = ReadWhole(*opened.source);
    EXPECT_EQ(w.subcode, subcode);
    EXPECT_EQ(w.audio, c.audio.empty() ? std::string(w.audio.size(), '\0') : c.audio);
  }
}

// A pair plays to the longer of its parts; the shorter one is filled.
TEST_F(TitleSourceTest, APairIsAsLongAsItsLongerPart) {
  struct Case {
    std::string name;
    int subcodeSectors;
    std::size_t audioBytes;
    std::uint64_t sectors;
  } cases[] = {
      {"song shorter", 30, 10 * kAudioBytesPerSector, 30},
      {"song longer", 10, 30 * kAudioBytesPerSector, 30},
      {"song ends inside a sector", 10, 20 * kAudioBytesPerSector + 400, 21},
      {"equal", 12, 12 * kAudioBytesPerSector, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir here;
    const std::string packs = PresetStream(c.subcodeSectors);
    const std::string audio = AudioBytes(c.audioBytes, 3);
    here.Write("t.rws", packs);
    here.Write("t.wav", CdWave(audio));
    TitleOpenResult opened = OpenTitle(here.File("t.rws"));
    ASSERT_TRUE(opened.ok()) << opened.error;
    const TitleInfo& info = opened.source->Info();
    EXPECT_EQ(info.sectors, c.sectors);
    EXPECT_EQ(info.subcodeSectors, static_cast<std::uint64_t>(c.subcodeSectors));
    EXPECT_EQ(info.audioBytes, c.audioBytes);
    const Whole w = ReadWhole(*opened.source);
    EXPECT_EQ(w.audio, audio + std::string(c.sectors * kAudioBytesPerSector - audio.size(), '\0'));
    EXPECT_EQ(w.subcode, packs + std::string(c.sectors * kSubcodeBytesPerSector - packs.size(), '\0'));
  }
}

// Reading sector by sector, out of order and again from the start gives
// what one read from the start gives.
TEST_F(TitleSourceTest, SeekingGivesTheSameSectors) {
  dir.Write("t.cdg", subcode);
  dir.Write("t.wav", CdWave(song));
  dir.Write("c.cdg", CdgOf(subcode));
  for (const char* name : {"t.cdg", "c.cdg"}) {
    SCOPED_TRACE(name);
    TitleOpenResult opened = OpenTitle(dir.File(name));
    ASSERT_TRUE(opened.ok()) << opened.error;
    TitleSource& title = *opened.source;
    const Whole whole = ReadWhole(title);
    for (std::uint64_t sector : {29u, 3u, 4u, 0u, 17u, 16u}) {
      ASSERT_TRUE(title.Seek(sector).ok());
      std::uint8_t audio[kAudioBytesPerSector], packs[kSubcodeBytesPerSector];
      ASSERT_TRUE(title.Read(1, audio, packs).ok());
      EXPECT_EQ(std::string(audio, audio + sizeof audio),
                whole.audio.substr(sector * sizeof audio, sizeof audio));
      EXPECT_EQ(std::string(packs, packs + sizeof packs),
                whole.subcode.substr(sector * sizeof packs, sizeof packs));
    }
    EXPECT_FALSE(title.Seek(31).ok());
    ASSERT_TRUE(title.Seek(30).ok());
    std::uint8_t byte = 0;
    const IoStatus past = title.Read(1, nullptr, &byte);
    EXPECT_NE(past.error().find("タイトルの終わりより先"), std::string::npos) << past.error();
  }
}

TEST_F(TitleSourceTest, TheSongBesideIsFoundByNameInAnyCase) {
  // The files of a folder, the first one the subcode, and the song found beside it.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"a.cdg", "a.mp3"}, "a.mp3"},
      {{"a.cdg", "A.MP3"}, "A.MP3"},
      {{"a.cdg", "a.wav", "a.flac", "a.ogg", "a.mp3"}, "a.mp3"},
      {{"a.cdg", "a.wav", "a.flac"}, "a.flac"},
      {{"a.cdg", "a.opus"}, "a.opus"},
      {{"a.cdg", "a.zip", "a.rws", "a.bin", "ab.mp3", "a"}, ""},
      {{"a.b.rws", "a.b.wav", "a.wav"}, "a.b.wav"},
  };
  for (const auto& [files, song] : cases) {
    const TempDir here;
    for (const std::string& name : files) here.Write(name, "x");
    const std::string found = FindSongBeside(here.File(files[0]));
    EXPECT_EQ(found.empty() ? "" : fs::path(found).filename().string(), song) << files[1];
  }
  const TempDir here;  // a folder is no song
  fs::create_directory(here.File("a.mp3"));
  EXPECT_EQ(FindSongBeside(here.Write("a.cdg", "x")), "");
}

// Changes the 32-bit little-endian value at `at`.
std::string Patched(std::string bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// Archives that cannot be trusted or read are refused, naming the archive
// and what is wrong.
TEST_F(TitleSourceTest, BadArchivesAreRefusedWithTheirReason) {
  testing::LanguageScope english(Language::English);
  const std::string good = ZipOf({{"t.cdg", subcode}, {"t.wav", CdWave(song)}}, true);
  // A stored archive's central directory entry of the first file: find its
  // signature, then its uncompressed size at offset 24.
  const std::size_t central = good.find("PK\x01\x02");
  std::string flipped = good;
  flipped[40] = static_cast<char>(flipped[40] ^ 0x5A);  // inside t.cdg's data
  struct Case {
    std::string name;
    std::string archive;
    std::string says;
  } cases[] = {
      {"empty file", "", "is empty"},
      {"only a header", std::string("PK\x03\x04", 4), "damaged"},
      {"cut in half", good.substr(0, good.size() / 2), "damaged"},
      {"empty archive", std::string("PK\x05\x06", 4) + std::string(18, '\0'), "holds no file"},
      {"no .cdg", ZipOf({{"t.mp3", "x"}, {"t.txt", "y"}}), "holds no .cdg file"},
      {"climbs out", ZipOf({{"../t.cdg", subcode}}), "\"../t.cdg\" names a place outside"},
      {"climbs out later", ZipOf({{"t.cdg", subcode}, {"a/../../t.wav", "x"}}), "outside"},
      {"absolute", ZipOf({{"/etc/t.cdg", subcode}}), "\"/etc/t.cdg\" names a place outside"},
      {"a drive letter", ZipOf({{"C:/t.cdg", subcode}}), "outside"},
      {"data damaged", flipped, "damaged"},
      {"size lies", Patched(Patched(good, 22, 0x7FFFFFF0), central + 24, 0x7FFFFFF0), "too large"},
      {"song damaged", ZipOf({{"t.cdg", subcode}, {"t.mp3", "RIFF and no song"}}), "t.mp3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir here;
    const std::string path = here.Write("t.zip", c.archive);
    const TitleOpenResult opened =
        c.archive.size() >= 4 ? OpenTitle(path) : OpenZipTitle(path);
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error.find(path), std::string::npos) << opened.error;
    EXPECT_NE(opened.error.find(c.says), std::string::npos) << opened.error;
  }
}

}  // namespace
}  // namespace mosaicer
