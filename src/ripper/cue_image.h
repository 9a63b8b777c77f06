// A CUE sheet image (.cue + .bin) of CDG tracks as a drive. A `TRACK nn
// CDG` track holds 2448-byte sectors: 2352 audio bytes (little-endian in a
// BINARY file, big-endian in a MOTOROLA one), then the 96 subcode bytes in
// the raw P–W form a drive reads (R–W interleaved, parity included), as
// rippers that write CDG cue tracks store them. INDEX times count sectors
// from the start of their FILE; PREGAP and POSTGAP add silence that is not
// in the file. Track starts are the INDEX 01 positions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ripper/disc_image.h"

namespace mosaicer {

struct CueTrack {
  int number = 0;
  std::int64_t pregap = 0, postgap = 0;  // sectors of silence
  std::int64_t index0 = -1;              // sectors into the file; -1: none
  std::int64_t index1 = -1;
  int line = 0;
};

struct CueFile {
  std::string name;
  bool bigEndian = false;  // MOTOROLA
  std::vector<CueTrack> tracks;
  int line = 0;
};

struct CueSheet {
  std::vector<CueFile> files;
};

// Parses .cue text. False, with `error` naming the line and the reason, for
// unknown commands, tracks other than CDG (their sectors are not 2448
// bytes), files other than BINARY or MOTOROLA, track numbers out of order or
// past 99, a track without INDEX 01, index times out of order, and malformed
// strings, numbers or times.
bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& error);

class CueImage : public SectorFileImage {
 public:
  CueImage() : SectorFileImage("CUE IMAGE") {}
  // Opens `cuePath` and the files it names (relative to its folder). False,
  // with `error` naming the file at fault and why (not found, a bad sheet, a
  // file that is not whole 2448-byte sectors, an INDEX past the end of its
  // file, more than 90 minutes); the image is then closed.
  bool Open(const std::string& cuePath, std::string& error);
};

}  // namespace mosaicer
