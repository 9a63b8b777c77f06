// An output written under a temporary name in its target's folder and renamed
// over the target only when the job is done, so a failed job never leaves a
// partial file in place of the one it was to replace. Every failure message
// names the target (not the temporary name) and the system's reason.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/io_status.h"

namespace mosaicer {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  // Removes the temporary file unless it was committed.
  ~OutputFile();

  // Creates the temporary file beside `target` (through a symbolic link, beside
  // the file it points to). Fails when the folder is missing or not writable.
  IoStatus Open(const std::filesystem::path& target);

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::filesystem::path& target() const { return target_; }
  // The temporary file, for a writer that opens files by name.
  const std::filesystem::path& TempPath() const { return temp_; }
  // Bytes written so far through Write.
  std::uint64_t Written() const { return written_; }

  // Appends every byte; a short write (a full disk) is a failure.
  IoStatus Write(const void* data, std::size_t size);
  // Appends the pieces' bytes in order; the pieces are used up on the way.
  IoStatus Write(iovec* pieces, std::size_t count);
  // Writes at `offset` without moving the append position (header fix-ups).
  IoStatus WriteAt(const void* data, std::size_t size, std::uint64_t offset);

  // Flushes the data (to the disk when an existing file is replaced, so a
  // crash cannot leave an empty file in its place), gives the file the mode
  // the target had (or a new file's mode) and renames it over the target.
  IoStatus Commit();
  // Removes the temporary file; the target stays as it was.
  void Discard();

  // What is on disk after a failure: ""x" is unchanged" when the target
  // existed, "no "x" was written" otherwise.
  std::string UnchangedNote() const;

 private:
  int fd_ = -1;
  std::filesystem::path target_;    // as the caller named it, for messages
  std::filesystem::path resolved_;  // what the rename replaces
  std::filesystem::path temp_;
  bool existed_ = false;
  mode_t targetMode_ = 0;
  std::uint64_t written_ = 0;
};

// Writes `size` bytes into `target` through an OutputFile. A failure's
// message ends with what is left on disk.
IoStatus WriteFileAtomically(const std::filesystem::path& target, const void* data,
                             std::size_t size);

}  // namespace mosaicer
