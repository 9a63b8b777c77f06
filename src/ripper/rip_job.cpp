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

#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"
#include "ripper/track_reader.h"

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

std::string BatchFileName(const std::string& base, int position, const std::string& extension) {
  const std::string stem = Format("%s_%.2d", base.c_str(), position + 1);
  std::string name = stem + extension;
  if (!std::filesystem::exists(name)) return name;
  for (int n = 1; n <= kMaxBatchSuffix; ++n) {
    name = Format("%s - %.3d%s", stem.c_str(), n, extension.c_str());
    if (!std::filesystem::exists(name)) return name;
  }
  return name;  // all taken: the last one is overwritten
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

void TRipJob::RunSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                        int position, const std::string& fileName, const RipOptions& options) {
  Report(kProgressBeginBatch, 1);
  error_.clear();
  reports_.clear();
  if (position < 0 || position >= toc.TrackCount)
    error_ = "the disc has no track " + std::to_string(position + 1);
  const bool ok =
      position >= 0 && position < toc.TrackCount &&
      RipTrack(transport, drive, toc.Tracks[static_cast<std::size_t>(position)], fileName, options);
  if (!reports_.empty()) reports_.back().track = position + 1;
  if (position < 0 || position >= toc.TrackCount) SetJobStatus(kJobFailed);
  Report(ok ? kProgressDone : kProgressFailed);
}

void TRipJob::RunBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                       const std::vector<int>& positions, const std::string& baseName,
                       const RipOptions& options) {
  Report(kProgressBeginBatch, static_cast<int>(positions.size()));
  error_.clear();
  reports_.clear();
  const std::string extension = options.subcodeOnly ? ".rws" : ".cdg";
  bool ok = true;
  for (int position : positions) {
    Report(kProgressNextTrack);
    if (position < 0 || position >= toc.TrackCount) {
      error_ = "the disc has no track " + std::to_string(position + 1);
      SetJobStatus(kJobFailed);
      ok = false;
      break;
    }
    const std::string name = BatchFileName(baseName, position, extension);
    const bool ripped =
        RipTrack(transport, drive, toc.Tracks[static_cast<std::size_t>(position)], name, options);
    reports_.back().track = position + 1;
    if (!ripped) {
      ok = false;
      break;
    }
  }
  Report(ok ? kProgressDone : kProgressFailed);
}

bool TRipJob::StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                          int position, const std::string& fileName, const RipOptions& options) {
  if (worker_.joinable()) return false;
  try {
    worker_ = std::thread([=, this, &transport, &drive, &toc] {
      RunSingle(transport, drive, toc, position, fileName, options);
    });
  } catch (const std::system_error&) {
    SetJobStatus(kJobIdle);
    return false;
  }
  return true;
}

bool TRipJob::StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                         const std::vector<int>& positions, const std::string& baseName,
                         const RipOptions& options) {
  if (worker_.joinable()) return false;
  try {
    worker_ = std::thread([=, this, &transport, &drive, &toc] {
      RunBatch(transport, drive, toc, positions, baseName, options);
    });
  } catch (const std::system_error&) {
    SetJobStatus(kJobIdle);
    return false;
  }
  return true;
}

}  // namespace mosaicer
