// Where `mosaicer` without a command finds the desktop application: the
// command line links no window code, so it hands over to the separate
// `mosaicer-gui` program, installed beside it or somewhere on PATH.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_util.h"

namespace mosaicer::cli {

inline constexpr const char* kDesktopProgramName = "mosaicer-gui";

// The desktop application's program: `mosaicer-gui` in the folder of
// `programPath` first, then in each folder of $PATH (empty entries mean the
// current folder, as for the shell). Only executable regular files count.
// Empty when there is none.
std::filesystem::path FindDesktopProgram(const std::filesystem::path& programPath,
                                         const EnvironmentLookup& env = ProcessEnvironment);

// Replaces the running process with `program`, its arguments `argv` (argv[0]
// included) and the same environment. Returns only when that failed, with
// the reason.
std::string ExecDesktopProgram(const std::filesystem::path& program, char** argv);

// The line printed after the help when there is no desktop application.
inline constexpr const char* kNoDesktopProgram =
    "mosaicer: the desktop application (mosaicer-gui) is not installed; "
    "the commands above work without it.";

}  // namespace mosaicer::cli
