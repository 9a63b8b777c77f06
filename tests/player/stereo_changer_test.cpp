#include "player/stereo_changer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace mosaicer {
namespace {

// Four frames, so one whole group, each (left, right).
std::vector<std::int16_t> Block(std::int16_t left, std::int16_t right) {
  std::vector<std::int16_t> samples;
  for (int frame = 0; frame < 4; ++frame) {
    samples.push_back(left);
    samples.push_back(right);
  }
  return samples;
}

std::vector<std::int16_t> Applied(std::uint8_t mode, std::int16_t left, std::int16_t right) {
  TStereoChanger changer;
  changer.SetMode(mode);
  std::vector<std::int16_t> samples = Block(left, right);
  changer.Apply(samples.data(), samples.size() / 2);
  return samples;
}

TEST(TStereoChanger, DifferenceOfExtremesStaysInRange) {
  EXPECT_EQ(Applied(4, 32767, -32768), Block(32767, 32767));
  EXPECT_EQ(Applied(4, -32768, 32767), Block(-32768, -32768));
  EXPECT_EQ(Applied(4, 1000, 200), Block(400, 400));
}

TEST(TStereoChanger, SumRoundsTowardMinusInfinity) {
  EXPECT_EQ(Applied(3, -3, 0), Block(-2, -2));
  EXPECT_EQ(Applied(3, 3, 0), Block(1, 1));
  EXPECT_EQ(Applied(3, -32768, -32768), Block(-32768, -32768));
  EXPECT_EQ(Applied(3, 32767, 32767), Block(32767, 32767));
}

TEST(TStereoChanger, SingleChannelModesCopyThatChannel) {
  EXPECT_EQ(Applied(0, 5, -7), Block(5, -7));
  EXPECT_EQ(Applied(1, 5, -7), Block(5, 5));
  EXPECT_EQ(Applied(2, 5, -7), Block(-7, -7));
}

TEST(TStereoChanger, UnknownModeLeavesTheBlock) {
  EXPECT_EQ(Applied(5, 5, -7), Block(5, -7));
  EXPECT_EQ(Applied(255, 5, -7), Block(5, -7));
}

TEST(TStereoChanger, EveryFrameOfASectorChangesAndNothingBeyond) {
  constexpr std::size_t kSectorFrames = 588;
  constexpr std::int16_t kGuard = 12345;
  std::vector<std::int16_t> samples(kSectorFrames * 2 + 2, kGuard);
  for (std::size_t frame = 0; frame < kSectorFrames; ++frame) {
    samples[2 * frame] = static_cast<std::int16_t>(frame);
    samples[2 * frame + 1] = 0;
  }
  TStereoChanger changer;
  changer.SetMode(1);
  changer.Apply(samples.data(), kSectorFrames);
  for (std::size_t frame = 0; frame < kSectorFrames; ++frame) {
    ASSERT_EQ(samples[2 * frame + 1], static_cast<std::int16_t>(frame)) << frame;
  }
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
