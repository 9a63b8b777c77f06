#include "cli/output_check.h"

#include <filesystem>
#include <ostream>

#include "authoring/creation_job.h"
#include "authoring/messages.h"
#include "platform/language.h"

namespace mosaicer::cli {

int CheckOutput(Io& io, const std::string& path, bool force) {
  switch (CheckSaveTarget(path)) {
    case SaveTarget::Fresh:
      return kExitSuccess;
    case SaveTarget::Protected:
      return Failure(io, CannotOverwriteMessage(path));
    case SaveTarget::Existing:
      if (force) return kExitSuccess;
      return Failure(io, Format(Tr("%1 already exists (use --force to replace it)"),
                                {IoStatus::Quoted(path)}));
  }
  return kExitFailure;
}

int CheckOutputsAreNotInputs(Io& io, const std::vector<std::string>& outputs,
                             const std::vector<std::string>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].empty()) continue;
    for (const std::string& input : inputs)
      if (!input.empty() && SameFile(outputs[i], input))
        return Failure(io, IoStatus::Quoted(outputs[i]) + " is an input of this command (" +
                               IoStatus::Quoted(input) +
                               "); it is never written over: choose another output file");
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      const bool same = SameFile(outputs[i], outputs[j]) ||
                        std::filesystem::path(outputs[i]).lexically_normal() ==
                            std::filesystem::path(outputs[j]).lexically_normal();
      if (!outputs[j].empty() && same)
        return Failure(io, IoStatus::Quoted(outputs[i]) + " is given for two outputs");
    }
  }
  return kExitSuccess;
}

int CheckInput(Io& io, const std::string& path, std::uint64_t maxBytes, InputKind kind) {
  if (const IoStatus checked = CheckInputFile(path, maxBytes, kind); !checked)
    return Failure(io, checked.error());
  return kExitSuccess;
}

bool OutputPath(const Args& args, Io& io, const std::string& command, std::string& path) {
  path = args.Value("output");
  if (!path.empty()) return true;
  UsageError(io, command, Tr("give the output file with -o"));
  return false;
}

}  // namespace mosaicer::cli
