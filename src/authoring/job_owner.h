// The protocol between a window that runs a long job on a worker thread and
// the progress dialog that shows it. The owner keeps a status byte that both
// threads write and the dialog's callback; the worker reports through the
// callback and tests the status between units of work.
#pragma once

#include <atomic>
#include <cstdint>

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

 private:
  std::atomic<std::uint8_t> jobStatus_{kJobIdle};
  ProgressCallback callback_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace mosaicer
