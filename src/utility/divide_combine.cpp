#include "utility/divide_combine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>
#include <vector>

#include "authoring/wave_info.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "player/disk_out.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr int kCdChannels = 2;
constexpr int kCdBitsPerSample = 16;
constexpr int kCdSampleRate = 44100;
constexpr mode_t kNewFileMode = 0666;

// A file descriptor closed on every way out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now; some file systems report a failed write only here.
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads exactly `size` bytes. On failure `error` is errno, or 0 when the
// file ended first.
bool ReadAll(int fd, std::uint8_t* data, std::size_t size, int& error) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : 0;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes every byte or fails: a short write (a full disk) is a failure.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int& error) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string Describe(const char* what, const std::string& file, int error) {
  std::string text = std::string(what) + " \"" + file + "\"";
  if (error != 0) text += ": " + std::string(std::strerror(error));
  return text;
}

// `error` 0: the file was shorter than its size or header promised.
std::string ReadFailure(const std::string& file, int error) {
  return error != 0 ? Describe("cannot read", file, error)
                    : "cannot read \"" + file + "\": the file ended early";
}

// Writing one of the files an operation reads (or both outputs into one
// file) would destroy data before it is read.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  std::error_code errorA, errorB;
  const fs::path canonicalA = fs::weakly_canonical(a, errorA);
  const fs::path canonicalB = fs::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

std::string SharedFileError(const std::string& file) {
  return "\"" + file + "\" cannot be both read and written, or written twice";
}

// Sends progress codes when there is someone to send them to.
class Progress {
 public:
  explicit Progress(TJobOwner* owner) : owner_(owner) {}
  void Send(std::int8_t code, std::int64_t value = 0) const {
    if (owner_ == nullptr) return;
    owner_->Report(
        code, static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max())));
  }

 private:
  TJobOwner* owner_;
};

UtilityResult Failure(const Progress& progress, std::string error) {
  progress.Send(kProgressFailed);
  UtilityResult result;
  result.outcome = UtilityOutcome::Failed;
  result.error = std::move(error);
  return result;
}

// Size of an open regular file; false for a folder or when it cannot be read.
bool RegularFileSize(int fd, std::uint64_t& size, int& error) {
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    error = errno;
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
    return false;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

}  // namespace

UtilityResult Divide(const DivideRequest& request, TJobOwner* owner) {
  if (request.cdgPath.empty() || request.rwsPath.empty() ||
      (request.writeWav && request.wavPath.empty()))
    return {};
  const Progress progress(owner);
  if (SameFile(request.cdgPath, request.rwsPath))
    return Failure(progress, SharedFileError(request.rwsPath));
  if (request.writeWav &&
      (SameFile(request.cdgPath, request.wavPath) || SameFile(request.rwsPath, request.wavPath)))
    return Failure(progress, SharedFileError(request.wavPath));

  // The input is opened before any output is made, so a missing CDG file
  // leaves no empty WAV file behind.
  int error = 0;
  Fd cdg(::open(request.cdgPath.c_str(), O_RDONLY | O_CLOEXEC));
  std::uint64_t cdgSize = 0;
  if (!cdg.ok() || !RegularFileSize(cdg.get(), cdgSize, error))
    return Failure(progress, Describe("cannot open", request.cdgPath, cdg.ok() ? error : errno));

  TDiskOut wav;
  wav.SetFormat(kCdChannels, kCdBitsPerSample, kCdSampleRate);
  if (request.writeWav && (!wav.SetDevice(request.wavPath) || !wav.Open()))
    return Failure(progress, Describe("cannot create", request.wavPath, errno));
  // The WAV keeps what it got, its sizes completed, whatever goes wrong later.
  const auto fail = [&](std::string text) {
    if (wav.IsOpen()) wav.Close();
    return Failure(progress, std::move(text));
  };

  const std::int64_t sectors = static_cast<std::int64_t>(cdgSize / kCdgSectorSize);
  const std::int64_t blocks = sectors / kDivideBlockSectors;
  const std::int64_t rest = sectors % kDivideBlockSectors;
  progress.Send(kProgressSteps, blocks);

  std::vector<std::uint8_t> subcode;
  subcode.reserve(static_cast<std::size_t>(sectors) * kSubcodeBytesPerSector);
  std::vector<std::uint8_t> block(kDivideBlockSectors * kCdgSectorSize);
  // Empty on success, else what went wrong.
  const auto divideBlock = [&](std::int64_t count) -> std::string {
    if (!ReadAll(cdg.get(), block.data(), static_cast<std::size_t>(count) * kCdgSectorSize, error))
      return ReadFailure(request.cdgPath, error);
    for (std::int64_t i = 0; i < count; ++i) {
      const std::uint8_t* sector = block.data() + i * kCdgSectorSize;
      subcode.insert(subcode.end(), sector + kAudioBytesPerSector, sector + kCdgSectorSize);
      if (request.writeWav && !wav.Write(sector, kAudioBytesPerSector))
        return Describe("cannot write", request.wavPath, errno);
    }
    progress.Send(kProgressStep);
    return {};
  };
  for (std::int64_t b = 0; b < blocks; ++b)
    if (std::string text = divideBlock(kDivideBlockSectors); !text.empty()) return fail(text);
  if (rest > 0)
    if (std::string text = divideBlock(rest); !text.empty()) return fail(text);

  if (!WriteWholeFile(request.rwsPath, subcode))
    return fail(Describe("cannot write", request.rwsPath, errno));
  progress.Send(kProgressAllSteps);
  cdg.Close();
  if (request.writeWav && !wav.Close())
    return Failure(progress, Describe("cannot write", request.wavPath, errno));
  progress.Send(kProgressDone);
  UtilityResult result;
  result.outcome = UtilityOutcome::Succeeded;
  result.sectors = sectors;
  return result;
}

