// The protocol between a window that runs a long job on a worker thread and
// the progress dialog that shows it. The owner keeps a status byte that both
// threads write and the dialog's callback; the worker reports through the
// callback and tests the status between units of work.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

namespace mosaicer {

enum JobStatusValue : std::uint8_t {
  kJobIdle = 0,
  kJobRunning = 1,  // the ripper only
  kJobFailed = 2,
  kJobSucceeded = 3,
  kJobCancelRequested = 4,
};

// Codes the worker sends; the value is 0 except with kProgressSteps.
enum ProgressCode : std::int8_t {
  kProgressFailed = 0,      // the job ended in failure or was cancelled
  kProgressDone = 1,        // the job ended normally
  kProgressEnded = 2,       // the job ended
  kProgressNextTrack = 3,   // batches: the next file begins
  kProgressBeginBatch = 4,  // batches: value = number of files
  kProgressSteps = 6,       // value = number of steps to expect
  kProgressAllSteps = 7,    // every step is done
  kProgressStep = 8,        // one step is done
};

// Called on the worker thread; `context` is the value registered with it.
using ProgressCallback = int (*)(std::int8_t code, int value, void* context);

class TJobOwner {
 public:
  // Registers the dialog's callback; refused (nothing changes) unless the
  // owner is idle.
  bool SetProgressCallback(ProgressCallback callback, void* context);
  // Asks the running job to stop at its next check.
  void CancelJob() { jobStatus_.store(kJobCancelRequested); }

  std::uint8_t JobStatus() const { return jobStatus_.load(); }
  void SetJobStatus(std::uint8_t status) { jobStatus_.store(status); }
  bool CancelRequested() const { return JobStatus() == kJobCancelRequested; }

  // Sends a code to the registered callback, if any.
  void Report(std::int8_t code, int value = 0) const;

 protected:
  // For a job that runs in stages and shows them as one: while a relay is
  // set, every code passes through it first; it may change the value, and
  // answers false to hold the code back. Set and cleared on the worker.
  using ProgressRelay = std::function<bool(std::int8_t code, int& value)>;
  void SetProgressRelay(ProgressRelay relay) { relay_ = std::move(relay); }

 private:
  ProgressRelay relay_;
  std::atomic<std::uint8_t> jobStatus_{kJobIdle};
  ProgressCallback callback_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace mosaicer
