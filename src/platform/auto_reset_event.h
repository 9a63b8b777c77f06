// An event that lets one waiting thread through per signal and then closes
// again by itself. A signal given while nobody waits is kept for the next
// wait; signals do not add up, so two signals before a wait release it once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace mosaicer {

class AutoResetEvent {
 public:
  AutoResetEvent() = default;
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  // Signals the event: releases one waiter, or the next wait if none waits.
  void Set();

  // Waits for a signal and consumes it.
  void Wait();
  // Waits up to `timeout` for a signal; true when one was consumed. A zero or
  // negative timeout only takes a signal that is already there.
  bool WaitFor(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable signal_;
  bool signalled_ = false;
};

}  // namespace mosaicer
