// Rewrites a block of 16-bit stereo frames in one of five stereo modes before
// it is played: stereo, either channel alone, or the sum or difference of the
// two (the difference cancels centred voices) on both channels.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/language.h"

namespace mosaicer {

inline constexpr std::uint8_t kStereoModeCount = 5;
inline constexpr std::uint8_t kStereoModeStereo = 0;
inline constexpr std::uint8_t kStereoModeLeft = 1;
inline constexpr std::uint8_t kStereoModeRight = 2;
inline constexpr std::uint8_t kStereoModeSum = 3;
inline constexpr std::uint8_t kStereoModeDifference = 4;

// The player's combo box lists these in mode order.
// English texts, translated where they are shown.
inline constexpr std::array<const char*, kStereoModeCount> kStereoModeCaptions = {
    N_("Stereo"), N_("Mono (left)"), N_("Mono (right)"), N_("Mono (L+R)"), N_("Mono (L-R)")};

// The mode may be changed from any thread while another applies it: a block
// is rewritten wholly in the mode read when it starts.
class TStereoChanger {
 public:
  // Any value is stored; modes outside 0-4 leave blocks unchanged.
  void SetMode(std::uint8_t mode) { mode_.store(mode, std::memory_order_relaxed); }
  std::uint8_t Mode() const { return mode_.load(std::memory_order_relaxed); }

  // Rewrites `frames` interleaved (left, right) frames in place. Works on
  // groups of 4 frames; callers pass whole sectors (588 frames), a multiple
  // of 4, though a ragged tail is handled too.
  void Apply(std::int16_t* samples, std::size_t frames) const;

 private:
  std::atomic<std::uint8_t> mode_{kStereoModeStereo};
};

}  // namespace mosaicer
