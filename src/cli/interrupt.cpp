#include "cli/interrupt.h"

namespace mosaicer::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

InterruptScope::InterruptScope() {
  gInterrupted = 0;
  previous_ = std::signal(SIGINT, OnInterrupt);
}

InterruptScope::~InterruptScope() { std::signal(SIGINT, previous_); }

bool InterruptScope::Interrupted() { return gInterrupted != 0; }

}  // namespace mosaicer::cli
