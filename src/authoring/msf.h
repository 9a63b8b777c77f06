// Disc time: frame counts (one frame is a sector, 1/75 s), their MSF form
// (minutes, seconds, frames), four-byte MSF addresses as drives report them,
// and the logical block address a frame number is read at. Also TMsfField,
// the logic behind the main window's MSF target field, kept free of any
// window so it can be tested on its own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/subcode_pack.h"

namespace mosaicer {

inline constexpr int kFramesPerSecond = kSectorsPerSecond;  // 75
inline constexpr int kSecondsPerMinute = 60;
inline constexpr int kFramesPerMinute = kFramesPerSecond * kSecondsPerMinute;  // 4500
inline constexpr int kMaxMsfSeconds = kSecondsPerMinute - 1;                   // 59
inline constexpr int kMaxMsfFrames = kFramesPerSecond - 1;                     // 74

struct Msf {
  int minutes = 0;
  int seconds = 0;
  int frames = 0;
};

// Splits a frame count with integer division; meant for counts of 0 or more.
Msf FramesToMsf(std::int64_t frames);
std::int64_t MsfToFrames(int minutes, int seconds, int frames);

// "MM:SS:FF", two digits at least for each part: eight characters for any
// count up to 99:59:74.
std::string MsfText(std::int64_t frames);

// Four bytes: reserved (0), minutes, seconds, frames.
using MsfAddress = std::array<std::uint8_t, 4>;
MsfAddress MakeMsfAddress(int minutes, int seconds, int frames);
std::int64_t MsfAddressToFrames(const MsfAddress& address);

// The logical block address of an absolute frame number: the program area
// starts two seconds in (frame 150 is block 0), frames from 90:00:00 to
// 90:59:73 stand for the lead-in and give negative blocks, and anything
// outside these ranges gives 0.
std::int64_t FramesToLba(std::int64_t frames);

// The MSF target field of the main window: the frame count `Limit` by which
// drawing must be finished, the text the field shows for it, and the cap an
// accepted WAV file puts on it. The window passes in what the user typed and
// writes back the text these operations return.
//
// Reading the field's text: the two characters at positions 0, 3 and 6 give
// minutes, seconds and frames. Each part's value is its leading decimal
// digits, so "1_" (a half-typed part) reads as 1; a part that starts with
// anything else ('_', a space, a sign, a letter) or lies beyond the end of the
// text reads as 0. Seconds above 59 read as 59, frames above 74 as 74.
class TMsfField {
 public:
  std::int64_t Limit() const { return limit_; }
  bool HasWav() const { return hasWav_; }
  std::int64_t AudioSectors() const { return audioSectors_; }

  // Restores a saved Limit; negative values become 0. No WAV cap applies:
  // settings are read before any WAV file is accepted.
  void SetLimit(std::int64_t frames);

  // The text for the field: the MSF text of Limit.
  std::string ShowLimit() const;

  // Takes Limit from the field's text, capped by the WAV file's length when
  // one is accepted. The field keeps its text.
  void ReadLimit(std::string_view text);

  // The field's text changed: takes Limit as ReadLimit does and returns the
  // text to put back, which shows the second and frame caps but not the WAV
  // cap, so the user still sees the time typed.
  std::string EditChange(std::string_view text);
  // The same while the user types with the cursor at `cursor` (0..8): a
  // part whose first character has just been typed (the cursor sits between
  // its two characters) keeps its text as typed, so its cap applies once the
  // second digit is in and typing 00:75:80 over the field shows 00:59:74.
  // Limit is taken from the capped values either way.
  std::string EditChange(std::string_view text, int cursor);

  // The up and down buttons (and arrow keys) step Limit by one frame; up stops
  // at the WAV's length, down at 0. Both return the new text for the field.
  std::string StepUp();
  std::string StepDown();

  // A WAV file of `audioSectors` sectors was accepted: from now on Limit may
  // not exceed its length. Re-reads the field's current text under the new
  // cap and returns the text to show.
  std::string AcceptWav(std::int64_t audioSectors, std::string_view currentText);
  // No WAV file any more: Limit is no longer capped.
  void ClearWav();

 private:
  void TakeField(const Msf& msf);
  void ApplyWavCap();

  std::int64_t limit_ = 0;
  bool hasWav_ = false;
  std::int64_t audioSectors_ = 0;
};

}  // namespace mosaicer
