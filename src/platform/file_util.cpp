#include "platform/file_util.h"

#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
// Files we create get read and write for everyone the umask allows.
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
// mkstemp replaces exactly these six characters.
constexpr std::string_view kUniqueSuffix = "XXXXXX";
constexpr std::size_t kReadChunk = 64 * 1024;

// Writable in the same sense as IsReadOnly: permitted for this user and not
// marked read-only for everybody.
bool IsWritable(const fs::path& path, const struct stat& info) {
  return ::access(path.c_str(), W_OK) == 0 && (info.st_mode & kAnyWriteBit) != 0;
}

bool IsWritableFolder(const fs::path& folder) {
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return IsWritable(folder, info);
}

// Portable use needs to know where the program is; a bare name (found on
// the PATH) says nothing about that, so it never counts as writable.
bool IsPortable(const fs::path& programPath) {
  const fs::path folder = programPath.parent_path();
  return !folder.empty() && IsWritableFolder(folder);
}

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback below $HOME. Empty when neither can be had.
fs::path XdgFolder(const EnvironmentLookup& env, const char* variable,
                   const fs::path& fallbackBelowHome) {
  const fs::path value = env(variable);
  if (value.is_absolute()) return value;
  const std::string home = env("HOME");
  if (home.empty()) return {};
  return fs::path(home) / fallbackBelowHome;
}

}  // namespace

bool FileExists(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool FolderExists(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool IsReadOnly(const fs::path& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  return !IsWritable(path, info);
}

bool CanReplace(const fs::path& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) return false;
  return IsWritable(path, info);
}

fs::path TempFolder() {
  std::error_code error;
  fs::path folder = fs::temp_directory_path(error);
  if (error) return {};
  return folder;
}

fs::path MakeTempFile(const fs::path& folder, std::string_view prefix) {
  if (prefix.find('/') != std::string_view::npos) return {};
  std::string name = (folder / prefix).string();
  name += kUniqueSuffix;
  // mkstemp writes the chosen name back into the buffer it is given.
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  UniqueFd file(::mkstemp(buffer.data()));
  if (!file.valid()) return {};
  if (!file.Close()) return {};
  return fs::path(buffer.data());
}

bool CreateFolders(const fs::path& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return FolderExists(path);
}

bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return false;
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  // The size is only a hint: the loop reads to the end whatever it turns out
  // to be, which also covers pipes and files that grow meanwhile.
  if (S_ISREG(info.st_mode) && info.st_size > 0)
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::vector<std::uint8_t> chunk(kReadChunk);
  for (;;) {
    const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return false;
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  return true;
}

bool WriteWholeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
  if (!file.valid() || !WriteAll(file.get(), bytes.data(), bytes.size())) return false;
  // Some file systems report a failed write only when the file is closed.
  return file.Close();
}

fs::path ProgramPath() {
  std::error_code error;
  fs::path path = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return path;
}

std::string ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

fs::path SettingsFolder(const fs::path& programPath, const EnvironmentLookup& env) {
  const std::string home = env(kHomeVariable);
  if (!home.empty()) return fs::path(home);
  if (IsPortable(programPath)) return programPath.parent_path();
  const fs::path base = XdgFolder(env, "XDG_CONFIG_HOME", ".config");
  return base.empty() ? base : base / kAppFolderName;
}

fs::path EffectFolder(const fs::path& programPath, const EnvironmentLookup& env) {
  const std::string home = env(kHomeVariable);
  if (!home.empty()) return fs::path(home) / kEffectFolderName;
  if (IsPortable(programPath)) return programPath.parent_path() / kEffectFolderName;
  const fs::path base = XdgFolder(env, "XDG_DATA_HOME", fs::path(".local") / "share");
  return base.empty() ? base : base / kAppFolderName / kEffectFolderName;
}

}  // namespace mosaicer
