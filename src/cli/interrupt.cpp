#include "cli/interrupt.h"

#include <atomic>

namespace mosaicer::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t gInterrupted = 0;
std::atomic<int> gDepth{0};

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

InterruptScope::InterruptScope() {
  if (gDepth.fetch_add(1) != 0) return;
  outermost_ = true;
  gInterrupted = 0;
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

bool InterruptScope::Interrupted() { return gInterrupted != 0; }

}  // namespace mosaicer::cli
