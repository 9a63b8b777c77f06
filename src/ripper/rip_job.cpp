#include "ripper/rip_job.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>

#include "authoring/messages.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"
#include "ripper/track_reader.h"
#include "ripper/secure_read.h"
#include "title/title_source.h"

namespace mosaicer {
namespace {

constexpr int kMaxBatchSuffix = 999;

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

ReadFunction ChooseReadFunction(int command) {
  switch (command) {
    case kReadCdDataRw:
      return &ReadCdRw;
    case kReadCddaDataRw:
      return &ReadCddaRw;
    default:
      return &ReadCdRaw;
  }
}

std::int64_t RipSteps(const TNkTrack& track, const RipOptions& options) {
  const std::int64_t length = MsfAddressToFrames(track.End) - MsfAddressToFrames(track.Start);
  return length / (options.readSize - options.syncSize) + 1;
}

namespace {

// The name without extension of a batch's files of list position
// `position`: "<base>_<NN>", or the first "<base>_<NN> - <nnn>" with which
// no file of `extensions` exists (999 when all are taken).
std::string BatchStem(const std::string& base, int position,
                      const std::vector<std::string>& extensions, bool replace) {
  const std::string stem = Format("%s_%.2d", base.c_str(), position + 1);
  const auto free = [&](const std::string& candidate) {
    return std::none_of(extensions.begin(), extensions.end(), [&](const std::string& extension) {
      return std::filesystem::exists(candidate + extension);
    });
  };
  if (replace || free(stem)) return stem;
  std::string name;
  for (int n = 1; n <= kMaxBatchSuffix; ++n) {
    name = Format("%s - %.3d", stem.c_str(), n);
    if (free(name)) return name;
  }
  return name;  // all taken: the last one is overwritten
}

}  // namespace

std::string BatchFileName(const std::string& base, int position, const std::string& extension) {
  return BatchStem(base, position, {extension}, false) + extension;
}

std::string RipExtension(const RipOutput& output) {
  switch (output.kind) {
    case TitleOutputKind::Cdg:
      return ".cdg";
    case TitleOutputKind::Rws:
      return ".rws";
    case TitleOutputKind::Zip:
      return ".zip";
    case TitleOutputKind::Pair:
      break;
  }
  return SongExtension(output.song);
}

TitleOutput BatchOutput(const std::string& base, int position, const RipOutput& output) {
  const std::string extension = RipExtension(output);
  std::vector<std::string> extensions = {extension};
  if (output.kind == TitleOutputKind::Pair) extensions.push_back(".cdg");
  const std::string stem = BatchStem(base, position, extensions, output.replace);
  TitleOutput files;
  files.kind = output.kind;
  files.song = output.song;
  files.bitrate = output.bitrate;
  files.path = stem + extension;
  if (output.kind == TitleOutputKind::Pair) files.subcodePath = stem + ".cdg";
  return files;
}

DriveSettings LoadDriveSettings(const IniFile& driveIni, const TNkCdRom& drive) {
  DriveSettings s;
  if (driveIni.ReadString(drive.DeviceName, "DeviceName") != drive.Product()) return s;
  s.readCommand = static_cast<int>(driveIni.ReadInteger(drive.DeviceName, "ReadCmd", 0));
  s.tocBcd = driveIni.ReadBool(drive.DeviceName, "TocBcd", false);
  s.readSize = static_cast<int>(driveIni.ReadInteger(drive.DeviceName, "ReadSize", 15));
  s.retries = static_cast<int>(std::clamp<std::int64_t>(
      driveIni.ReadInteger(drive.DeviceName, "Retries", kDefaultRetries), 0, kMaxRetries));
  s.fixSlip = driveIni.ReadBool(drive.DeviceName, "FixSlip", false);
  return s;
}

void SaveDriveSettings(IniFile& driveIni, const TNkCdRom& drive, const DriveSettings& s) {
  driveIni.WriteString(drive.DeviceName, "DeviceName", drive.Product());
  driveIni.WriteInteger(drive.DeviceName, "ReadCmd", s.readCommand);
  driveIni.WriteBool(drive.DeviceName, "TocBcd", s.tocBcd);
  driveIni.WriteInteger(drive.DeviceName, "ReadSize", s.readSize);
  driveIni.WriteInteger(drive.DeviceName, "Retries", s.retries);
  driveIni.WriteBool(drive.DeviceName, "FixSlip", s.fixSlip);
}

std::string RipOutcomeText(std::uint8_t jobStatus, TitleOutputKind kind) {
  if (kind == TitleOutputKind::Cdg || kind == TitleOutputKind::Rws)
    return RipOutcomeText(jobStatus, kind == TitleOutputKind::Rws);
  switch (jobStatus) {
    case kJobSucceeded:
      return kMp3gCreated;
    case kJobCancelRequested:
      return kMp3gCancelled;
    default:
      return kMp3gFailed;
  }
}

std::string RipOutcomeText(std::uint8_t jobStatus, bool subcodeOnly) {
  switch (jobStatus) {
    case kJobSucceeded:
      return subcodeOnly ? Tr("The RWS file was created.") : Tr("The CDG file was created.");
    case kJobCancelRequested:
      return subcodeOnly ? Tr("Creating the RWS file was cancelled.")
                         : Tr("Creating the CDG file was cancelled.");
    default:
      return subcodeOnly ? Tr("The RWS file could not be created.")
                         : Tr("The CDG file could not be created.");
  }
}

TRipJob::~TRipJob() { Wait(); }

void TRipJob::Wait() {
  if (worker_.joinable()) worker_.join();
}

bool TRipJob::RipTrack(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                       const std::string& fileName, const RipOptions& options) {
  const int readSize = std::clamp(options.readSize, kMinReadSize, kMaxReadSize);
  const int sync = std::clamp(options.syncSize, 0, readSize - 1);
  Report(kProgressSteps, static_cast<int>(RipSteps(track, {options.command, readSize, sync})));

  const std::size_t index = reports_.size();
  reports_.emplace_back();
  reports_[index].file = fileName;
  OutputFile out;
  // Brings the figures gathered along the way into the track's report.
  std::function<void()> settle = [] {};
  const auto fail = [&](const std::string& why) {
    settle();
    out.Discard();
    error_ = why + "; " + out.UnchangedNote();
    SetJobStatus(kJobFailed);
    return false;
  };
  if (IoStatus opened = out.Open(fileName); !opened) return fail(opened.error());
  TrackReader reader(transport, drive, track, options, ecc_,
                     [this] { return JobStatus() == kJobCancelRequested; });
  settle = [&, settled = false]() mutable {
    if (settled) return;
    settled = true;
    reports_[index] = reader.Report();
    reports_[index].file = fileName;
  };

  const std::int64_t start = reader.StartFrame();
  const std::int64_t length = reader.Sectors();
  std::int64_t first = 0;
  std::int64_t count = std::min<std::int64_t>(readSize, length);
  SetJobStatus(kJobRunning);
  do {
    const std::uint8_t* const data = reader.ReadBlock(first, count);
    if (!data)
      return fail("the drive could not read sectors " + std::to_string(start + first) + " to " +
                  std::to_string(start + first + std::max<std::int64_t>(count, 1) - 1));
    IoStatus written = IoStatus::Ok();
    if (options.subcodeOnly) {
      for (std::int64_t s = 0; s < count && written; ++s)
        written = out.Write(data + s * kCdgSectorSize + kAudioBytesPerSector,
                            kSubcodeBytesPerSector);
    } else {
      written = out.Write(data, static_cast<std::size_t>(count) * kCdgSectorSize);
    }
    if (!written) return fail(written.error());  // a full disk is a failure, not a short file
    first += count;
    if (first >= length) {
      Report(kProgressAllSteps);
      SetJobStatus(kJobSucceeded);
    } else {
      first -= sync;
      count = std::min<std::int64_t>(readSize, length - first);
    }
    Report(kProgressStep);
  } while (JobStatus() == kJobRunning);
  settle();
  // Done or stopped by the user: either way the file takes its name.
  if (IoStatus committed = out.Commit(); !committed) return fail(committed.error());
  return JobStatus() == kJobSucceeded;
}

namespace {

TitleOutput PlainOutput(const std::string& fileName, const RipOptions& options) {
  TitleOutput output;
  output.kind = options.subcodeOnly ? TitleOutputKind::Rws : TitleOutputKind::Cdg;
  output.path = fileName;
  return output;
}

RipOutput PlainBatch(const RipOptions& options) {
  RipOutput output;
  output.kind = options.subcodeOnly ? TitleOutputKind::Rws : TitleOutputKind::Cdg;
  return output;
}

bool IsMp3g(TitleOutputKind kind) {
  return kind == TitleOutputKind::Zip || kind == TitleOutputKind::Pair;
}

// What a failure leaves of `output`: each file unchanged, or not written.
std::string OutputNote(const TitleOutput& output) {
  std::string note;
  for (const std::string& file : OutputFiles(output)) {
    if (!note.empty()) note += ", ";
    note += mosaicer::Format(
        std::filesystem::exists(file) ? Tr("%1 is unchanged") : Tr("no %1 was written"),
        {IoStatus::Quoted(file)});
  }
  return note;
}

}  // namespace

void TRipJob::RunSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                        int position, const std::string& fileName, const RipOptions& options) {
  RunSingle(transport, drive, toc, position, PlainOutput(fileName, options), options);
}

void TRipJob::RunBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                       const std::vector<int>& positions, const std::string& baseName,
                       const RipOptions& options) {
  RunBatch(transport, drive, toc, positions, baseName, PlainBatch(options), options);
}

