// A file's bytes mapped read-only into memory, unmapped on every way out of
// a scope. Writing straight from the mapping spares a copy through a buffer;
// the kernel, not the program, touches the pages, so a file cut short while
// it is mapped makes the write fail (EFAULT) instead of raising a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace mosaicer {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  MappedFile(MappedFile&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  MappedFile& operator=(MappedFile&& other) noexcept;
  ~MappedFile() { Unmap(); }

  // Maps the whole of the open file `fd` for reading from start to end.
  // False (and nothing mapped) for an empty file or anything that cannot be
  // mapped, such as a pipe; the caller then reads the file instead.
  bool Map(int fd);
  void Unmap();
  // Maps the pages of bytes [offset, offset + size) ahead of their use, in
  // one call instead of a fault each; a hint, nothing fails without it.
  void Prefault(std::uint64_t offset, std::uint64_t size) const;

  bool mapped() const { return data_ != nullptr; }
  const std::uint8_t* data() const { return data_; }
  std::uint64_t size() const { return size_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
};

}  // namespace mosaicer
