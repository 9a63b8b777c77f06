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
#include "media/audio_reader.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"
#include "player/disk_out.h"
#include "title/title_source.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr int kCdChannels = 2;
constexpr int kCdBitsPerSample = 16;
constexpr int kCdSampleRate = 44100;
// Sectors combine reads from the RWS file at a time.
constexpr std::int64_t kCombineBlockSectors = 256;

// `error` 0: the file was shorter than its size or header promised.
std::string ReadFailure(const std::string& file, int error) {
  return error != 0 ? IoStatus::FromErrno("read", file, error).error()
                    : IoStatus::CannotReadText(file, Tr("the file ended early"));
}

// Two outputs of one operation must differ, even before either exists.
bool SamePath(const std::string& a, const std::string& b) {
  if (SameFile(a, b)) return true;
  std::error_code errorA, errorB;
  const fs::path canonicalA = fs::weakly_canonical(a, errorA);
  const fs::path canonicalB = fs::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

std::string SharedFileError(const std::string& file) {
  return IoStatus::Quoted(file) + " cannot be both read and written, or written twice";
}

// Sends progress codes when there is someone to send them to, and tells
// whether that someone asked the operation to stop.
class Progress {
 public:
  explicit Progress(TJobOwner* owner) : owner_(owner) {}
  void Send(std::int8_t code, std::int64_t value = 0) const {
    if (owner_ == nullptr) return;
    owner_->Report(
        code, static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max())));
  }
  bool CancelRequested() const { return owner_ != nullptr && owner_->CancelRequested(); }

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

// Opens an input after checking it is a regular file; the failure names it.
IoStatus OpenInput(const std::string& path, UniqueFd& fd, std::uint64_t& size) {
  if (IoStatus checked = CheckInputFile(path); !checked) return checked;
  fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info;
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0) return IoStatus::FromErrno("read", path, errno);
  size = static_cast<std::uint64_t>(info.st_size);
  return IoStatus::Ok();
}

// What is on disk after a failure, for the outputs given.
std::string Left(const OutputFile& first, const OutputFile* second = nullptr) {
  std::string note = first.UnchangedNote();
  if (second != nullptr) note += ", " + second->UnchangedNote();
  return note;
}

}  // namespace

