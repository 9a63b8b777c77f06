#include "cli/output_check.h"

#include <ostream>

#include "authoring/creation_job.h"
#include "authoring/messages.h"

namespace mosaicer::cli {

int CheckOutput(Io& io, const std::string& path, bool force) {
  switch (CheckSaveTarget(path)) {
    case SaveTarget::Fresh:
      return kExitSuccess;
    case SaveTarget::Protected:
      return Failure(io, CannotOverwriteMessage(path));
    case SaveTarget::Existing:
      if (force) return kExitSuccess;
      return Failure(io, "\"" + path + "\" already exists (use --force to replace it)");
  }
  return kExitFailure;
}

bool OutputPath(const Args& args, Io& io, const std::string& command, std::string& path) {
  path = args.Value("output");
  if (!path.empty()) return true;
  UsageError(io, command, "give the output file with -o");
  return false;
}

}  // namespace mosaicer::cli
