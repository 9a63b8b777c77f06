#include "authoring/creation_job.h"

#include <sys/stat.h>

#include <cerrno>
#include <exception>
#include <span>
#include <system_error>

#include "authoring/encoder.h"
#include "authoring/messages.h"
#include "media/audio_reader.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr const char* kNotAPreparedPicture =
    "there is no prepared picture (300x216 pixels, 16 colours) to make it from";

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return SaveTarget::Fresh;
  return CanReplace(path) ? SaveTarget::Existing : SaveTarget::Protected;
}

TCreationJob::~TCreationJob() { Wait(); }

bool TCreationJob::Start(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                         const std::string& outputPath) {
  if (Running()) return false;
  try {
    worker_ =
        std::thread([this, &state, &ecc, outputPath] { RunCreation(state, ecc, outputPath); });
  } catch (const std::system_error&) {
    SetJobStatus(kJobIdle);
    return false;
  }
  return true;
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
    IoStatus written = IoStatus::Ok();
    if (state.wavConversion.empty()) {
      written = WriteCdgFile(Layout(state, packCount), state.wavPath, state.wave, stream,
                             outputPath, *this);
    } else {
      // A song that is not CD audio is converted as it is written.
      const AudioOpenResult song = OpenAudio(state.wavPath);
      if (!song.ok()) {
        error_ = song.error;
        SetJobStatus(kJobFailed);
        Report(kProgressFailed);
        return;
      }
      AudioReader& audio = *song.reader;
      written = WriteCdgFile(
          Layout(state, packCount),
          [&audio](std::uint8_t* out, std::size_t size) { return audio.Read(out, size); }, stream,
          outputPath, *this);
    }
    if (!written) error_ = written.error();
    Report(kProgressDone);
  } catch (const std::exception& e) {
    error_ = std::string("cannot make ") + IoStatus::Quoted(outputPath) + ": " + e.what();
    // Out of memory and the like: the status says failed unless a writer
    // had already finished.
    Report(kProgressFailed);
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
