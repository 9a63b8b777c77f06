// The rule every command that writes a file follows: an existing output is
// replaced only with --force, and a read-only one never.
#pragma once

#include <string>

#include "cli/commands.h"

namespace mosaicer::cli {

// kExitSuccess when `path` may be written, otherwise the exit status after
// the message has been printed.
int CheckOutput(Io& io, const std::string& path, bool force);

// The -o/--output value; prints a usage error (and returns false) when missing.
bool OutputPath(const Args& args, Io& io, const std::string& command, std::string& path);

}  // namespace mosaicer::cli
