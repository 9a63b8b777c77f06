// A CD+G title as sectors: 2352 bytes of CD audio and 96 bytes of subcode
// each, in order, with a length known when the title is opened. Every kind
// of title this program reads delivers its sectors through one interface:
//   - a CDG file (2448-byte sectors, audio then subcode);
//   - bare subcode (an RWS file, or the .cdg of an MP3+G pair) alone: its
//     audio is silence;
//   - an MP3+G pair: bare subcode beside a song of the same name (any case,
//     any kind OpenAudio reads), the song converted to CD audio. The subcode
//     of sector k goes with audio frames 588 k .. 588 k + 587;
//   - an MP3+G zip: the same two files inside a zip archive, read from
//     memory (see mp3g_zip.h);
//   - a track of a disc, read as the ripper reads it (ripper/disc_title.h).
// A pair is as long as the longer of its two parts: silence or empty packs
// fill the rest.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/subcode_pack.h"
#include "media/audio_reader.h"
#include "platform/io_status.h"

namespace mosaicer {

enum class TitleKind {
  CdgFile,  // 2448-byte sectors
  Subcode,  // bare subcode, silent audio
  Pair,     // bare subcode + a song beside it
  Zip,      // bare subcode + a song inside a zip archive
  Disc,     // a track of a disc in a drive or a disc image
};

struct TitleInfo {
  TitleKind kind = TitleKind::CdgFile;
  std::string path;            // what was opened
  std::string subcodeName;     // the subcode's file or entry name
  std::string audioName;       // the song's file or entry name; empty without one
  std::string conversion;      // what the song's conversion does; empty when none
  std::uint64_t sectors = 0;   // the title's length
  std::uint64_t subcodeSectors = 0;  // whole sectors of subcode
  std::uint64_t audioSectors = 0;    // sectors of audio, a final partial one included
  std::uint64_t audioBytes = 0;      // bytes of CD audio the song gives
  std::uint64_t trailingBytes = 0;   // subcode (or CDG) bytes after the last whole sector
};

class TitleSource {
 public:
  virtual ~TitleSource() = default;

  const TitleInfo& Info() const { return info_; }
  std::uint64_t Sectors() const { return info_.sectors; }
  // The next sector Read delivers.
  std::uint64_t Position() const { return position_; }

  // Reads the next `count` sectors: their audio into `audio` (2352 bytes a
  // sector) and their subcode into `subcode` (96 bytes a sector). Either may
  // be null when the caller does not want it (a song is then not decoded).
  // Reading past Sectors() fails. The failure names the file and the reason.
  IoStatus Read(std::uint64_t count, std::uint8_t* audio, std::uint8_t* subcode);
  // Moves to `sector` (0 .. Sectors()). Going back in a song decodes it again
  // from its start.
  IoStatus Seek(std::uint64_t sector);

 protected:
  virtual IoStatus ReadSectors(std::uint64_t first, std::uint64_t count, std::uint8_t* audio,
                               std::uint8_t* subcode) = 0;

  TitleInfo info_;

 private:
  std::uint64_t position_ = 0;
};

struct TitleOpenResult {
  std::unique_ptr<TitleSource> source;
  std::string error;  // set exactly when `source` is empty; names the file
  bool ok() const { return source != nullptr; }
  // No title, for `message`.
  static TitleOpenResult Refused(std::string message) {
    TitleOpenResult result;
    result.error = std::move(message);
    return result;
  }
};

// `text` with ASCII capitals made small, for names compared without case.
inline std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Where a song's extension ranks when several songs share the subcode's
// name: the common kinds first (mp3, ogg, flac, wav), then the others.
int SongRank(const std::string& extension);

// How the layout of a file that is not a zip archive is taken.
enum class TitleLayout {
  Decide,   // from its name and contents; a file that says nothing is CDG
  Cdg,      // 2448-byte sectors
  Subcode,  // bare subcode, joined with a song of the same name when one exists
};

struct TitleOpenOptions {
  TitleLayout layout = TitleLayout::Decide;
  // A CDG file is read into memory at once (at most kMaxTitleInMemory bytes).
  bool onMemory = false;
  // Bare subcode looks for a song of the same name beside it.
  bool findSong = true;
};

inline constexpr std::uint64_t kMaxTitleInMemory = std::uint64_t{1} << 30;
// Bare subcode is read into memory; 80 minutes of it are about 35 MB.
inline constexpr std::uint64_t kMaxSubcodeBytes = std::uint64_t{256} << 20;

// True when the file starts as a zip archive does.
bool LooksLikeZip(const std::string& path);

// Opens any kind of title: a zip archive by its first bytes, then a CDG file
// or bare subcode as `options` say. A file without one whole sector of
// either layout opens as a CDG file of no sectors.
TitleOpenResult OpenTitle(const std::string& path, const TitleOpenOptions& options = {});

// Opens a CDG file.
TitleOpenResult OpenCdgTitle(const std::string& path, bool onMemory = false);
// Opens bare subcode with the song `songPath` (none when empty: silence).
TitleOpenResult OpenSubcodeTitle(const std::string& subcodePath, const std::string& songPath);
// The song beside bare subcode: a file of the same folder whose name without
// its extension equals the subcode's (any case) and whose extension is not
// one of a subcode file or an archive. The common song kinds come first
// (mp3, ogg, flac, wav), then the others by name. Empty when there is none.
std::string FindSongBeside(const std::string& subcodePath);

// Joins bare subcode (in memory) with a song: the pieces OpenSubcodeTitle and
// the zip reader share. `openSong` opens the song again from its start (for
// a seek backwards); it is called once at once, and may be empty (silence).
TitleOpenResult JoinSubcodeAndSong(TitleInfo info, std::vector<std::uint8_t> subcode,
                                   std::function<AudioOpenResult()> openSong);

}  // namespace mosaicer
