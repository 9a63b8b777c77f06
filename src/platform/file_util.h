// File and folder helpers shared by every reader and writer: existence tests,
// the test that decides whether an existing file may be saved over, unique
// temporary files, whole-file reads and writes, and where settings and effect
// files live. Failures come back as results; nothing here reports to a user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io_status.h"

namespace mosaicer {

// True for an existing regular file (after following links).
bool FileExists(const std::filesystem::path& path);
// True for an existing folder (after following links).
bool FolderExists(const std::filesystem::path& path);

// True when the file's attributes can be read and it is read-only: this user
// may not write to it, or its mode has no write bit at all. The mode check
// keeps a file that everybody sees as read-only protected from the superuser
// too, whom the permission check always lets through.
bool IsReadOnly(const std::filesystem::path& path);
// The test made before saving over an existing file: true only when its
// attributes can be read, it is not a folder and it is not read-only. A
// missing file gives false; callers ask only about files that exist.
bool CanReplace(const std::filesystem::path& path);

// The system's folder for temporary files ($TMPDIR, else /tmp); empty when
// there is none.
std::filesystem::path TempFolder();
// Creates a new, empty file in `folder` whose name is `prefix` followed by
// characters that make it unique, and returns its path. Empty when the file
// cannot be created or the prefix holds a '/'. The caller deletes the file.
std::filesystem::path MakeTempFile(const std::filesystem::path& folder, std::string_view prefix);

// Creates the folder and any missing parents. True when the folder exists
// afterwards, whether or not it had to be made.
bool CreateFolders(const std::filesystem::path& path);

// True when both paths name one existing file (same device and inode), so a
// job must not write the one while it reads the other.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

inline constexpr std::uint64_t kNoSizeLimit = UINT64_MAX;

// What an input may be besides a regular file.
enum class InputKind {
  File,          // a regular file (after following links)
  FileOrDevice,  // a regular file, or a block or character device
};

// Checks that `path` can serve as a job's input before anything reads it: it
// exists, is of the kind asked and holds at most `maxBytes`. The failure
// names the file: "cannot read "x": not found", "... is a folder", ...
IoStatus CheckInputFile(const std::filesystem::path& path, std::uint64_t maxBytes = kNoSizeLimit,
                        InputKind kind = InputKind::File);

// Reads the whole of a regular file of at most `maxBytes` into `bytes`. On
// failure (missing, not a regular file, too large, a read error) `bytes` is
// left empty and the status says which.
IoStatus ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                       std::uint64_t maxBytes = kNoSizeLimit);
// Replaces the file with `bytes`: written under a temporary name beside it and
// renamed over it, so a failure (a full disk, a crash) leaves the old file.
IoStatus WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Looks up an environment variable; an unset variable reads as empty.
using EnvironmentLookup = std::function<std::string(const char* name)>;
// The process environment, the lookup the program itself uses.
std::string ProcessEnvironment(const char* name);

// Names of the variables and folders the two lookups below use.
inline constexpr const char* kHomeVariable = "MOSAICER_HOME";
inline constexpr const char* kEffectFolderName = "Tlo";
inline constexpr const char* kAppFolderName = "mosaicer";
inline constexpr const char* kEffectExtension = ".tlo";
inline constexpr const char* kSettingsFileName = "mosaicer.ini";
inline constexpr const char* kDriveSettingsFileName = "Drive.ini";

// The running program's own file, absolute; empty when it cannot be found.
std::filesystem::path ProgramPath();

// The folder that holds the settings files (mosaicer.ini, Drive.ini), chosen
// in this order:
//   1. $MOSAICER_HOME when set and not empty;
//   2. the folder of `programPath` in portable use: the folder is writable
//      and already holds mosaicer.ini, <program name>.ini or Drive.ini (a
//      portable folder), or lies in a build tree (a CMakeCache.txt in it or
//      in its parent); a
//      writable folder alone (/usr/local/bin as root, ~/.local/bin) and a
//      path without a folder part never count;
//   3. $XDG_CONFIG_HOME/mosaicer, or ~/.config/mosaicer when that variable is
//      unset, empty or not an absolute path.
// Empty when step 3 is reached and HOME is not set either. The folder may not
// exist yet; callers create it before writing.
std::filesystem::path SettingsFolder(const std::filesystem::path& programPath,
                                     const EnvironmentLookup& env = ProcessEnvironment);

// The user's own folder of effect files, in the same order: $MOSAICER_HOME/Tlo;
// the program's folder followed by Tlo in portable use;
// $XDG_DATA_HOME/mosaicer/Tlo, or ~/.local/share/mosaicer/Tlo.
std::filesystem::path UserEffectFolder(const std::filesystem::path& programPath,
                                       const EnvironmentLookup& env = ProcessEnvironment);

// The read-only effect folder an installation shares, with the effects it
// ships: share/mosaicer/Tlo of the installation the program belongs to
// (beside its bin folder, so a moved installation still finds it), then
// mosaicer/Tlo in each folder of $XDG_DATA_DIRS when that is set. The first
// that holds an effect file (*.tlo) counts; empty when none does.
std::filesystem::path SharedEffectFolder(const std::filesystem::path& programPath,
                                         const EnvironmentLookup& env = ProcessEnvironment);

// The default folder of effect files: the user's own, unless it holds no
// effect file yet and a shared folder does (a fresh installation), and
// $MOSAICER_HOME is not set (a folder named outright is always used).
std::filesystem::path EffectFolder(const std::filesystem::path& programPath,
                                   const EnvironmentLookup& env = ProcessEnvironment);

// True when `folder` holds at least one effect file (*.tlo, any case).
bool HoldsEffectFiles(const std::filesystem::path& folder);

}  // namespace mosaicer
