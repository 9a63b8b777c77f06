#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

#include "platform/language.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

// New files get read and write for everyone the umask allows, as any
// program's files do.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr int kNameAttempts = 100;

// A name no other writer of this folder is likely to pick: the process, a
// counter and the clock. O_EXCL settles the rare clash.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  const unsigned long long mix =
      static_cast<unsigned long long>(now) * 0x9E3779B97F4A7C15ull +
      (static_cast<unsigned long long>(::getpid()) << 20) + counter.fetch_add(1);
  static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  unsigned long long v = mix;
  for (int i = 0; i < 8; ++i) {
    suffix += kDigits[v % 36];
    v /= 36;
  }
  return suffix;
}

}  // namespace

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      target_(std::move(other.target_)),
      resolved_(std::move(other.resolved_)),
      temp_(std::exchange(other.temp_, {})),
      existed_(other.existed_),
      targetMode_(other.targetMode_),
      written_(other.written_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    target_ = std::move(other.target_);
    resolved_ = std::move(other.resolved_);
    temp_ = std::exchange(other.temp_, {});
    existed_ = other.existed_;
    targetMode_ = other.targetMode_;
    written_ = other.written_;
  }
  return *this;
}

OutputFile::~OutputFile() { Discard(); }

IoStatus OutputFile::Open(const fs::path& target) {
  Discard();
  target_ = target;
  written_ = 0;
  if (target.empty() || !target.has_filename())
    return IoStatus::CannotWrite(target, Tr("not a file name"));

  // Replacing through a link must change the file it points to, not the link.
  std::error_code ec;
  resolved_ = target;
  if (fs::is_symlink(target, ec)) {
    const fs::path real = fs::weakly_canonical(target, ec);
    if (!ec) resolved_ = real;
  }
  struct stat info;
  existed_ = ::stat(resolved_.c_str(), &info) == 0;
  if (existed_ && S_ISDIR(info.st_mode))
    return IoStatus::FromErrno("write", target, EISDIR);
  // A device or a pipe cannot be replaced by renaming a file over it.
  if (existed_ && !S_ISREG(info.st_mode))
    return IoStatus::CannotWrite(target, Tr("not a regular file"));
  targetMode_ = existed_ ? (info.st_mode & kPermissionBits) : 0;

  const fs::path folder = resolved_.has_parent_path() ? resolved_.parent_path() : fs::path(".");
  const std::string base = "." + resolved_.filename().string() + ".";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    fs::path candidate = folder / (base + UniqueSuffix() + ".part");
    const int fd =
        ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd >= 0) {
      fd_ = fd;
      temp_ = std::move(candidate);
      return IoStatus::Ok();
    }
    if (errno != EEXIST) return IoStatus::FromErrno("write", target, errno);
  }
  return IoStatus::FromErrno("write", target, EEXIST);
}

IoStatus OutputFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0) return IoStatus::FromErrno("write", target_, EBADF);
  errno = 0;
  if (!WriteAll(fd_, data, size)) return IoStatus::FromErrno("write", target_, errno ? errno : ENOSPC);
  written_ += size;
  return IoStatus::Ok();
}

IoStatus OutputFile::Write(iovec* pieces, std::size_t count) {
  if (fd_ < 0) return IoStatus::FromErrno("write", target_, EBADF);
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < count; ++i) size += pieces[i].iov_len;
  if (!WriteAllVectored(fd_, pieces, count))
    return IoStatus::FromErrno("write", target_, errno ? errno : ENOSPC);
  written_ += size;
  return IoStatus::Ok();
}

IoStatus OutputFile::WriteAt(const void* data, std::size_t size, std::uint64_t offset) {
  if (fd_ < 0) return IoStatus::FromErrno("write", target_, EBADF);
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return IoStatus::FromErrno("write", target_, n < 0 ? errno : ENOSPC);
    p += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return IoStatus::Ok();
}

IoStatus OutputFile::Commit() {
  if (fd_ < 0) return IoStatus::FromErrno("write", target_, EBADF);
  // An old file is only worth protecting when there is one: then the data
  // must be on disk before the name moves over to it.
  if (existed_ && ::fsync(fd_) != 0) {
    const int code = errno;
    Discard();
    return IoStatus::FromErrno("write", target_, code);
  }
  if (existed_ && ::fchmod(fd_, targetMode_) != 0) {
    const int code = errno;
    Discard();
    return IoStatus::FromErrno("write", target_, code);
  }
  // Some file systems report a failed write only when the file is closed.
  if (::close(std::exchange(fd_, -1)) != 0) {
    const int code = errno;
    Discard();
    return IoStatus::FromErrno("write", target_, code);
  }
  if (::rename(temp_.c_str(), resolved_.c_str()) != 0) {
    const int code = errno;
    Discard();
    return IoStatus::FromErrno("write", target_, code);
  }
  temp_.clear();
  return IoStatus::Ok();
}

void OutputFile::Discard() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

std::string OutputFile::UnchangedNote() const {
  return Format(existed_ ? Tr("%1 is unchanged") : Tr("no %1 was written"),
                {IoStatus::Quoted(target_)});
}

IoStatus WriteFileAtomically(const fs::path& target, const void* data, std::size_t size) {
  OutputFile out;
  IoStatus status = out.Open(target);
  if (status) status = out.Write(data, size);
  if (status) status = out.Commit();
  if (status) return status;
  out.Discard();
  return IoStatus::Failed(status.error() + "; " + out.UnchangedNote());
}

}  // namespace mosaicer
