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
  if (InterruptScope::Interrupted() && self->owner_ != nullptr && !self->owner_->CancelRequested() &&
      code == kProgressStep)
    self->owner_->CancelJob();
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
      if (self->drawAsReported_ && self->drawn_) self->Draw(true);
      return 0;
    default:
      return 0;
  }
  if (self->drawAsReported_) self->Draw(false);
  return 0;
}

void TerminalProgress::Draw(bool final) {
  if (!show_) return;
  const std::int64_t total = total_.load();
  const std::int64_t done = std::min(done_.load(), total);
  const int filled = total > 0 ? static_cast<int>(done * kBarWidth / total) : 0;
  if (!final && drawAsReported_ && filled == filled_) return;  // nothing moved
  filled_ = filled;
  err_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] " << done
       << "/" << total << (final ? "\n" : "") << std::flush;
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
