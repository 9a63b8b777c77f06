#include "player/stereo_changer.h"

namespace mosaicer {

namespace {

constexpr std::size_t kGroupFrames = 4;
constexpr std::size_t kChannels = 2;

// Each mode rewrites one frame; sums and differences are taken in 32 bits and
// halved by an arithmetic shift, so the result always fits in 16 bits.
struct CopyLeft {
  void operator()(std::int16_t* frame) const { frame[1] = frame[0]; }
};
struct CopyRight {
  void operator()(std::int16_t* frame) const { frame[0] = frame[1]; }
};
struct HalfSum {
  void operator()(std::int16_t* frame) const {
    const std::int32_t mixed = (std::int32_t{frame[0]} + std::int32_t{frame[1]}) >> 1;
    frame[0] = frame[1] = static_cast<std::int16_t>(mixed);
  }
};
struct HalfDifference {
  void operator()(std::int16_t* frame) const {
    const std::int32_t mixed = (std::int32_t{frame[0]} - std::int32_t{frame[1]}) >> 1;
    frame[0] = frame[1] = static_cast<std::int16_t>(mixed);
  }
};

template <typename Rewrite>
void ForEachFrame(std::int16_t* samples, std::size_t frames, Rewrite rewrite) {
  const std::size_t grouped = frames - frames % kGroupFrames;
  std::size_t frame = 0;
  for (; frame < grouped; frame += kGroupFrames) {
    std::int16_t* group = samples + frame * kChannels;
    rewrite(group);
    rewrite(group + kChannels);
    rewrite(group + 2 * kChannels);
    rewrite(group + 3 * kChannels);
  }
  for (; frame < frames; ++frame) rewrite(samples + frame * kChannels);
}

}  // namespace

void TStereoChanger::Apply(std::int16_t* samples, std::size_t frames) const {
  switch (Mode()) {
    case kStereoModeLeft:
      ForEachFrame(samples, frames, CopyLeft{});
      break;
    case kStereoModeRight:
      ForEachFrame(samples, frames, CopyRight{});
      break;
    case kStereoModeSum:
      ForEachFrame(samples, frames, HalfSum{});
      break;
    case kStereoModeDifference:
      ForEachFrame(samples, frames, HalfDifference{});
      break;
    default:
      break;  // stereo, or a mode this program does not know
  }
}

}  // namespace mosaicer
