// Ctrl-C, SIGTERM and SIGHUP as the cancel button of a command: while a
// scope lives, they only raise a flag that the command's waiting loop or
// progress callback turns into a cancel request, so the job ends the way a
// cancel ends it (the partial output kept under its name, exit status 3).
// Scopes nest; the outermost one installs and restores the handlers.
#pragma once

#include <csignal>

namespace mosaicer::cli {

class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

  // True once one of the signals arrived while a scope lived.
  static bool Interrupted();

 private:
  struct sigaction previous_[3] = {};
  bool outermost_ = false;
};

}  // namespace mosaicer::cli
