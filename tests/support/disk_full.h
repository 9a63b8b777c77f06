// A full disk for the life of an object: any write that would take a file of
// this process past the given size fails (EFBIG), as a write to a full disk
// does. Files already larger stay readable.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace mosaicer::testing {

class DiskFullAfter {
 public:
  explicit DiskFullAfter(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // The limit would otherwise end the process instead of failing the write.
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~DiskFullAfter() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  DiskFullAfter(const DiskFullAfter&) = delete;
  DiskFullAfter& operator=(const DiskFullAfter&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = SIG_DFL;
};

// Names of the files in `folder` that a writer left under a temporary name.
inline std::vector<std::string> LeftoverTempFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0) names.push_back(name);
  }
  return names;
}

}  // namespace mosaicer::testing
