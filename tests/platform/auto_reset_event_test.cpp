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
// How long a waiter that should stay blocked is watched for.
constexpr auto kSettleTime = 50ms;

TEST(AutoResetEventSignal, SetBeforeWaitIsKeptForTheNextWait) {
  AutoResetEvent event;
  event.Set();
  EXPECT_TRUE(event.WaitFor(0ms));
  // Taking the signal closed the event again.
  EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(AutoResetEventSignal, TwoSetsBeforeAWaitReleaseOnlyOneWait) {
  AutoResetEvent event;
  event.Set();
  event.Set();
  event.Wait();
  EXPECT_FALSE(event.WaitFor(kShortTimeout));
}

TEST(AutoResetEventSignal, StartsSignalledWhenAsked) {
  AutoResetEvent event(true);
  EXPECT_TRUE(event.WaitFor(0ms));
  EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(AutoResetEventSignal, ResetWithdrawsAPendingSignal) {
  AutoResetEvent event;
  event.Set();
  event.Reset();
  EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(AutoResetEventTimedWait, WaitForTimesOutWithoutASignal) {
  AutoResetEvent event;
  const auto start = Clock::now();
  EXPECT_FALSE(event.WaitFor(kShortTimeout));
  EXPECT_GE(Clock::now() - start, kShortTimeout);
}

TEST(AutoResetEventTimedWait, WaitForSucceedsWhenSetFromAnotherThread) {
  AutoResetEvent event;
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.Set();
  });
  EXPECT_TRUE(event.WaitFor(kGenerousTimeout));
  setter.join();
  EXPECT_FALSE(event.WaitFor(0ms));
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
  EXPECT_EQ(released, 1);
  std::this_thread::sleep_for(kSettleTime);
  EXPECT_EQ(released, 1);

  // Keep signalling until both are through, so a faulty event cannot leave a
  // waiter behind and hang the join.
  while (released < 2 && Clock::now() < deadline) {
    event.Set();
    std::this_thread::sleep_for(1ms);
  }
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released, 2);
}

TEST(AutoResetEventWaiters, PingPongLosesNoSignal) {
  constexpr int kRounds = 2000;
  AutoResetEvent ping;
  AutoResetEvent pong;
  int counter = 0;  // handed back and forth; the events order the accesses
  std::thread partner([&] {
    for (int i = 0; i < kRounds; ++i) {
      if (!ping.WaitFor(kGenerousTimeout)) return;
      ++counter;
      pong.Set();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ping.Set();
    if (!pong.WaitFor(kGenerousTimeout)) {
      ADD_FAILURE() << "signal lost in round " << i;
      break;
    }
    if (counter != i + 1) {
      ADD_FAILURE() << "round " << i << " saw counter " << counter;
      break;
    }
  }
  partner.join();
}

}  // namespace
}  // namespace mosaicer
