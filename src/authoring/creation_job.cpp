#include "authoring/creation_job.h"

#include <sys/stat.h>

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <span>
#include <system_error>

#include "authoring/encoder.h"
#include "authoring/messages.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "title/title_source.h"

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

TitleOutput CdgOutput(const std::string& path) {
  TitleOutput output;
  output.kind = TitleOutputKind::Cdg;
  output.path = path;
  return output;
}

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
  return Start(state, ecc, CdgOutput(outputPath));
}

bool TCreationJob::Start(const AuthoringState& state, StreamMaker make,
                         const std::string& outputPath) {
  return Start(state, std::move(make), CdgOutput(outputPath));
}

bool TCreationJob::Start(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                         const TitleOutput& output) {
  return Launch([this, &state, &ecc, output] {
    WriteOutput(output, [&](const std::string& cdg) { return CreateInto(state, ecc, cdg); });
  });
}

bool TCreationJob::Start(const AuthoringState& state, StreamMaker make, const TitleOutput& output) {
  Song song{state.timing, state.Limit(), state.wavPath, state.wave};
  return Launch([this, song = std::move(song), make = std::move(make), output] {
    WriteOutput(output, [&](const std::string& cdg) { return CreateWhileMaking(song, make, cdg); });
  });
}

void TCreationJob::WriteOutput(const TitleOutput& output, const CdgWriting& writeCdg) {
  if (output.kind == TitleOutputKind::Cdg) {
    Report(writeCdg(output.path));
    return;
  }
  const std::filesystem::path target(output.path);
  const std::string cdg =
      MakeTempFile(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."),
                   ".mosaicer-title-")
          .string();
  if (cdg.empty()) {
    error_ = IoStatus::CannotWriteText(output.path, Tr("no temporary file can be made in its folder"));
    SetJobStatus(kJobFailed);
    Report(kProgressFailed);
    return;
  }
  std::int8_t end = writeCdg(cdg);
  if (end == kProgressDone) {
    ConvertTitle(cdg, output);
    if (JobStatus() == kJobFailed) end = kProgressFailed;
  }
  std::error_code ignored;
  std::filesystem::remove(cdg, ignored);
  Report(end);
}

void TCreationJob::ConvertTitle(const std::string& cdgPath, const TitleOutput& output) {
  const std::uint8_t status = JobStatus();
  if (status != kJobSucceeded && status != kJobCancelRequested) return;
  TitleOpenResult title = OpenCdgTitle(cdgPath);
  if (!title.ok()) {
    error_ = title.error;
    SetJobStatus(kJobFailed);
    return;
  }
  if (title.source->Sectors() == 0) return;
  const IoStatus written = WriteTitle(*title.source, output, *this);
  if (!written) {
    error_ = written.error();
    if (!CancelRequested()) SetJobStatus(kJobFailed);
  }
}

void TCreationJob::Wait() {
  if (worker_.joinable()) worker_.join();
}

CdgLayout TCreationJob::Layout(const AuthoringState& state, std::int64_t packCount) {
  return PlanCdgLayout(state.timing, state.wave.dataSize, packCount, state.Limit());
}

void TCreationJob::RunCreation(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                               const std::string& outputPath) {
  Report(CreateInto(state, ecc, outputPath));
}

std::int8_t TCreationJob::CreateInto(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                                     const std::string& outputPath) {
  error_.clear();
  try {
    std::vector<std::uint8_t> stream;
    std::int64_t packCount = 0;
    if (!BuildPackStream(state, ecc, stream, packCount)) {
      error_ = kNotAPreparedPicture;
      SetJobStatus(kJobFailed);
      return kProgressFailed;
    }
    const IoStatus written = WriteCdgFile(Layout(state, packCount), state.wavPath, state.wave,
                                          stream, outputPath, *this);
    if (!written) error_ = written.error();
    return kProgressDone;
  } catch (const std::exception& e) {
    error_ = std::string("cannot make ") + IoStatus::Quoted(outputPath) + ": " + e.what();
    // Out of memory and the like: the status says failed unless a writer
    // had already finished.
    return kProgressFailed;
  }
}

std::int8_t TCreationJob::CreateWhileMaking(const Song& song, const StreamMaker& make,
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
  return JobStatus() == kJobFailed ? kProgressFailed : kProgressDone;
}

Outcome CreationOutcome(std::uint8_t jobStatus, TitleOutputKind kind) {
  if (kind == TitleOutputKind::Cdg) return CreationOutcome(jobStatus);
  const bool rws = kind == TitleOutputKind::Rws;
  switch (jobStatus) {
    case kJobSucceeded:
      return {rws ? kRwsCreated : kMp3gCreated, false, false};
    case kJobCancelRequested:
      return {rws ? kRwsCancelled : kMp3gCancelled, false, true};
    default:
      return {rws ? kRwsFailed : kMp3gFailed, true, false};
  }
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
