#include "player/wave_out.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "player/wave_device.h"

namespace mosaicer {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// 50 ms of 16-bit stereo at 44 100 Hz.
constexpr std::uint32_t kBufferBytes = 8820;
constexpr auto kBufferTime = 50ms;
constexpr int kShortTimeoutMs = 30;
constexpr auto kGenerous = 10s;

// A silent output of two short buffers, opened.
class TWaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(out.ConfigBuffers(kBufferBytes, 2));
    ASSERT_TRUE(out.Open());
  }
  bool Write() { return out.Write(block.data(), kBufferBytes); }

  std::vector<std::uint8_t> block = std::vector<std::uint8_t>(kBufferBytes + 1);
  TWaveOut out{std::make_unique<NullDevice>()};
};

TEST_F(TWaveOutTest, TwoBuffersTakeTwoWritesAtOnceTheThirdWaitsAndCloseLetsAllPlay) {
  EXPECT_FALSE(TWaveOut(std::make_unique<NullDevice>()).Write(block.data(), 4));  // not open
  EXPECT_FALSE(out.Write(block.data(), kBufferBytes + 1));  // more than a buffer
  out.SetTimeout(1);  // a write that had to wait for audio would fail
  const auto start = Clock::now();
  ASSERT_TRUE(Write());
  ASSERT_TRUE(Write());
  out.SetTimeout(0);
  ASSERT_TRUE(Write());
  // The first buffer cannot have played before its own playing time.
  EXPECT_GE(Clock::now() - start, kBufferTime - 5ms);
  ASSERT_TRUE(out.Close());
  EXPECT_GE(Clock::now() - start, 3 * kBufferTime - 5ms);
  EXPECT_FALSE(out.IsOpen());
  // Reopening after a close starts a fresh ring.
  ASSERT_TRUE(out.Open());
  out.SetTimeout(1);
  EXPECT_TRUE(Write());
}

// Paused, the queue is held so a write times out; a reset frees every
// queued buffer and releases a blocked writer; a restart plays on.
TEST_F(TWaveOutTest, PauseHoldsTheQueueResetFreesItAndRestartPlaysOn) {
  const int generous = static_cast<int>(std::chrono::milliseconds(kGenerous).count());
  ASSERT_TRUE(out.Pause());
  out.SetTimeout(kShortTimeoutMs);
  ASSERT_TRUE(Write());
  ASSERT_TRUE(Write());
  // Longer than both buffers' playing time: a paused clock consumes nothing.
  std::this_thread::sleep_for(3 * kBufferTime);
  const auto start = Clock::now();
  EXPECT_FALSE(Write());
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs) - 5ms);

  out.SetTimeout(generous);
  std::atomic<bool> third{false};
  auto writer = std::async(std::launch::async, [&] { third = Write(); });  // blocks: both queued
  std::this_thread::sleep_for(kBufferTime);
  ASSERT_TRUE(out.Reset());
  ASSERT_EQ(writer.wait_for(kGenerous), std::future_status::ready);
  EXPECT_TRUE(third);
  // The third write queued one buffer again after the reset; reset once more
  // and both buffers must be free, while still paused.
  ASSERT_TRUE(out.Reset());
  out.SetTimeout(kShortTimeoutMs);
  EXPECT_TRUE(Write());
  EXPECT_TRUE(Write());
  EXPECT_FALSE(Write());
  ASSERT_TRUE(out.Restart());
  out.SetTimeout(generous);
  EXPECT_TRUE(Write());
}

TEST(TWaveOutDevice, NullIsChosenWhenForcedOrAskedForByTheEnvironment) {
  EXPECT_NE(dynamic_cast<NullDevice*>(CreateWaveDevice(true).get()), nullptr);
  // The test run sets MOSAICER_AUDIO=null, so the default output is silent too.
  EXPECT_NE(dynamic_cast<NullDevice*>(CreateWaveDevice().get()), nullptr);
}

}  // namespace
}  // namespace mosaicer
