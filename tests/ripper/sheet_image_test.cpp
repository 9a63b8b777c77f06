// cdrdao (.toc + .bin) and CUE (.cue + .bin) images read as drives: images
// written here by a writer of the test's own, from the formats' public
// descriptions, ripped through the command line, and malformed sheets.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "ripper/cd_drive.h"
#include "ripper/cue_image.h"
#include "ripper/image_drive.h"
#include "ripper/rip_drive_list.h"
#include "ripper/toc_image.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::Disc;

constexpr int kSectors = 300;          // 4 s: LBA 0..299
constexpr int kSecondTrack = 140;      // LBA where track 2 starts
constexpr int kDelay = 7;              // packs the de-interleaver lags behind
const int kDamaged[] = {30, 61, 200};  // sectors with a single-symbol error

std::string Msf(int sectors) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / 4500, sectors / 75 % 60,
                sectors % 75);
  return text;
}

// The raw P–W bytes of sector s as a drive's READ CD sub-channel 1 returns
// them: byte k carries channel c's bit 7 − (k mod 8) of its byte k / 8 in
// bit 7 − c.
std::string RawSubcode(const Disc& disc, int s) {
  std::string raw(96, '\0');
  for (int k = 0; k < 96; ++k)
    for (int c = 0; c < 8; ++c)
      if (static_cast<std::uint8_t>(disc.sub[s * 96 + c * 12 + k / 8]) & (0x80 >> (k % 8)))
        raw[k] = static_cast<char>(raw[k] | (0x80 >> c));
  return raw;
}

// The packs a drive's R–W read delivers: the disc's packs seven slots late.
std::string PackedSubcode(const Disc& disc, int s) {
  std::string packs(96, '\0');
  for (int p = 0; p < 4; ++p) {
    const int from = s * 4 + p - kDelay;
    if (from >= 0) packs.replace(p * 24, 24, reinterpret_cast<const char*>(&disc.source[from * 24]), 24);
  }
  return packs;
}

enum class Form { RwRaw, Rw, Cue };

// 2448-byte records: the audio (big-endian for cdrdao, as its raw data files
// are, little-endian for a BINARY cue file), then the subcode.
std::string Records(const Disc& disc, Form form, int from, int to) {
  std::string bin;
  for (int s = from; s < to; ++s) {
    std::string audio = disc.audio.substr(s * kAudioBytesPerSector, kAudioBytesPerSector);
    if (form != Form::Cue)
      for (std::size_t i = 0; i < audio.size(); i += 2) std::swap(audio[i], audio[i + 1]);
    bin += audio;
    bin += form == Form::Rw ? PackedSubcode(disc, s) : RawSubcode(disc, s);
  }
  return bin;
}

// Writes `disc` as cdrdao `read-cd` leaves it (one data file, each track a
// DATAFILE piece with its byte offset) or as a CUE sheet of CDG tracks; the
// second track's first 10 sectors are its pre-gap. Gives the sheet's path.
std::string WriteImage(const testing::TempDir& dir, const Disc& disc, Form form) {
  dir.Write("disc.bin", Records(disc, form, 0, kSectors));
  if (form == Form::Cue)
    return dir.Write("disc.cue", "REM made by a test\r\nFILE \"disc.bin\" BINARY\r\n"
                                 "  TRACK 01 CDG\r\n    INDEX 01 00:00:00\r\n"
                                 "  TRACK 02 CDG\r\n    INDEX 00 " +
                                     Msf(kSecondTrack - 10) + "\r\n    INDEX 01 " +
                                     Msf(kSecondTrack) + "\r\n");
  const char* mode = form == Form::Rw ? "RW" : "RW_RAW";
  const int pregapStart = kSecondTrack - 10;
  std::string toc = "CD_DA\n\n// Track 1\nTRACK AUDIO " + std::string(mode) +
                    "\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\nDATAFILE \"disc.bin\" " +
                    Msf(pregapStart) + " // length in bytes: " +
                    std::to_string(pregapStart * 2448) + "\n\n// Track 2\nTRACK AUDIO " + mode +
                    "\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\nDATAFILE \"disc.bin\" #" +
                    std::to_string(pregapStart * 2448) + " " + Msf(kSectors - pregapStart) +
                    "\nSTART 00:00:10\n";
  return dir.Write("disc.toc", toc);
}

