#include "authoring/creation_job.h"

#include <sys/stat.h>

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <span>
#include <system_error>

#include "authoring/encoder.h"
#include "authoring/messages.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr const char* kNotAPreparedPicture =
    "there is no prepared picture (300x216 pixels, 16 colours) to make it from";

// The stream a second thread makes, handed to the writer.
class PendingStream final : public StreamSource {
 public:
  void Supply(MadeStream made) {
    {
      std::lock_guard lock(mutex_);
      made_ = std::move(made);
      ready_ = true;
    }
    madeOne_.notify_all();
  }
  bool Ready() override {
    std::lock_guard lock(mutex_);
    return ready_;
  }
  const MadeStream& Wait() override {
    std::unique_lock lock(mutex_);
    madeOne_.wait(lock, [this] { return ready_; });
    return made_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable madeOne_;
  bool ready_ = false;
  MadeStream made_;
};

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return SaveTarget::Fresh;
  return CanReplace(path) ? SaveTarget::Existing : SaveTarget::Protected;
}

TCreationJob::~TCreationJob() { Wait(); }

bool TCreationJob::Launch(std::function<void()> work) {
  if (Running()) return false;
  try {
    worker_ = std::thread(std::move(work));
  } catch (const std::system_error&) {
    SetJobStatus(kJobIdle);
    return false;
  }
  return true;
}

bool TCreationJob::Start(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                         const std::string& outputPath) {
  return Launch([this, &state, &ecc, outputPath] { RunCreation(state, ecc, outputPath); });
}

bool TCreationJob::Start(const AuthoringState& state, StreamMaker make,
                         const std::string& outputPath) {
  Song song{state.timing, state.Limit(), state.wavPath, state.wave};
  return Launch([this, song = std::move(song), make = std::move(make), outputPath] {
    RunWhileMaking(song, make, outputPath);
  });
}

void TCreationJob::Wait() {
  if (worker_.joinable()) worker_.join();
}

CdgLayout TCreationJob::Layout(const AuthoringState& state, std::int64_t packCount) {
  return PlanCdgLayout(state.timing, state.wave.dataSize, packCount, state.Limit());
}

void TCreationJob::RunCreation(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                               const std::string& outputPath) {
  error_.clear();
  try {
    std::vector<std::uint8_t> stream;
    std::int64_t packCount = 0;
    if (!BuildPackStream(state, ecc, stream, packCount)) {
      error_ = kNotAPreparedPicture;
      SetJobStatus(kJobFailed);
      Report(kProgressFailed);
      return;
    }
    const IoStatus written = WriteCdgFile(Layout(state, packCount), state.wavPath, state.wave,
                                          stream, outputPath, *this);
    if (!written) error_ = written.error();
    Report(kProgressDone);
  } catch (const std::exception& e) {
    error_ = std::string("cannot make ") + IoStatus::Quoted(outputPath) + ": " + e.what();
    // Out of memory and the like: the status says failed unless a writer
    // had already finished.
    Report(kProgressFailed);
  }
}

void TCreationJob::RunWhileMaking(const Song& song, const StreamMaker& make,
                                  const std::string& outputPath) {
  error_.clear();
  PendingStream pending;
  const auto makeStream = [&make, &pending, &outputPath] {
    MadeStream made;
    try {
      made = make();
    } catch (const std::exception& e) {
      made.error = std::string("cannot make ") + IoStatus::Quoted(outputPath) + ": " + e.what();
    }
    pending.Supply(std::move(made));
  };
  std::thread maker;
  try {
    maker = std::thread(makeStream);
  } catch (const std::system_error&) {
    makeStream();  // no second thread: one after the other
  }
  try {
    const IoStatus written = WriteCdgFile(song.timing, song.limit, song.wavPath, song.wave,
                                          pending, outputPath, *this);
    if (!written) error_ = written.error();
  } catch (const std::exception& e) {
    error_ = std::string("cannot make ") + IoStatus::Quoted(outputPath) + ": " + e.what();
    if (JobStatus() != kJobSucceeded) SetJobStatus(kJobFailed);
  }
  // The maker uses what the caller lent it: the job ends after it.
  if (maker.joinable()) maker.join();
  Report(JobStatus() == kJobFailed ? kProgressFailed : kProgressDone);
}

Outcome CreationOutcome(std::uint8_t jobStatus) {
  switch (jobStatus) {
    case kJobSucceeded:
      return {kCdgCreated, false, false};
    case kJobCancelRequested:
      return {kCdgCancelled, false, true};
    default:
      return {kCdgFailed, true, false};
  }
}

IoStatus SaveRwsFile(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                     const std::string& path) {
  try {
    std::vector<std::uint8_t> stream;
    std::int64_t packCount = 0;
    if (!BuildPackStream(state, ecc, stream, packCount)) return IoStatus::Failed(kNotAPreparedPicture);
    return WriteWholeFile(path, stream);
  } catch (const std::exception& e) {
    return IoStatus::Failed("cannot make " + IoStatus::Quoted(path) + ": " + e.what());
  }
}

IoStatus SaveVisibleBmp(const AuthoringState& state, const std::string& path) {
  const Bitmap& picture = state.picture;
  if (picture.Width() != kScreenWidth || picture.Height() != kScreenHeight ||
      picture.BitsPerPixel() != 4)
    return IoStatus::Failed(kNotAPreparedPicture);
  BitmapResult made = Bitmap::Create(kVisibleWidth, kVisibleHeight, 4);
  if (!made.ok()) return IoStatus::Failed(made.error);
  Bitmap& visible = *made.bitmap;
  for (int i = 0; i < kUsedPaletteEntries; ++i) visible.SetPaletteEntry(i, picture.Palette()[i]);
  visible.SetPaletteCount(kUsedPaletteEntries);
  for (int y = 0; y < kVisibleHeight; ++y)
    for (int x = 0; x < kVisibleWidth; ++x)
      visible.SetPixelIndex(x, y, picture.PixelIndex(kVisibleLeft + x, kVisibleTop + y));
  return WriteBmpFile(visible, path);
}

}  // namespace mosaicer
