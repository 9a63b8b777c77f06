#include "cli/progress.h"

#include "cli/interrupt.h"

#include <chrono>
#include <ostream>

namespace mosaicer::cli {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;

}  // namespace

int TerminalProgress::Callback(std::int8_t code, int value, void* context) {
  auto* self = static_cast<TerminalProgress*>(context);
  switch (code) {
    case kProgressSteps:
      self->total_ = value;
      self->done_ = 0;
      break;
    case kProgressStep:
      ++self->done_;
      break;
    case kProgressAllSteps:
      self->done_ = self->total_.load();
      break;
    case kProgressFailed:
    case kProgressDone:
    case kProgressEnded:
      self->ended_ = true;
      self->wake_.Set();
      break;
    default:
      break;
  }
  return 0;
}

void TerminalProgress::Draw(bool final) {
  if (!show_) return;
  const std::int64_t total = total_.load();
  const std::int64_t done = std::min(done_.load(), total);
  const int filled = total > 0 ? static_cast<int>(done * kBarWidth / total) : 0;
  err_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] " << done
       << "/" << total << " sectors" << (final ? "\n" : "") << std::flush;
  drawn_ = true;
}

void TerminalProgress::WaitForEnd(TJobOwner& owner) {
  InterruptScope scope;
  bool cancelSent = false;
  while (!ended_.load()) {
    if (InterruptScope::Interrupted() && !cancelSent) {
      owner.CancelJob();
      cancelSent = true;
    }
    Draw(false);
    wake_.WaitFor(kRedraw);
  }
  if (drawn_ || show_) Draw(true);
}

}  // namespace mosaicer::cli