// A disc with a single-symbol error (one bit of one R–W channel) in some
// sectors, written in each form and ripped by each command: each track's
// file holds the disc's packs seven packs late, repaired, and its audio.
TEST(SheetImages, RawRipsGiveTheDiscsPacksRepairedAndItsAudioExactly) {
  Disc disc = testing::MakeDisc(kSectors, 17);
  for (int s : kDamaged) disc.sub[s * 96 + 3 * 12 + 5] ^= 0x08;  // channel S
  const struct {
    Form form;
    const char* name;
  } forms[] = {{Form::RwRaw, "cdrdao RW_RAW"}, {Form::Rw, "cdrdao RW"}, {Form::Cue, "CUE CDG"}};
  for (const auto& [form, name] : forms) {
    testing::TempDir dir;
    const std::string sheet = WriteImage(dir, disc, form);
    const CliResult toc = Cli({"toc", sheet});
    ASSERT_EQ(toc.status, cli::kExitSuccess) << name << ": " << toc.err;
    EXPECT_EQ(toc.out, "Track  1 : 00:02:00 - 00:03:65 (00:01:65)\n"
                       "Track  2 : 00:03:65 - 00:06:00 (00:02:10)\n")
        << name;
    for (const char* command : {"raw", "rw", "cdda"}) {
      const std::string base = dir.File(std::string("song-") + command);
      const CliResult rip =
          Cli({"rip", sheet, "--all", "--command", command, "--read-size", "11", "-o", base});
      ASSERT_EQ(rip.status, cli::kExitSuccess) << name << " " << command << ": " << rip.err;
      for (int track = 1; track <= 2; ++track) {
        SCOPED_TRACE(std::string(name) + " --command " + command + " track " +
                     std::to_string(track));
        const int first = track == 1 ? 0 : kSecondTrack;
        const int sectors = track == 1 ? kSecondTrack : kSectors - kSecondTrack;
        const std::string file = testing::ReadFile(base + "_0" + std::to_string(track) + ".cdg");
        ASSERT_EQ(file.size(), static_cast<std::size_t>(sectors) * kCdgSectorSize);
        for (int s = 0; s < sectors; ++s) {
          const char* sector = file.data() + s * kCdgSectorSize;
          ASSERT_EQ(0, std::memcmp(sector, &disc.audio[(first + s) * kAudioBytesPerSector],
                                   kAudioBytesPerSector))
              << "audio of sector " << s;
          for (int p = 0; p < 4; ++p) {
            const int pack = (first + s) * 4 + p - kDelay;
            if (s * 4 + p < kDelay) continue;  // from the de-interleaver's zeroed history
            ASSERT_EQ(
                0, std::memcmp(sector + kAudioBytesPerSector + p * 24, &disc.source[pack * 24], 24))
                << "sector " << s << " pack " << p;
          }
        }
      }
    }
  }
}

// The ripper's list opens both kinds and names the files a rip reads, so
// that no output is ever written over them.
TEST(SheetImages, TheListNamesTheImagesFilesAndARipNeverWritesOverThem) {
  const Disc disc = testing::MakeDisc(kSectors, 2);
  for (Form form : {Form::RwRaw, Form::Cue}) {
    testing::TempDir dir;
    const std::string sheet = WriteImage(dir, disc, form), bin = dir.File("disc.bin");
    const std::string data = testing::ReadFile(bin);
    RipDriveList list;
    std::string error;
    ASSERT_TRUE(list.AddImage(sheet, error)) << error;
    EXPECT_EQ(list.Inputs(0), (std::vector<std::string>{sheet, bin}));
    EXPECT_TRUE(list.Inputs(1).empty());
    EXPECT_FALSE(list.AddImage(bin, error));
    EXPECT_NE(error.find("disc.bin"), std::string::npos);
    for (const std::string& output : {bin, sheet})
      EXPECT_EQ(Cli({"rip", sheet, "--track", "1", "--force", "-o", output}).status,
                cli::kExitFailure)
          << output;
    EXPECT_EQ(testing::ReadFile(bin), data);
  }
}

// A packed (RW) image re-interleaves its packs for a raw read; the packs a
// sector's raw bytes need lie up to seven slots ahead, so a read of one
// sector gives the same R–W bits as the disc, wherever the read stops.
TEST(SheetImages, PackedImagesGiveRawSubcodeSectorBySector) {
  const Disc disc = testing::MakeDisc(kSectors, 5);
  testing::TempDir dir;
  std::string error;
  const std::unique_ptr<DiscImage> image = OpenDiscImage(WriteImage(dir, disc, Form::Rw), error);
  ASSERT_NE(image, nullptr) << error;
  TNkCdRom drive("disc.toc");
  std::vector<std::uint8_t> sector(kCdgSectorSize);
  for (int lba = 0; lba + 2 < kSectors; ++lba) {
    ASSERT_TRUE(ReadCdRaw(*image, drive, 150 + lba, 1, sector.data())) << lba;
    const std::string want = RawSubcode(disc, lba);
    for (int k = 0; k < 96; ++k)
      ASSERT_EQ(sector[kAudioBytesPerSector + k] & 0x3F, static_cast<std::uint8_t>(want[k]) & 0x3F)
          << "sector " << lba << " byte " << k;
  }
}

