#include "cli/interrupt.h"

#include <atomic>

namespace mosaicer::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Set by the signal handler on the main thread and read by the job's
// workers: a lock-free atomic, which a handler may store to.
std::atomic<int> gInterrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> gDepth{0};

extern "C" void OnInterrupt(int) { gInterrupted.store(1, std::memory_order_relaxed); }

}  // namespace

InterruptScope::InterruptScope() {
  if (gDepth.fetch_add(1) != 0) return;
  outermost_ = true;
  gInterrupted.store(0, std::memory_order_relaxed);
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptScope::~InterruptScope() {
  if (outermost_)
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  gDepth.fetch_sub(1);
}

bool InterruptScope::Interrupted() { return gInterrupted.load(std::memory_order_relaxed) != 0; }

}  // namespace mosaicer::cli