void TRipJob::RunSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                        int position, const TitleOutput& output, const RipOptions& options) {
  Report(kProgressBeginBatch, 1);
  error_.clear();
  reports_.clear();
  if (position < 0 || position >= toc.TrackCount)
    error_ = "the disc has no track " + std::to_string(position + 1);
  const bool ok =
      position >= 0 && position < toc.TrackCount &&
      RipTitle(transport, drive, toc.Tracks[static_cast<std::size_t>(position)], output, options);
  if (!reports_.empty()) reports_.back().track = position + 1;
  if (position < 0 || position >= toc.TrackCount) SetJobStatus(kJobFailed);
  Report(ok ? kProgressDone : kProgressFailed);
}

void TRipJob::RunBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                       const std::vector<int>& positions, const std::string& baseName,
                       const RipOutput& output, const RipOptions& options) {
  Report(kProgressBeginBatch, static_cast<int>(positions.size()));
  error_.clear();
  reports_.clear();
  bool ok = true;
  for (int position : positions) {
    Report(kProgressNextTrack);
    if (position < 0 || position >= toc.TrackCount) {
      error_ = "the disc has no track " + std::to_string(position + 1);
      SetJobStatus(kJobFailed);
      ok = false;
      break;
    }
    const std::size_t before = reports_.size();
    const bool ripped = RipTitle(transport, drive, toc.Tracks[static_cast<std::size_t>(position)],
                                 BatchOutput(baseName, position, output), options);
    if (reports_.size() > before) reports_.back().track = position + 1;
    if (!ripped) {
      ok = false;
      break;
    }
  }
  Report(ok ? kProgressDone : kProgressFailed);
}

