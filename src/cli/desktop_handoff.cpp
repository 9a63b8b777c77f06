#include "cli/desktop_handoff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mosaicer::cli {
namespace {

namespace fs = std::filesystem;

bool IsExecutableFile(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

fs::path FindDesktopProgram(const fs::path& programPath, const EnvironmentLookup& env) {
  if (programPath.has_parent_path()) {
    const fs::path beside = programPath.parent_path() / kDesktopProgramName;
    if (IsExecutableFile(beside)) return beside;
  }
  const std::string path = env("PATH");
  std::size_t start = 0;
  while (start <= path.size() && !path.empty()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(start, end - start);
    const fs::path candidate =
        (folder.empty() ? fs::path(".") : fs::path(folder)) / kDesktopProgramName;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

std::string ExecDesktopProgram(const fs::path& program, char** argv) {
  ::execv(program.c_str(), argv);
  return std::string("cannot start ") + program.string() + ": " + std::strerror(errno);
}

}  // namespace mosaicer::cli
