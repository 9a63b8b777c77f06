#include "authoring/msf.h"

#include <algorithm>
#include <cstdio>

namespace mosaicer {
namespace {

// The program area starts after a two-second pause: frame 150 is block 0.
constexpr std::int64_t kLbaOffset = 2 * kFramesPerSecond;
constexpr std::int64_t kLastProgramFrame = 90 * kFramesPerMinute - 1;  // 89:59:74
constexpr std::int64_t kFirstLeadInFrame = 90 * kFramesPerMinute;      // 90:00:00
constexpr std::int64_t kLastLeadInFrame = 91 * kFramesPerMinute - 2;   // 90:59:73
// Lead-in times count back from 100 minutes, so block = frames - 100:02:00.
constexpr std::int64_t kLeadInOffset = 100 * kFramesPerMinute + kLbaOffset;

// Where each part sits in the field's "MM:SS:FF" text, and its width.
constexpr std::size_t kMinutesAt = 0;
constexpr std::size_t kSecondsAt = 3;
constexpr std::size_t kFramesAt = 6;
constexpr std::size_t kPartWidth = 2;
constexpr int kDecimalBase = 10;

// Large enough for three parts of any int with their signs and colons.
constexpr std::size_t kMsfTextBuffer = 40;

std::string FormatMsf(int minutes, int seconds, int frames) {
  char text[kMsfTextBuffer];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", minutes, seconds, frames);
  return text;
}

// The value of the part's leading digits; 0 when it has none.
int ReadPart(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  const std::string_view part = text.substr(at, kPartWidth);
  int value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') break;
    value = value * kDecimalBase + (c - '0');
  }
  return value;
}

// The field's text as minutes, seconds and frames, seconds and frames capped.
Msf ParseField(std::string_view text) {
  Msf msf;
  msf.minutes = ReadPart(text, kMinutesAt);
  msf.seconds = std::min(ReadPart(text, kSecondsAt), kMaxMsfSeconds);
  msf.frames = std::min(ReadPart(text, kFramesAt), kMaxMsfFrames);
  return msf;
}

}  // namespace

Msf FramesToMsf(std::int64_t frames) {
  Msf msf;
  msf.minutes = static_cast<int>(frames / kFramesPerSecond / kSecondsPerMinute);
  msf.seconds = static_cast<int>((frames / kFramesPerSecond) % kSecondsPerMinute);
  msf.frames = static_cast<int>(frames % kFramesPerSecond);
  return msf;
}

std::int64_t MsfToFrames(int minutes, int seconds, int frames) {
  return (static_cast<std::int64_t>(minutes) * kSecondsPerMinute + seconds) * kFramesPerSecond +
         frames;
}

std::string MsfText(std::int64_t frames) {
  const Msf msf = FramesToMsf(frames);
  return FormatMsf(msf.minutes, msf.seconds, msf.frames);
}

MsfAddress MakeMsfAddress(int minutes, int seconds, int frames) {
  return MsfAddress{0, static_cast<std::uint8_t>(minutes), static_cast<std::uint8_t>(seconds),
                    static_cast<std::uint8_t>(frames)};
}

std::int64_t MsfAddressToFrames(const MsfAddress& address) {
  return MsfToFrames(address[1], address[2], address[3]);
}

std::int64_t FramesToLba(std::int64_t frames) {
  if (frames >= 0 && frames <= kLastProgramFrame) return frames - kLbaOffset;
  if (frames >= kFirstLeadInFrame && frames <= kLastLeadInFrame) return frames - kLeadInOffset;
  return 0;
}

void TMsfField::SetLimit(std::int64_t frames) { limit_ = std::max<std::int64_t>(frames, 0); }

std::string TMsfField::ShowLimit() const { return MsfText(limit_); }

void TMsfField::ReadLimit(std::string_view text) { TakeField(ParseField(text)); }

std::string TMsfField::EditChange(std::string_view text) {
  const Msf msf = ParseField(text);
  TakeField(msf);
  return FormatMsf(msf.minutes, msf.seconds, msf.frames);
}

std::string TMsfField::EditChange(std::string_view text, int cursor) {
  std::string shown = EditChange(text);
  for (std::size_t start : {0u, 3u, 6u}) {
    if (cursor != static_cast<int>(start) + 1) continue;
    for (std::size_t i = start; i < start + 2 && i < text.size() && i < shown.size(); ++i)
      shown[i] = text[i];
  }
  return shown;
}

std::string TMsfField::StepUp() {
  ++limit_;
  ApplyWavCap();
  return ShowLimit();
}

std::string TMsfField::StepDown() {
  limit_ = std::max<std::int64_t>(limit_ - 1, 0);
  return ShowLimit();
}

std::string TMsfField::AcceptWav(std::int64_t audioSectors, std::string_view currentText) {
  hasWav_ = true;
  audioSectors_ = std::max<std::int64_t>(audioSectors, 0);
  ReadLimit(currentText);
  return ShowLimit();
}

void TMsfField::ClearWav() {
  hasWav_ = false;
  audioSectors_ = 0;
}

void TMsfField::TakeField(const Msf& msf) {
  limit_ = MsfToFrames(msf.minutes, msf.seconds, msf.frames);
  ApplyWavCap();
}

void TMsfField::ApplyWavCap() {
  if (hasWav_ && limit_ > audioSectors_) limit_ = audioSectors_;
}

}  // namespace mosaicer