// A CUE sheet over two files with PREGAP and POSTGAP silence and a MOTOROLA
// (big-endian) file: the sectors of a file before a track's first index
// belong to the track before, its post-gap follows them, then the next
// track's pre-gap; silence reads as zeros, audio comes out little-endian.
TEST(SheetImages, CueGapsAndFilesLayOutTheDisc) {
  const Disc disc = testing::MakeDisc(100, 8);
  testing::TempDir dir;
  dir.Write("a.bin", Records(disc, Form::Cue, 0, 60));
  dir.Write("b.bin", Records(disc, Form::RwRaw, 60, 100));  // big-endian audio
  const std::string cue = dir.Write(
      "disc.cue",
      "FILE \"a.bin\" BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\nPOSTGAP 00:00:05\n"
      "FILE b.bin MOTOROLA\nTRACK 02 CDG\nPREGAP 00:00:20\nINDEX 01 00:00:10\nINDEX 02 00:00:30\n");
  CueImage image;
  std::string error;
  ASSERT_TRUE(image.Open(cue, error)) << error;
  EXPECT_EQ(image.Sectors(), 60 + 5 + 20 + 40);
  TNkCdRom drive("disc.cue");
  TNkToc toc;
  ASSERT_TRUE(ReadToc(image, drive, false, toc));
  ASSERT_EQ(toc.TrackCount, 2);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[1].Start), 150 + 60 + 10 + 5 + 20);
  EXPECT_EQ(MsfAddressToFrames(toc.Tracks[1].End), 150 + 125);
  std::vector<std::uint8_t> buffer(125 * kCdgSectorSize);
  ASSERT_TRUE(ReadCdRaw(image, drive, 150, 125, buffer.data()));
  const auto audioOf = [&](int lba) { return buffer.data() + lba * kCdgSectorSize; };
  const auto same = [&](int lba, int sector) {
    return std::memcmp(audioOf(lba), disc.audio.data() + sector * kAudioBytesPerSector,
                       kAudioBytesPerSector) == 0;
  };
  EXPECT_TRUE(same(59, 59));
  EXPECT_TRUE(same(60, 60));  // from the big-endian file
  EXPECT_TRUE(same(69, 69));
  for (int lba = 70; lba < 95; ++lba)
    for (std::size_t i = 0; i < kCdgSectorSize; i += 101) ASSERT_EQ(audioOf(lba)[i], 0) << lba;
  EXPECT_TRUE(same(95, 70));
  EXPECT_TRUE(same(124, 99));
}

