// Everything the creation commands read: the prepared picture with its
// palette and border colour, the display effect, the stream and timing
// options and the accepted WAV file. The main window owns one; the command
// line fills one from its options.
#pragma once

#include <cstdint>
#include <string>

#include "authoring/msf.h"
#include "authoring/wave_info.h"
#include "image/log_palette.h"
#include "platform/bitmap.h"

namespace mosaicer {

// Positions of the option lists, as stored in the settings file.
enum OptimizeMode { kOptimizeNone = 0, kOptimizeTile = 1, kOptimizeFull = 2 };
enum TimingMode {
  kTimingTogether = 0,      // display while playing
  kTimingDisplayFirst = 1,  // display, then play
  kTimingLeadIn = 2,        // display ahead only what does not fit
  kTimingTarget = 3,        // finish displaying by the MSF time
};

inline constexpr int kDefaultBlankSectors = 37;
inline constexpr int kMaxBlankSectors = 150;

struct AuthoringState {
  // 300 x 216, 4 bits per pixel, border tiles already in the border colour;
  // empty when no picture has been prepared.
  Bitmap picture;
  LogPalette palette = LogPalette::Cleared(kUsedPaletteEntries);
  int borderIndex = 0;

  std::string effectFile;  // the chosen effect's file; empty for the normal order
  int optimize = kOptimizeNone;
  int blank = kDefaultBlankSectors;
  int timing = kTimingTogether;
  TMsfField limitField;  // Limit, in frames, for the target timing

  std::string wavPath;  // empty until a WAV file is accepted
  WaveInfo wave;
  // What converting the song to CD audio does ("48000 Hz 24-bit mono →
  // 44100 Hz 16-bit stereo"); empty for a CD-format WAV, read as it is. For a
  // converted song `wave` describes the converted audio (OpenAudio).
  std::string wavConversion;

  bool HasPicture() const { return !picture.empty(); }
  bool HasWav() const { return !wavPath.empty(); }
  // Sectors of the accepted WAV's audio, a final partial sector included.
  std::int64_t AudioSectors() const { return wave.AudioSectors(); }
  std::int64_t Limit() const { return limitField.Limit(); }
};

}  // namespace mosaicer
