#include "platform/auto_reset_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace mosaicer {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kShortTimeout = 30ms;
constexpr auto kGenerousTimeout = 10s;

TEST(AutoResetEventSignal, SetIsKeptForOneWaitOnlyAndATimedWaitExpiresWithoutOne) {
  AutoResetEvent event;
  event.Set();
  event.Set();  // signals do not add up
  EXPECT_TRUE(event.WaitFor(0ms));
  EXPECT_FALSE(event.WaitFor(0ms));
  const auto start = Clock::now();
  EXPECT_FALSE(event.WaitFor(kShortTimeout));
  EXPECT_GE(Clock::now() - start, kShortTimeout);

  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.Set();
  });
  EXPECT_TRUE(event.WaitFor(kGenerousTimeout));
  setter.join();
}

TEST(AutoResetEventWaiters, OneSetReleasesExactlyOneOfTwoWaiters) {
  AutoResetEvent event;
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&] {
      event.Wait();
      ++released;
    });
  }

  event.Set();
  const auto deadline = Clock::now() + kGenerousTimeout;
  while (released < 1 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(50ms);  // give a wrongly released second waiter time to show
  EXPECT_EQ(released, 1);

  // Keep signalling until both are through, so a faulty event cannot hang the join.
  while (released < 2 && Clock::now() < deadline) {
    event.Set();
    std::this_thread::sleep_for(1ms);
  }
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released, 2);
}

}  // namespace
}  // namespace mosaicer
