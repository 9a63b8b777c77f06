#include "player/wave_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace mosaicer {
namespace {

WaveFormat CdFormat() {
  return {.channels = 2, .samplesPerSec = 44100, .avgBytesPerSec = 176400, .blockAlign = 4,
          .bitsPerSample = 16};
}

// Notices arrive on the device's thread; the test reads them on its own.
struct DoneLog {
  std::mutex mutex_;
  std::vector<const std::uint8_t*> done_;

  WaveDevice::DoneNotice Notice() {
    return [this](const std::uint8_t* data) {
      std::lock_guard lock(mutex_);
      done_.push_back(data);
    };
  }
  std::vector<const std::uint8_t*> Done() {
    std::lock_guard lock(mutex_);
    return done_;
  }
};

TEST(WaveQueue, TakesAcrossBufferEndsAndReportsEachBufferOnceEvenWhenDropped) {
  const std::uint8_t first[] = {1, 2, 3, 4, 5, 6}, second[] = {7, 8, 9, 10}, third[] = {11, 12};
  DoneLog log;
  WaveQueue queue;
  queue.Push(first, sizeof first);
  queue.Push(second, sizeof second);
  std::uint8_t out[8] = {};
  ASSERT_EQ(queue.Take(out, sizeof out, log.Notice()), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 8),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(log.Done(), std::vector<const std::uint8_t*>{first});
  EXPECT_TRUE(queue.Contains(second));
  EXPECT_FALSE(queue.Contains(first));
  ASSERT_EQ(queue.Take(out, sizeof out, log.Notice()), 2u);  // only what is left
  EXPECT_EQ(out[1], 10);
  EXPECT_EQ(log.Done(), (std::vector<const std::uint8_t*>{first, second}));
  EXPECT_TRUE(queue.Empty());

  queue.Push(first, sizeof first);
  queue.Push(third, sizeof third);
  queue.Take(out, 2, log.Notice());  // the head is half played
  queue.Drop(log.Notice());
  EXPECT_EQ(log.Done(), (std::vector<const std::uint8_t*>{first, second, first, third}));
  EXPECT_TRUE(queue.Empty());
}

TEST(NullDevice, ResetReportsTheQueueBeforeReturningAndCloseDropsSilently) {
  std::vector<std::uint8_t> first(176400), second(176400), third(176400);
  DoneLog log;
  NullDevice device;
  ASSERT_FALSE(device.Queue(first.data(), 4));  // not open
  ASSERT_TRUE(device.Open(kDefaultWaveDevice, CdFormat(), log.Notice()));
  EXPECT_FALSE(device.Open(kDefaultWaveDevice, CdFormat(), log.Notice()));
  ASSERT_TRUE(device.Pause());
  ASSERT_TRUE(device.Queue(first.data(), 176400));
  ASSERT_TRUE(device.Queue(second.data(), 176400));
  EXPECT_TRUE(device.IsQueued(second.data()));
  ASSERT_TRUE(device.Reset());
  EXPECT_EQ(log.Done(), (std::vector<const std::uint8_t*>{first.data(), second.data()}));
  EXPECT_FALSE(device.IsQueued(first.data()));

  ASSERT_TRUE(device.Queue(third.data(), 176400));
  ASSERT_TRUE(device.Close());
  EXPECT_EQ(log.Done().size(), 2u);
  EXPECT_FALSE(device.Close());
}

}  // namespace
}  // namespace mosaicer