bool TRipJob::RipTitle(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                       const TitleOutput& output, const RipOptions& options) {
  RipOptions read = options;
  read.subcodeOnly = output.kind == TitleOutputKind::Rws;
  if (!IsMp3g(output.kind)) return RipTrack(transport, drive, track, output.path, read);

  const std::filesystem::path target(output.path);
  const std::string cdg =
      MakeTempFile(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."),
                   ".mosaicer-rip-")
          .string();
  if (cdg.empty()) {
    error_ =
        IoStatus::CannotWriteText(output.path, Tr("no temporary file can be made in its folder"));
    SetJobStatus(kJobFailed);
    return false;
  }
  // Gone however the track ends, an exception included.
  struct RemoveTemp {
    const std::string& path;
    ~RemoveTemp() {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  } removeTemp{cdg};
  const std::size_t report = reports_.size();
  // The track's steps and the title's show as one run of steps: the read's
  // count grows by the title's, and its end is not the job's.
  int ripSteps = 0;
  int stepsShown = 0;
  bool ripped = false;
  {
    SetProgressRelay([&](std::int8_t code, int& value) {
      switch (code) {
        case kProgressSteps:
          ripSteps = value;
          value += kTitleSteps;
          return true;
        case kProgressStep:
          ++stepsShown;
          return true;
        case kProgressAllSteps:
          return false;
        default:
          return true;
      }
    });
    struct Clear {
      TRipJob& job;
      ~Clear() { job.SetProgressRelay(nullptr); }
    } clear{*this};
    ripped = RipTrack(transport, drive, track, cdg, read);
  }
  if (reports_.size() > report) reports_[report].file = output.path;
  bool written = false;
  if (ripped) {
    for (; stepsShown < ripSteps; ++stepsShown) Report(kProgressStep);
    written = WriteRippedTitle(cdg, output);
  } else {
    // What RipTrack says is left concerns the temporary file: say it of the
    // output instead.
    const std::string tempNote =
        "; " + mosaicer::Format(Tr("%1 is unchanged"), {IoStatus::Quoted(cdg)});
    if (error_.ends_with(tempNote)) error_.resize(error_.size() - tempNote.size());
    for (std::size_t at = 0; (at = error_.find(IoStatus::Quoted(cdg), at)) != std::string::npos;)
      error_.replace(at, IoStatus::Quoted(cdg).size(), IoStatus::Quoted(output.path));
    if (JobStatus() == kJobFailed) error_ += "; " + OutputNote(output);
  }
  return written;
}

bool TRipJob::WriteRippedTitle(const std::string& cdgPath, const TitleOutput& output) {
  const auto fail = [&](const std::string& why) {
    error_ = why;
    if (!CancelRequested()) SetJobStatus(kJobFailed);
    return false;
  };
  try {
    TitleOpenResult title = OpenCdgTitle(cdgPath);
    if (!title.ok()) return fail(title.error);
    int shown = 0;
    const IoStatus written =
        WriteTitle(*title.source, output, [&](std::uint64_t done, std::uint64_t total) {
          for (const auto now = static_cast<int>(done * kTitleSteps / total); shown < now; ++shown)
            Report(kProgressStep);
          return CancelRequested();
        });
    if (!written) return fail(written.error());
  } catch (const std::exception& e) {
    return fail(IoStatus::CannotWriteText(output.path, e.what()) + "; " + OutputNote(output));
  }
  Report(kProgressAllSteps);
  return true;
}

bool TRipJob::Launch(std::function<void()> work) {
  if (worker_.joinable()) return false;
  try {
    worker_ = std::thread(std::move(work));
  } catch (const std::system_error&) {
    SetJobStatus(kJobIdle);
    return false;
  }
  return true;
}

bool TRipJob::StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                          int position, const std::string& fileName, const RipOptions& options) {
  return StartSingle(transport, drive, toc, position, PlainOutput(fileName, options), options);
}

bool TRipJob::StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                         const std::vector<int>& positions, const std::string& baseName,
                         const RipOptions& options) {
  return StartBatch(transport, drive, toc, positions, baseName, PlainBatch(options), options);
}

bool TRipJob::StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                          int position, const TitleOutput& output, const RipOptions& options) {
  return Launch([=, this, &transport, &drive, &toc] {
    RunSingle(transport, drive, toc, position, output, options);
  });
}

bool TRipJob::StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                         const std::vector<int>& positions, const std::string& baseName,
                         const RipOutput& output, const RipOptions& options) {
  return Launch([=, this, &transport, &drive, &toc] {
    RunBatch(transport, drive, toc, positions, baseName, output, options);
  });
}

}  // namespace mosaicer
