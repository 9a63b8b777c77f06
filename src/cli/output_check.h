// The rules every command follows for its files: an existing output is
// replaced only with --force, and a read-only one never; no output is ever
// one of the command's inputs; every input is checked to be what it must be
// before anything reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/file_util.h"

namespace mosaicer::cli {

// kExitSuccess when `path` may be written, otherwise the exit status after
// the message has been printed.
int CheckOutput(Io& io, const std::string& path, bool force);

// Refuses (exit status 1, with a message) an output that is one of the
// inputs, by device and inode, or two outputs that are one file; --force
// changes nothing here. Empty names are skipped.
int CheckOutputsAreNotInputs(Io& io, const std::vector<std::string>& outputs,
                             const std::vector<std::string>& inputs);

// kExitSuccess when `path` is a readable input of the kind and size given,
// otherwise the exit status after the message has been printed.
int CheckInput(Io& io, const std::string& path, std::uint64_t maxBytes = kNoSizeLimit,
               InputKind kind = InputKind::File);

// The -o/--output value; prints a usage error (and returns false) when missing.
bool OutputPath(const Args& args, Io& io, const std::string& command, std::string& path);

}  // namespace mosaicer::cli