UtilityResult Divide(const DivideRequest& request, TJobOwner* owner) {
  if (request.cdgPath.empty() || request.rwsPath.empty() ||
      (request.writeWav && request.wavPath.empty()))
    return {};
  const Progress progress(owner);
  if (SamePath(request.cdgPath, request.rwsPath))
    return Failure(progress, SharedFileError(request.rwsPath));
  if (request.writeWav &&
      (SamePath(request.cdgPath, request.wavPath) || SamePath(request.rwsPath, request.wavPath)))
    return Failure(progress, SharedFileError(request.wavPath));

  // The input is opened before any output is made.
  TitleOpenResult opened;
  if (request.title == nullptr) {
    opened = OpenCdgTitle(request.cdgPath);
    if (!opened.ok()) return Failure(progress, opened.error);
  }
  TitleSource& title = request.title != nullptr ? *request.title : *opened.source;
  const std::int64_t sectors = static_cast<std::int64_t>(title.Sectors());
  if (sectors == 0)
    return Failure(progress, Format(Tr("%1 holds no whole sector: there is nothing to divide"),
                                    {IoStatus::Quoted(request.cdgPath)}));

  OutputFile rws;
  if (IoStatus opened = rws.Open(request.rwsPath); !opened)
    return Failure(progress, opened.error() + "; " + rws.UnchangedNote());
  TDiskOut wav;
  wav.SetFormat(kCdChannels, kCdBitsPerSample, kCdSampleRate);
  if (request.writeWav && (!wav.SetDevice(request.wavPath) || !wav.Open()))
    return Failure(progress, wav.Error() + "; " + Left(rws, nullptr) + ", no " +
                                 IoStatus::Quoted(request.wavPath) + " was written");
  // On failure neither output takes its name.
  const auto fail = [&](std::string text) {
    rws.Discard();
    wav.Discard();
    std::string note = rws.UnchangedNote();
    if (request.writeWav) note += ", " + IoStatus::Quoted(request.wavPath) + " as it was";
    return Failure(progress, text + "; " + note);
  };

  const std::int64_t blocks = sectors / kDivideBlockSectors;
  const std::int64_t rest = sectors % kDivideBlockSectors;
  progress.Send(kProgressSteps, blocks);

  std::vector<std::uint8_t> audio(kDivideBlockSectors * kAudioBytesPerSector);
  std::vector<std::uint8_t> subcode(kDivideBlockSectors * kSubcodeBytesPerSector);
  std::int64_t done = 0;
  bool cancelled = false;
  // Empty on success, else what went wrong.
  const auto divideBlock = [&](std::int64_t count) -> std::string {
    if (IoStatus read = title.Read(static_cast<std::uint64_t>(count),
                                   request.writeWav ? audio.data() : nullptr, subcode.data());
        !read)
      return read.error();
    for (std::int64_t i = 0; i < count && request.writeWav; ++i)
      if (!wav.Write(audio.data() + i * kAudioBytesPerSector, kAudioBytesPerSector))
        return wav.Error();
    if (IoStatus written =
            rws.Write(subcode.data(), static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
        !written)
      return written.error();
    done += count;
    progress.Send(kProgressStep);
    return {};
  };
  for (std::int64_t b = 0; b < blocks + (rest > 0 ? 1 : 0); ++b) {
    if (std::string text = divideBlock(b < blocks ? kDivideBlockSectors : rest); !text.empty())
      return fail(text);
    if (progress.CancelRequested()) {
      cancelled = true;
      break;
    }
  }

  if (!cancelled) progress.Send(kProgressAllSteps);
  // Both files keep what was divided, also when the user stopped the job.
  if (IoStatus committed = rws.Commit(); !committed) return fail(committed.error());
  if (request.writeWav && !wav.Close())
    return Failure(progress, wav.Error() + "; " +
                                 Format(Tr("%1 was written, %2 is as it was"),
                                        {IoStatus::Quoted(request.rwsPath),
                                         IoStatus::Quoted(request.wavPath)}));
  progress.Send(cancelled ? kProgressFailed : kProgressDone);
  UtilityResult result;
  result.outcome = cancelled ? UtilityOutcome::Cancelled : UtilityOutcome::Succeeded;
  result.sectors = done;
  return result;
}

UtilityResult Combine(const CombineRequest& request, TJobOwner* owner) {
  if (request.cdgPath.empty() || request.rwsPath.empty() || request.wavPath.empty()) return {};
  const Progress progress(owner);
  // Any song: a CD-format WAV is read as it is, anything else converted.
  AudioOpenResult song = OpenAudio(request.wavPath);
  if (!song.ok()) return Failure(progress, song.error);
  AudioReader& audio = *song.reader;
  if (SamePath(request.cdgPath, request.rwsPath) || SamePath(request.cdgPath, request.wavPath))
    return Failure(progress, SharedFileError(request.cdgPath));
  UniqueFd rws(-1);
  std::uint64_t rwsSize = 0;
  if (IoStatus opened = OpenInput(request.rwsPath, rws, rwsSize); !opened)
    return Failure(progress, opened.error());
  OutputFile cdg;
  if (IoStatus opened = cdg.Open(request.cdgPath); !opened)
    return Failure(progress, opened.error() + "; " + cdg.UnchangedNote());
  const auto fail = [&](std::string text) {
    cdg.Discard();
    return Failure(progress, text + "; " + cdg.UnchangedNote());
  };

  const std::int64_t wholeAudio = static_cast<std::int64_t>(audio.Bytes() / kAudioBytesPerSector);
  const std::size_t partialAudio = audio.Bytes() % kAudioBytesPerSector;
  const std::int64_t audioSectors = wholeAudio + (partialAudio > 0 ? 1 : 0);
  const std::int64_t subcodeSectors = static_cast<std::int64_t>(rwsSize / kSubcodeBytesPerSector);
  const std::int64_t total = std::max(audioSectors, subcodeSectors);
  progress.Send(kProgressSteps, std::max(wholeAudio, subcodeSectors));

  std::vector<std::uint8_t> block(kCombineBlockSectors * kCdgSectorSize);
  std::vector<std::uint8_t> subcode(kCombineBlockSectors * kSubcodeBytesPerSector);
  std::int64_t written = 0;
  bool cancelled = false;
  while (written < total && !cancelled) {
    const std::int64_t count = std::min(kCombineBlockSectors, total - written);
    std::fill(block.begin(), block.end(), 0);
    // Subcode of these sectors, zeros past the end of the RWS data.
    const std::int64_t withSubcode =
        std::clamp<std::int64_t>(subcodeSectors - written, 0, count);
    int error = 0;
    if (withSubcode > 0 &&
        !ReadAll(rws.get(), subcode.data(),
                 static_cast<std::size_t>(withSubcode) * kSubcodeBytesPerSector, error))
      return fail(ReadFailure(request.rwsPath, error));
    for (std::int64_t i = 0; i < count; ++i) {
      std::uint8_t* sector = block.data() + i * kCdgSectorSize;
      const std::int64_t k = written + i;
      const std::size_t audioBytes = k < wholeAudio ? kAudioBytesPerSector
                                     : k == wholeAudio ? partialAudio
                                                       : 0;
      if (audioBytes > 0) {
        if (IoStatus read = audio.Read(sector, audioBytes); !read) return fail(read.error());
      }
      if (i < withSubcode)
        std::memcpy(sector + kAudioBytesPerSector, subcode.data() + i * kSubcodeBytesPerSector,
                    kSubcodeBytesPerSector);
    }
    // Sector by sector as far as a cancel allows: the file keeps whole sectors.
    std::int64_t keep = count;
    for (std::int64_t i = 0; i < count; ++i) {
      progress.Send(kProgressStep);
      if (progress.CancelRequested()) {
        keep = i + 1;
        cancelled = true;
        break;
      }
    }
    if (IoStatus out = cdg.Write(block.data(), static_cast<std::size_t>(keep) * kCdgSectorSize);
        !out)
      return fail(out.error());
    written += keep;
  }

  if (!cancelled) progress.Send(kProgressAllSteps);
  if (IoStatus committed = cdg.Commit(); !committed) return fail(committed.error());
  progress.Send(cancelled ? kProgressFailed : kProgressDone);
  UtilityResult result;
  result.outcome = cancelled ? UtilityOutcome::Cancelled : UtilityOutcome::Succeeded;
  result.sectors = written;
  return result;
}

UtilityResult DivideToTitle(const std::string& input, const TitleOutput& output,
                            TJobOwner* progress) {
  const Progress report(progress);
  for (const std::string& file : OutputFiles(output))
    if (SamePath(input, file)) return Failure(report, SharedFileError(file));
  TitleOpenResult title = OpenTitle(input, {TitleLayout::Cdg});
  if (!title.ok()) return Failure(report, title.error);
  TJobOwner quiet;
  const IoStatus written = WriteTitle(*title.source, output, progress ? *progress : quiet);
  if (!written && !report.CancelRequested()) return Failure(report, written.error());
  UtilityResult result;
  result.sectors = static_cast<std::int64_t>(title.source->Sectors());
  result.outcome = written ? UtilityOutcome::Succeeded : UtilityOutcome::Cancelled;
  result.error = written ? std::string() : written.error();
  report.Send(kProgressDone);
  return result;
}

std::string SameNameWav(const std::string& rwsPath) {
  return fs::path(rwsPath).replace_extension(".wav").string();
}

}  // namespace mosaicer
