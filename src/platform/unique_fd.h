// A POSIX file descriptor closed on every way out of a scope, and the reads
// and writes every file of the program goes through: whole counts, past
// interruptions and short transfers, at the file position or at an offset.
#pragma once

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace mosaicer {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close (a delayed write error) can be seen.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// Writes all `size` bytes, retrying after interruptions and short writes.
// False on any error, a full disk included.
inline bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads exactly `size` bytes, retrying after interruptions and short reads.
// On failure `error` is errno, or 0 when the file ended first.
inline bool ReadAll(int fd, void* data, std::size_t size, int& error) {
  auto* p = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : 0;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads up to `size` bytes, stopping early only at the end of the file.
// The count read, or -1 with errno set.
inline std::ptrdiff_t ReadUpTo(int fd, void* data, std::size_t size) {
  auto* p = static_cast<std::uint8_t*>(data);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, p + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<std::ptrdiff_t>(got);
}

// Reads exactly `size` bytes at `offset` without moving the file position.
// On failure `error` is errno, or 0 when the file ended first.
inline bool ReadAllAt(int fd, void* data, std::size_t size, std::uint64_t offset, int& error) {
  auto* p = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : 0;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

// Fills the pieces in order with exactly their sizes' worth of bytes, as
// few system calls as the pieces allow. The pieces are used up on the way.
// On failure `error` is errno, or 0 when the file ended first.
inline bool ReadAllVectored(int fd, std::vector<iovec>& pieces, int& error) {
  std::size_t first = 0;
  while (first < pieces.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(pieces.size() - first, IOV_MAX));
    const ssize_t n = ::readv(fd, pieces.data() + first, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : 0;
      return false;
    }
    std::size_t got = static_cast<std::size_t>(n);
    while (first < pieces.size() && got >= pieces[first].iov_len) got -= pieces[first++].iov_len;
    if (got > 0) {  // a piece filled part-way: read the rest of it next
      pieces[first].iov_base = static_cast<std::uint8_t*>(pieces[first].iov_base) + got;
      pieces[first].iov_len -= got;
    }
  }
  return true;
}

// Writes every byte of the pieces in order, as few system calls as the
// pieces allow; the pieces are used up on the way. False on any error, a
// full disk included (errno then says which, 0 for a disk that took nothing).
inline bool WriteAllVectored(int fd, iovec* pieces, std::size_t count) {
  std::size_t first = 0;
  while (first < count && pieces[first].iov_len == 0) ++first;
  while (first < count) {
    const int n = static_cast<int>(std::min<std::size_t>(count - first, IOV_MAX));
    const ssize_t put = ::writev(fd, pieces + first, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = 0;
      return false;
    }
    std::size_t left = static_cast<std::size_t>(put);
    while (first < count && left >= pieces[first].iov_len) left -= pieces[first++].iov_len;
    if (left > 0) {  // a piece written part-way: the rest of it goes next
      pieces[first].iov_base = static_cast<std::uint8_t*>(pieces[first].iov_base) + left;
      pieces[first].iov_len -= left;
    }
    while (first < count && pieces[first].iov_len == 0) ++first;
  }
  return true;
}

}  // namespace mosaicer
