// A cdrdao disc image (.toc + data files) as a drive, as `cdrdao read-cd
// --read-subchan rw_raw` (or `rw`) leaves it: a CD_DA table of AUDIO tracks
// with RW_RAW or RW sub-channel data, each track's sectors taken from
// DATAFILE statements ("file" [#offset] [length]) or ZERO/PREGAP silence.
// A sector of such a data file is 2448 bytes: 2352 audio bytes, big-endian
// (cdrdao's raw audio order), then 96 subcode bytes. RW_RAW subcode is the
// raw P–W a drive reads (R–W interleaved, parity included); RW holds the
// packs already de-interleaved and corrected. Raw reads of an RW image are
// answered with the packs interleaved again, so the ripper's raw mode
// de-interleaves them back to the same packs: the ripper need not know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ripper/disc_image.h"

namespace mosaicer {

// One DATAFILE (a file's bytes) or ZERO/PREGAP (silence) statement.
struct TocPiece {
  std::string file;  // empty: silence
  std::uint64_t offset = 0;
  std::optional<std::uint64_t> bytes;  // none: up to the end of the file
  int line = 0;
};

struct TocTrack {
  SubcodeForm form = SubcodeForm::Raw;
  std::vector<TocPiece> pieces;
  // Index 1 (the end of the pre-gap): `startSectors` into the track, or,
  // when `startAfterPieces` is set, where that many pieces end.
  std::int64_t startSectors = 0;
  std::optional<std::size_t> startAfterPieces;
  int line = 0;
};

struct TocSheet {
  int firstTrack = 1;
  std::vector<TocTrack> tracks;
};

// Parses .toc text. False, with `error` naming the line and the reason,
// for anything that is not a table of audio tracks with R–W sub-channel
// data: unknown or data modes, tracks without RW/RW_RAW, FILE, SILENCE or
// FIFO statements, malformed strings, numbers or times, more than 99 tracks.
bool ParseTocSheet(std::string_view text, TocSheet& sheet, std::string& error);

// A .toc is a few kilobytes; a file above this is not one.
inline constexpr std::uint64_t kMaxSheetBytes = 1u << 20;

class TocImage : public SectorFileImage {
 public:
  TocImage() : SectorFileImage("CDRDAO IMAGE") {}
  // Opens `tocPath` and the data files it names (relative to its folder).
  // False, with `error` naming the file at fault and why (not found, a bad
  // sheet, a length that is not whole sectors, a piece past the end of its
  // file, tracks of mixed RW and RW_RAW data, a START past the track's
  // end, more than 90 minutes); the image is then closed.
  bool Open(const std::string& tocPath, std::string& error);
};

}  // namespace mosaicer
