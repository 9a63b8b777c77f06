#include "platform/file_util.h"

#include "platform/language.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
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

// Portable use: the program's folder is writable and is either a portable
// folder, which carries its settings beside the program (an unpacked copy
// ships a mosaicer.ini), or lies in a build tree (CMakeCache.txt in it or
// just above it). Being writable alone is not enough: an installation in
// /usr/local/bin run as root, or in ~/.local/bin, keeps its settings in the
// user's folders. A bare name (found on the PATH) says nothing about where
// the program is, so it never counts.
bool IsPortable(const fs::path& programPath) {
  const fs::path folder = programPath.parent_path();
  if (folder.empty() || !IsWritableFolder(folder)) return false;
  // The desktop application names its settings after itself (mosaicer-gui.ini).
  const std::string own = programPath.stem().string() + ".ini";
  for (const std::string& settings : {std::string(kSettingsFileName), own,
                                      std::string(kDriveSettingsFileName)})
    if (FileExists(folder / settings)) return true;
  constexpr const char* kBuildTreeMark = "CMakeCache.txt";
  return FileExists(folder / kBuildTreeMark) || FileExists(folder.parent_path() / kBuildTreeMark);
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

bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat infoA, infoB;
  if (::stat(a.c_str(), &infoA) != 0 || ::stat(b.c_str(), &infoB) != 0) return false;
  return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

namespace {

// The checks of CheckInputFile on a stat result.
IoStatus CheckInputInfo(const fs::path& path, const struct stat& info, std::uint64_t maxBytes,
                        InputKind kind) {
  if (S_ISDIR(info.st_mode))
    return IoStatus::CannotRead(path, Tr("it is a folder"));
  const bool device = S_ISBLK(info.st_mode) || S_ISCHR(info.st_mode);
  if (!S_ISREG(info.st_mode) && !(device && kind == InputKind::FileOrDevice))
    return IoStatus::CannotRead(path, Tr("not a regular file"));
  if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > maxBytes)
    return IoStatus::CannotRead(path, Format(Tr("too large (%1 bytes, at most %2)"),
                                             {std::to_string(info.st_size), std::to_string(maxBytes)}));
  return IoStatus::Ok();
}

IoStatus ReadFailure(const fs::path& path, int code) {
  if (code == ENOENT || code == ENOTDIR)
    return IoStatus::CannotRead(path, Tr("not found"));
  return IoStatus::FromErrno("read", path, code);
}

}  // namespace

IoStatus CheckInputFile(const fs::path& path, std::uint64_t maxBytes, InputKind kind) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return ReadFailure(path, errno);
  return CheckInputInfo(path, info, maxBytes, kind);
}

IoStatus ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes,
                       std::uint64_t maxBytes) {
  bytes.clear();
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return ReadFailure(path, errno);
  // Checked on the open file, so what was checked is what is read.
  struct stat info;
  if (::fstat(file.get(), &info) != 0) return ReadFailure(path, errno);
  if (IoStatus s = CheckInputInfo(path, info, maxBytes, InputKind::File); !s) return s;
  if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
  // The size is only a hint: the loop reads to the end, and a file that
  // grows past the limit meanwhile is refused as too large.
  std::vector<std::uint8_t> chunk(kReadChunk);
  for (;;) {
    const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int code = errno;
      bytes.clear();
      return ReadFailure(path, code);
    }
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      bytes.clear();
      return IoStatus::CannotRead(path, Format(Tr("too large (at most %1 bytes)"),
                                               {std::to_string(maxBytes)}));
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  return IoStatus::Ok();
}

IoStatus WriteWholeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  return WriteFileAtomically(path, bytes.data(), bytes.size());
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

fs::path UserEffectFolder(const fs::path& programPath, const EnvironmentLookup& env) {
  const std::string home = env(kHomeVariable);
  if (!home.empty()) return fs::path(home) / kEffectFolderName;
  if (IsPortable(programPath)) return programPath.parent_path() / kEffectFolderName;
  const fs::path base = XdgFolder(env, "XDG_DATA_HOME", fs::path(".local") / "share");
  return base.empty() ? base : base / kAppFolderName / kEffectFolderName;
}

bool HoldsEffectFiles(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return false;
  for (const fs::directory_entry& entry : entries) {
    std::string extension = entry.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == kEffectExtension && entry.is_regular_file(error)) return true;
  }
  return false;
}

fs::path SharedEffectFolder(const fs::path& programPath, const EnvironmentLookup& env) {
  std::vector<fs::path> candidates;
  // <prefix>/bin/mosaicer -> <prefix>/share/mosaicer/Tlo
  const fs::path bin = programPath.parent_path();
  if (!bin.empty() && bin.has_parent_path()) {
    candidates.push_back(bin.parent_path() / "share" / kAppFolderName / kEffectFolderName);
  }
  const std::string dataDirs = env("XDG_DATA_DIRS");
  std::size_t start = 0;
  while (start < dataDirs.size()) {
    std::size_t end = dataDirs.find(':', start);
    if (end == std::string::npos) end = dataDirs.size();
    const fs::path folder = dataDirs.substr(start, end - start);
    if (folder.is_absolute()) candidates.push_back(folder / kAppFolderName / kEffectFolderName);
    start = end + 1;
  }
  for (const fs::path& candidate : candidates) {
    if (HoldsEffectFiles(candidate)) return candidate;
  }
  return {};
}

fs::path EffectFolder(const fs::path& programPath, const EnvironmentLookup& env) {
  const fs::path own = UserEffectFolder(programPath, env);
  if (!env(kHomeVariable).empty() || HoldsEffectFiles(own)) return own;
  const fs::path shared = SharedEffectFolder(programPath, env);
  return shared.empty() ? own : shared;
}

}  // namespace mosaicer
