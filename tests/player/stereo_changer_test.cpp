#include "player/stereo_changer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace mosaicer {
namespace {

// Four frames, so one whole group, each (left, right).
std::vector<std::int16_t> Block(std::int16_t l, std::int16_t r) { return {l, r, l, r, l, r, l, r}; }

std::vector<std::int16_t> Applied(std::uint8_t mode, std::int16_t left, std::int16_t right) {
  TStereoChanger changer;
  changer.SetMode(mode);
  std::vector<std::int16_t> samples = Block(left, right);
  changer.Apply(samples.data(), samples.size() / 2);
  return samples;
}

// Mode, frame in, frame out: one channel copied to both, (L+R)/2 rounded
// toward minus infinity, (L-R)/2 kept in range; unknown modes change nothing.
TEST(TStereoChanger, EveryModeMakesEachFrameOfItsChannels) {
  const struct {
    std::uint8_t mode;
    std::int16_t left, right, outLeft, outRight;
  } cases[] = {
      {0, 5, -7, 5, -7},           {1, 5, -7, 5, 5},
      {2, 5, -7, -7, -7},          {3, -3, 0, -2, -2},
      {3, 3, 0, 1, 1},             {3, -32768, -32768, -32768, -32768},
      {3, 32767, 32767, 32767, 32767}, {4, 32767, -32768, 32767, 32767},
      {4, -32768, 32767, -32768, -32768}, {4, 1000, 200, 400, 400},
      {5, 5, -7, 5, -7},           {255, 5, -7, 5, -7},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Applied(c.mode, c.left, c.right), Block(c.outLeft, c.outRight))
        << int{c.mode} << ": " << c.left << ", " << c.right;
}

TEST(TStereoChanger, EveryFrameOfASectorChangesAndNothingBeyond) {
  constexpr std::size_t kSectorFrames = 588;
  constexpr std::int16_t kGuard = 12345;
  std::vector<std::int16_t> samples(kSectorFrames * 2 + 2, kGuard);
  for (std::size_t frame = 0; frame < kSectorFrames; ++frame)
    samples[2 * frame] = static_cast<std::int16_t>(frame), samples[2 * frame + 1] = 0;
  TStereoChanger changer;
  changer.SetMode(1);
  changer.Apply(samples.data(), kSectorFrames);
  for (std::size_t frame = 0; frame < kSectorFrames; ++frame)
    ASSERT_EQ(samples[2 * frame + 1], static_cast<std::int16_t>(frame)) << frame;
  EXPECT_EQ(samples[2 * kSectorFrames], kGuard);
  EXPECT_EQ(samples[2 * kSectorFrames + 1], kGuard);
}

// The player's window changes the mode while its worker applies it: every
// block comes out wholly in one mode (ThreadSanitizer checks the access).
TEST(TStereoChanger, AModeChangedDuringPlaybackAppliesToWholeBlocks) {
  TStereoChanger changer;
  std::atomic<bool> done{false};
  std::thread window([&] {
    for (std::uint8_t m = 0; !done; m = static_cast<std::uint8_t>((m + 1) % kStereoModeCount))
      changer.SetMode(m);
  });
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::int16_t> samples = Block(1000, 3000);
    changer.Apply(samples.data(), samples.size() / 2);
    const bool whole = samples == Block(1000, 3000) || samples == Block(1000, 1000) ||
                       samples == Block(3000, 3000) || samples == Block(2000, 2000) ||
                       samples == Block(-1000, -1000);
    ASSERT_TRUE(whole) << "block " << i;
  }
  done = true;
  window.join();
}

}  // namespace
}  // namespace mosaicer
