#include "authoring/job_owner.h"

namespace mosaicer {

bool TJobOwner::SetProgressCallback(ProgressCallback callback, void* context) {
  if (JobStatus() != kJobIdle) return false;
  callback_ = callback;
  context_ = context;
  return true;
}

void TJobOwner::Report(std::int8_t code, int value) const {
  if (relay_ && !relay_(code, value)) return;
  if (callback_) callback_(code, value, context_);
}

}  // namespace mosaicer
