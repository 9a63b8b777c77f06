#include "platform/thread_message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <tuple>
#include <vector>

namespace mosaicer {
namespace {

using namespace std::chrono_literals;

// Long enough never to expire on a loaded machine when the message does come.
constexpr auto kGenerousTimeout = 10s;
constexpr auto kPostDelay = 20ms;

// The message, wparam and lparam of `m`, to compare at once.
std::tuple<std::uint32_t, std::uint64_t, std::int64_t> Fields(const ThreadMessage& m) {
  return {m.message, m.wparam, m.lparam};
}

TEST(ThreadMessageQueue, MessagesLeaveInOrderAndPeekRemovesOnlyWhenAsked) {
  ThreadMessageQueue queue;
  ThreadMessage out{5, 6, 7};
  EXPECT_FALSE(queue.Peek(out, false));
  EXPECT_FALSE(queue.Peek(out, true));
  EXPECT_EQ(Fields(out), Fields({5, 6, 7}));  // left alone when empty
  queue.Post(ThreadMessage{7, 70, -70});
  queue.Post(8, 80, -80);
  queue.Post(9);
  ASSERT_TRUE(queue.Peek(out, false));
  ASSERT_TRUE(queue.Peek(out, false));
  ASSERT_EQ(queue.Size(), 3u);
  ASSERT_TRUE(queue.Peek(out, true));
  EXPECT_EQ(Fields(out), Fields({7, 70, -70}));
  queue.Get(out);
  EXPECT_EQ(Fields(out), Fields({8, 80, -80}));
  ASSERT_TRUE(queue.GetFor(out, 0ms));
  EXPECT_EQ(Fields(out), Fields({9, 0, 0}));
  EXPECT_EQ(queue.Size(), 0u);
}

TEST(ThreadMessageQueueTimedWait, WaitsEndWhenAnotherThreadPosts) {
  ThreadMessageQueue queue;
  std::atomic<bool> lastPosted{false};
  std::thread poster([&] {
    for (std::uint32_t message : {42u, 43u, 44u}) {
      std::this_thread::sleep_for(kPostDelay);
      lastPosted = message == 44;
      queue.Post(message);
    }
  });
  EXPECT_TRUE(queue.Wait(kGenerousTimeout));
  EXPECT_EQ(queue.Size(), 1u);  // Wait leaves the message queued
  ThreadMessage out;
  queue.Get(out);
  EXPECT_EQ(out.message, 42u);
  EXPECT_TRUE(queue.GetFor(out, kGenerousTimeout));
  EXPECT_EQ(out.message, 43u);
  queue.Get(out);
  EXPECT_TRUE(lastPosted);  // Get did not come back before the post
  EXPECT_EQ(out.message, 44u);
  poster.join();
}

TEST(ThreadMessageQueueStress, ProducersAndConsumersLoseAndReorderNothing) {
  constexpr int kProducers = 3, kConsumers = 2, kMessagesEach = 2000;
  constexpr std::uint32_t kData = 1, kQuit = 2;
  ThreadMessageQueue queue;
  // received[c][p]: the sequence numbers consumer c took from producer p.
  std::vector<std::vector<std::vector<std::int64_t>>> received(
      kConsumers, std::vector<std::vector<std::int64_t>>(kProducers));

  std::vector<std::thread> threads;
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&queue, &received, c] {
      // One consumer blocks, the other polls with a time-out, so both waiting
      // paths run under contention.
      for (ThreadMessage out;;) {
        if (c == 0)
          queue.Get(out);
        else if (!queue.GetFor(out, 1ms))
          continue;
        if (out.message == kQuit) return;
        received[c][out.wparam].push_back(out.lparam);
      }
    });
  }
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kMessagesEach; ++i) queue.Post(kData, p, i);
    });
  for (auto& t : producers) t.join();
  for (int c = 0; c < kConsumers; ++c) queue.Post(kQuit);
  for (auto& t : threads) t.join();

  for (int p = 0; p < kProducers; ++p) {
    std::vector<int> seen(kMessagesEach, 0);
    for (int c = 0; c < kConsumers; ++c) {
      const auto& numbers = received[c][p];
      for (std::size_t k = 0; k < numbers.size(); ++k) {
        ASSERT_TRUE(k == 0 || numbers[k - 1] < numbers[k]) << "producer " << p << " consumer " << c;
        ++seen.at(numbers[k]);
      }
    }
    for (int i = 0; i < kMessagesEach; ++i) ASSERT_EQ(seen[i], 1) << "producer " << p << " #" << i;
  }
}

}  // namespace
}  // namespace mosaicer