// Malformed .toc and .cue sheets: refused with the line and the reason.
TEST(SheetParsers, MalformedSheetsAreRefusedWithTheReason) {
  const testing::LanguageScope english(Language::English);  // the fragments are English
  const std::string track = "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" 00:01:00\n";
  const std::string file = "FILE \"d.bin\" BINARY\n";
  const std::string cueTrack = "TRACK 01 CDG\nINDEX 01 00:00:00\n";
  const struct {
    bool cue;
    std::string text;
    const char* fragment;
  } cases[] = {
      {false, "CD_DA\n", "no TRACK"},
      {false, "TRACK MODE1\nDATAFILE \"d.bin\"\n", "MODE1"},
      {false, "TRACK MODE7\nDATAFILE \"d.bin\"\n", "unknown track mode"},
      {false, "TRACK AUDIO\nDATAFILE \"d.bin\"\n", "R–W sub-channel"},
      {false, "TRACK AUDIO RW_RAW\nFILE \"a.wav\" 0\n", "FILE cannot be read"},
      {false, "TRACK AUDIO RW_RAW\nSILENCE 00:02:00\n", "SILENCE"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\n", "line 2: a string is not closed"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" 00:60:00\n", "00:60:00"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" 00:01:75\n", "00:01:75"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" #99999999999999999999999\n", "too large"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" # x\n", "a number"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE\n", "quoted string"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"-\"\n", "must name a file"},
      {false, "TRACK AUDIO RW_RAW\n", "no DATAFILE"},
      {false, "TRACK AUDIO RW_RAW\nSTART\nSTART\nDATAFILE \"d.bin\"\n", "twice"},
      {false, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\"\nPREGAP 00:02:00\n", "PREGAP"},
      {false, "CD_TEXT { LANGUAGE 0 { TITLE \"x\" }\n" + track, "not closed"},
      {false, "FIRST_TRACK_NO 0\n" + track, "first track number"},
      {false, "FIRST_TRACK_NO 99\n" + track + track, "more than 99 tracks"},
      {false, "BOGUS\n" + track, "unexpected \"BOGUS\""},
      {false, track + "WHATEVER\n", "line 3"},
      {true, file, "no TRACK"},
      {true, cueTrack, "TRACK before any FILE"},
      {true, "FILE \"d.wav\" WAVE\n" + cueTrack, "WAVE"},
      {true, "FILE \"d.bin BINARY\n", "not closed"},
      {true, "FILE BINARY\n", "a name and a type"},
      {true, file + "TRACK 01 AUDIO\nINDEX 01 00:00:00\n", "track 1 is AUDIO"},
      {true, file + "TRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "only CDG"},
      {true, file + "TRACK 00 CDG\n", "track number"},
      {true, file + "TRACK 100 CDG\n", "track number"},
      {true, file + cueTrack + "TRACK 03 CDG\nINDEX 01 00:00:10\n",
       "track 3 does not follow track 1"},
      {true, file + "TRACK 01 CDG\n", "no INDEX 01"},
      {true, file + "TRACK 01 CDG\nTRACK 02 CDG\nINDEX 01 00:00:00\n", "track 1 has no INDEX 01"},
      {true, file + "TRACK 01 CDG\nINDEX 01 00:00:10\nTRACK 02 CDG\nINDEX 01 00:00:05\n",
       "earlier"},
      {true, file + "TRACK 01 CDG\nINDEX 01 00:00:10\nINDEX 00 00:00:00\n", "INDEX 00"},
      {true, file + "TRACK 01 CDG\nINDEX 02 00:00:00\n", "INDEX 01 must come first"},
      {true, file + "TRACK 01 CDG\nINDEX 01 00:00:75\n", "00:00:75"},
      {true, file + "TRACK 01 CDG\nINDEX 01 1:2\n", "1:2"},
      {true, file + "TRACK 01 CDG\nINDEX x 00:00:00\n", "index number"},
      {true, file + cueTrack + "PREGAP 00:02:00\n", "PREGAP"},
      {true, file + "INDEX 01 00:00:00\n", "outside a track"},
      {true, file + cueTrack + "BOGUS 1\n", "unknown command \"BOGUS\""},
  };
  for (const auto& c : cases) {
    TocSheet toc;
    CueSheet cue;
    std::string error;
    EXPECT_FALSE(c.cue ? ParseCueSheet(c.text, cue, error) : ParseTocSheet(c.text, toc, error))
        << c.text;
    EXPECT_NE(error.find(c.fragment), std::string::npos) << c.text << "\n -> " << error;
    EXPECT_TRUE(!c.cue || error.find("line ") != std::string::npos) << error;
    EXPECT_TRUE(toc.tracks.empty() && cue.files.empty()) << c.text;
  }
}

TEST(TocSheet, WhatReadCdWritesIsUnderstood) {
  TocSheet sheet;
  std::string error;
  ASSERT_TRUE(ParseTocSheet(
      "CD_DA\nCD_TEXT {\n  LANGUAGE_MAP { 0 : EN }\n  LANGUAGE 0 { TITLE \"A \\\"b\\\" }\" }\n}\n"
      "FIRST_TRACK_NO 3\n// Track 3\nTRACK AUDIO RW\nCOPY\nPRE_EMPHASIS\nFOUR_CHANNEL_AUDIO\n"
      "ISRC \"DEXXX0000001\"\nZERO AUDIO RW 00:00:10\nDATAFILE \"x y.bin\" #4896 2448// 1 sector\n"
      "START\nINDEX 00:00:01\nEND\nTRACK AUDIO RW PREGAP 00:00:02 DATAFILE \"\\101.bin\"\n",
      sheet, error))
      << error;
  EXPECT_EQ(sheet.firstTrack, 3);
  ASSERT_EQ(sheet.tracks.size(), 2u);
  const TocTrack& t = sheet.tracks[0];
  EXPECT_EQ(t.form, SubcodeForm::Packed);
  ASSERT_EQ(t.pieces.size(), 2u);
  EXPECT_EQ(t.pieces[0].file, "");
  EXPECT_EQ(t.pieces[0].bytes, 10u * 2448u);
  EXPECT_EQ(t.pieces[1].file, "x y.bin");
  EXPECT_EQ(t.pieces[1].offset, 4896u);
  EXPECT_EQ(t.pieces[1].bytes, 2448u);
  EXPECT_EQ(t.startAfterPieces, 2u);
  EXPECT_EQ(sheet.tracks[1].pieces[1].file, "A.bin");
  EXPECT_FALSE(sheet.tracks[1].pieces[1].bytes.has_value());
  EXPECT_EQ(sheet.tracks[1].startAfterPieces, 1u);
}

// Sheets that parse but point outside their data, or cannot be served.
TEST(SheetImages, ImagesThatPointOutsideTheirDataAreRefusedByName) {
  const testing::LanguageScope english(Language::English);  // the fragments are English
  testing::TempDir dir;
  dir.Write("d.bin", std::string(10 * 2448, '\0'));
  dir.Write("odd.bin", std::string(10 * 2448 + 5, '\0'));
  dir.Write("odd2352.bin", std::string(10 * 2352, '\0'));
  const std::string head = "TRACK AUDIO RW_RAW\n";
  const std::string cueHead = "FILE d.bin BINARY\nTRACK 01 CDG\n";
  const struct {
    bool cue;
    std::string text;
    std::vector<std::string> fragments;
  } cases[] = {
      {false, head + "DATAFILE \"none.bin\"\n", {"none.bin", "not found"}},
      {false,
       head + "DATAFILE \"d.bin\" #24481\n",
       {"disc.toc", "line 2", "24481", "past the end"}},
      {false, head + "DATAFILE \"d.bin\" 00:00:11\n", {"d.bin", "short", "24480"}},
      {false, head + "DATAFILE \"d.bin\" #2448 00:00:10\n", {"d.bin", "short"}},
      {false, head + "DATAFILE \"d.bin\" 100\n", {"disc.toc", "100 bytes", "whole sectors"}},
      {false, head + "DATAFILE \"odd.bin\"\n", {"disc.toc", "24485 bytes"}},
      {false, head + "DATAFILE \"d.bin\"\nSTART 00:00:10\n", {"disc.toc", "START"}},
      {false,
       head + "DATAFILE \"d.bin\"\nTRACK AUDIO RW\nDATAFILE \"d.bin\"\n",
       {"RW_RAW", "mixed"}},
      {false,
       head + "ZERO 89:59:00\nDATAFILE \"d.bin\"\nTRACK AUDIO RW_RAW\nZERO 00:00:50\n",
       {"disc.toc", "90 minutes"}},
      {false,
       head + "ZERO 99:00:00\nTRACK AUDIO RW_RAW\nZERO 99:00:00\n",
       {"disc.toc", "90 minutes"}},
      {false, head + "DATAFILE \"" + dir.File("") + "\"\n", {"folder"}},
      {false, std::string(kMaxSheetBytes + 1, ' '), {"too large"}},
      {true, "FILE none.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\n", {"none.bin", "not found"}},
      {true,
       "FILE odd2352.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\n",
       {"disc.cue", "odd2352.bin", "whole sectors"}},
      {true, cueHead + "INDEX 01 00:00:10\n", {"disc.cue", "past the end"}},
      {true,
       cueHead + "INDEX 01 00:00:00\nTRACK 02 CDG\nINDEX 01 00:00:00\n",
       {"disc.cue", "track 2"}},
      {true, cueHead + "PREGAP 89:59:00\nINDEX 01 00:00:00\n", {"disc.cue", "90 minutes"}},
      {true, cueHead + "INDEX 01 00:00:00\nPOSTGAP 99:00:00\n", {"disc.cue", "90 minutes"}},
  };
  for (const auto& c : cases) {
    TocImage toc;
    CueImage cue;
    std::string error;
    const std::string sheet = dir.Write(c.cue ? "disc.cue" : "disc.toc", c.text);
    EXPECT_FALSE(c.cue ? cue.Open(sheet, error) : toc.Open(sheet, error)) << c.text;
    for (const std::string& f : c.fragments)
      EXPECT_NE(error.find(f), std::string::npos) << c.text << "\n -> " << error;
    EXPECT_EQ(toc.Sectors() + cue.Sectors(), 0);
    EXPECT_TRUE(toc.Files().empty() && cue.Files().empty());
    // A refused image opens the next sheet as a fresh one.
    if (!c.cue) {
      ASSERT_TRUE(toc.Open(dir.Write("disc.toc", head + "DATAFILE \"d.bin\" #2448\n"), error))
          << error;
      EXPECT_EQ(toc.Sectors(), 9);
    }
  }
}

}  // namespace
}  // namespace mosaicer
