#include "platform/thread_message_queue.h"

#include <utility>

namespace mosaicer {

void ThreadMessageQueue::Post(const ThreadMessage& message) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  // Notifying after unlocking spares the woken thread from blocking on the
  // mutex we still hold.
  posted_.notify_one();
}

void ThreadMessageQueue::Post(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  Post(ThreadMessage{message, wparam, lparam});
}

bool ThreadMessageQueue::Peek(ThreadMessage& out, bool remove) {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return false;
  out = messages_.front();
  if (remove) messages_.pop_front();
  return true;
}

void ThreadMessageQueue::Get(ThreadMessage& out) {
  std::unique_lock lock(mutex_);
  posted_.wait(lock, [this] { return !messages_.empty(); });
  out = messages_.front();
  messages_.pop_front();
}

bool ThreadMessageQueue::GetFor(ThreadMessage& out, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); })) return false;
  out = messages_.front();
  messages_.pop_front();
  return true;
}

bool ThreadMessageQueue::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); });
}

std::size_t ThreadMessageQueue::Size() const {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

}  // namespace mosaicer
