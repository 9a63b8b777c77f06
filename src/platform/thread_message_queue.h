// A queue of messages that other threads post to one consuming thread, the
// way a worker reports to the thread that owns it. Posting never waits for
// the consumer; messages come out in the order they were posted.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace mosaicer {

// One posted message: a code and two parameters whose meaning the code gives.
struct ThreadMessage {
  std::uint32_t message = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
};

// Safe to share between any number of posting threads and consumers; usually
// one thread consumes. The queue has no size limit.
class ThreadMessageQueue {
 public:
  ThreadMessageQueue() = default;
  ThreadMessageQueue(const ThreadMessageQueue&) = delete;
  ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

  // Appends a message and wakes one waiting consumer.
  void Post(const ThreadMessage& message);
  void Post(std::uint32_t message, std::uint64_t wparam = 0, std::int64_t lparam = 0);

  // Copies the oldest message into `out` without waiting; with `remove` the
  // message also leaves the queue. False (and `out` untouched) when empty.
  bool Peek(ThreadMessage& out, bool remove);

  // Waits as long as it takes for a message, then removes it into `out`.
  void Get(ThreadMessage& out);

  // Waits up to `timeout` for a message and removes it into `out`. False when
  // none arrived in time.
  bool GetFor(ThreadMessage& out, std::chrono::milliseconds timeout);

  // Waits up to `timeout` until a message is queued, leaving it there. True
  // when one is waiting. A zero or negative timeout only looks.
  bool Wait(std::chrono::milliseconds timeout);

  std::size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<ThreadMessage> messages_;
};

}  // namespace mosaicer
