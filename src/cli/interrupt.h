// Ctrl-C as the cancel button of a long command: while a scope lives, SIGINT
// only raises a flag that the waiting loop turns into a cancel request.
#pragma once

#include <csignal>

namespace mosaicer::cli {

class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

  // True once Ctrl-C was pressed while the scope lived.
  static bool Interrupted();

 private:
  void (*previous_)(int) = SIG_DFL;
};

}  // namespace mosaicer::cli
