#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

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

void MappedFile::Unmap() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace mosaicer
