// Progress of a long job on the terminal, and Ctrl-C as its cancel button.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>

#include "authoring/job_owner.h"
#include "platform/auto_reset_event.h"

namespace mosaicer::cli {

// Receives a job's progress codes and draws a bar from them on stderr when
// that is a terminal. A job on a worker thread is drawn by the thread that
// waits for it (WaitForEnd); an operation that runs on the calling thread
// is drawn as its codes come in (`drawAsReported`).
class TerminalProgress {
 public:
  // `show`: draw the bar (stderr is a terminal and -q was not given).
  TerminalProgress(std::ostream& err, bool show, bool drawAsReported = false)
      : err_(err), show_(show), drawAsReported_(drawAsReported) {}

  // Registers with the job's owner. An interrupt that arrives while the job
  // reports becomes its cancel request.
  bool Attach(TJobOwner& owner) {
    owner_ = &owner;
    return owner.SetProgressCallback(&Callback, this);
  }
  // Waits until the job sends an end code, redrawing the bar and turning
  // Ctrl-C into a cancel request. Installs the SIGINT handler for the wait.
  void WaitForEnd(TJobOwner& owner);

 private:
  static int Callback(std::int8_t code, int value, void* context);
  void Draw(bool final);

  TJobOwner* owner_ = nullptr;
  std::ostream& err_;
  bool show_;
  bool drawAsReported_;
  int filled_ = -1;  // hashes last drawn: the bar is redrawn only when it moves
  std::atomic<std::int64_t> total_{0};
  std::atomic<std::int64_t> done_{0};
  std::atomic<bool> ended_{false};
  AutoResetEvent wake_;  // set with the end code, so the wait ends at once
  bool drawn_ = false;
};

}  // namespace mosaicer::cli
