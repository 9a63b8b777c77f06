#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

// Older C libraries lack the name; kernels before 5.14 refuse the advice.
#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

namespace mosaicer {

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

bool MappedFile::Map(int fd) {
  Unmap();
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return false;
  const auto size = static_cast<std::size_t>(info.st_size);
  void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (at == MAP_FAILED) return false;
  // Read once from start to end: read ahead, and let the pages go early.
  ::madvise(at, size, MADV_SEQUENTIAL);
  data_ = static_cast<const std::uint8_t*>(at);
  size_ = size;
  return true;
}

void MappedFile::Prefault(std::uint64_t offset, std::uint64_t size) const {
  if (data_ == nullptr || offset >= size_) return;
  static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t first = offset / page * page;
  const std::uint64_t end = std::min(size_, offset + size);
  ::madvise(const_cast<std::uint8_t*>(data_) + first, end - first, MADV_POPULATE_READ);
}

void MappedFile::Unmap() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace mosaicer