UtilityResult Combine(const CombineRequest& request, TJobOwner* owner) {
  if (request.cdgPath.empty() || request.rwsPath.empty() || request.wavPath.empty()) return {};
  WaveInfo wave;
  if (ReadWaveInfo(request.wavPath, wave) != 1 || !wave.IsCdAudio()) {
    UtilityResult result;
    result.outcome = UtilityOutcome::NotCdAudio;
    return result;
  }
  const Progress progress(owner);
  if (SameFile(request.cdgPath, request.rwsPath) || SameFile(request.cdgPath, request.wavPath))
    return Failure(progress, SharedFileError(request.cdgPath));

  Fd wav(::open(request.wavPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!wav.ok()) return Failure(progress, Describe("cannot open", request.wavPath, errno));
  std::vector<std::uint8_t> subcode;
  if (!ReadWholeFile(request.rwsPath, subcode))
    return Failure(progress, Describe("cannot read", request.rwsPath, errno));
  Fd cdg(::open(request.cdgPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
  if (!cdg.ok()) return Failure(progress, Describe("cannot create", request.cdgPath, errno));

  const std::int64_t wholeAudio = wave.dataSize / kAudioBytesPerSector;
  const std::size_t partialAudio = wave.dataSize % kAudioBytesPerSector;
  const std::int64_t subcodeSectors =
      static_cast<std::int64_t>(subcode.size() / kSubcodeBytesPerSector);
  progress.Send(kProgressSteps, std::max(wholeAudio, subcodeSectors));
  if (::lseek(wav.get(), wave.dataOffset, SEEK_SET) < 0)
    return Failure(progress, Describe("cannot read", request.wavPath, errno));

  std::uint8_t sector[kCdgSectorSize];
  std::int64_t written = 0;
  int error = 0;
  // Audio bytes are already in place; adds subcode sector `written` (or
  // zeros past the end of the RWS data) and writes the sector.
  const auto finishSector = [&]() -> bool {
    std::uint8_t* sub = sector + kAudioBytesPerSector;
    if (written < subcodeSectors)
      std::memcpy(sub, subcode.data() + written * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
    else
      std::memset(sub, 0, kSubcodeBytesPerSector);
    if (!WriteAll(cdg.get(), sector, kCdgSectorSize, error)) return false;
    ++written;
    progress.Send(kProgressStep);
    return true;
  };
  const auto writeFailure = [&] {
    return Failure(progress, Describe("cannot write", request.cdgPath, error));
  };

  for (std::int64_t i = 0; i < wholeAudio; ++i) {
    if (!ReadAll(wav.get(), sector, kAudioBytesPerSector, error))
      return Failure(progress, ReadFailure(request.wavPath, error));
    if (!finishSector()) return writeFailure();
  }
  if (partialAudio > 0) {
    std::memset(sector, 0, kAudioBytesPerSector);
    if (!ReadAll(wav.get(), sector, partialAudio, error))
      return Failure(progress, ReadFailure(request.wavPath, error));
    if (!finishSector()) return writeFailure();
  }
  std::memset(sector, 0, kAudioBytesPerSector);
  while (written < subcodeSectors)
    if (!finishSector()) return writeFailure();

  progress.Send(kProgressAllSteps);
  wav.Close();
  if (!cdg.Close()) {
    error = errno;
    return writeFailure();
  }
  progress.Send(kProgressDone);
  UtilityResult result;
  result.outcome = UtilityOutcome::Succeeded;
  result.sectors = written;
  return result;
}

std::string SameNameWav(const std::string& rwsPath) {
  return fs::path(rwsPath).replace_extension(".wav").string();
}

}  // namespace mosaicer
