#include "platform/auto_reset_event.h"

namespace mosaicer {

void AutoResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  // One signal is for one waiter; waking more would only send them back.
  signal_.notify_one();
}

void AutoResetEvent::Wait() {
  std::unique_lock lock(mutex_);
  signal_.wait(lock, [this] { return signalled_; });
  signalled_ = false;
}

bool AutoResetEvent::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!signal_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
  signalled_ = false;
  return true;
}

}  // namespace mosaicer
