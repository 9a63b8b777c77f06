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
#include "ripper/secure_read.h"

namespace mosaicer {
namespace {

constexpr int kMaxBatchSuffix = 999;
// The frame of the program area's first block (00:02:00).
constexpr std::int64_t kFirstBlockFrame = 150;
constexpr std::size_t kRereadSectors = 3;

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

namespace {

// The sectors of a read's 2448-byte sectors, subcode parts only.
void CopySubcode(const std::uint8_t* sectors, std::int64_t count, std::uint8_t* to) {
  for (std::int64_t s = 0; s < count; ++s)
    std::memcpy(to + s * kSubcodeBytesPerSector,
                sectors + s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector);
}

}  // namespace

bool TRipJob::RipTrack(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                       const std::string& fileName, const RipOptions& options) {
  const bool raw = options.command == kReadCdDataRaw;
  const bool rawSubcode = raw || options.command == kReadRawPlain;
  const ReadFunction read = ChooseReadFunction(options.command);
  const std::int64_t start = MsfAddressToFrames(track.Start);
  const std::int64_t end = MsfAddressToFrames(track.End);
  const int readSize = std::clamp(options.readSize, kMinReadSize, kMaxReadSize);
  const int sync = std::clamp(options.syncSize, 0, readSize - 1);
  // Re-reads find a sector by its place in the stream, which overlapping
  // reads would blur.
  const int retries = sync == 0 ? std::clamp(options.retries, 0, kMaxRetries) : 0;
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
  TNkParagraphBoundaryBuffer buffer(static_cast<std::size_t>(readSize) * kCdgSectorSize);
  std::uint8_t* const data = buffer.Data();

  // A drive whose subcode runs off the audio: where the subcode of the
  // track's first sector is read, measured from its Q time at the start.
  std::int64_t shift = 0;
  if (rawSubcode && options.fixSlip) {
    const std::int64_t n = std::min<std::int64_t>(readSize, end - start);
    if (n > 0 && read(transport, drive, start, static_cast<std::uint32_t>(n), data)) {
      SlipMeter probe;
      for (std::int64_t s = 0; s < n; ++s)
        probe.AddSector(data + s * kCdgSectorSize + kAudioBytesPerSector, start + s);
      const SlipFigures found = probe.Figures();
      if (found.agreeing != 0 && std::llabs(found.offset) <= kMaxSlipCorrection)
        shift = found.offset;
    }
  }
  const std::int64_t subcodeStart = start + shift;
  std::optional<TNkParagraphBoundaryBuffer> shifted;
  if (shift != 0) shifted.emplace(static_cast<std::size_t>(readSize) * kCdgSectorSize);

  // Reads `count` sectors of subcode from stream sector `first` into `to`
  // (96 bytes each); sectors before the disc's first or that the drive
  // cannot read come back empty and count as read errors.
  TrackRipReport& report = reports_[index];
  const auto readSubcode = [&](std::int64_t first, std::int64_t count, std::uint8_t* sectors,
                               std::uint8_t* to) {
    const std::int64_t at = subcodeStart + first;
    if (at >= kFirstBlockFrame &&
        read(transport, drive, at, static_cast<std::uint32_t>(count), sectors)) {
      CopySubcode(sectors, count, to);
      return;
    }
    for (std::int64_t s = 0; s < count; ++s) {
      std::uint8_t* sub = to + s * kSubcodeBytesPerSector;
      if (at + s >= kFirstBlockFrame && read(transport, drive, at + s, 1, sectors)) {
        CopySubcode(sectors, 1, sub);
      } else {
        std::memset(sub, 0, kSubcodeBytesPerSector);
        ++report.readErrors;
      }
    }
  };

  TNkParagraphBoundaryBuffer rereadBuffer(kRereadSectors * kCdgSectorSize);
  SecureRawTrack secure(ecc_, retries, [&](std::int64_t first, int count, std::uint8_t* raw) {
    if (JobStatus() == kJobCancelRequested) return RereadResult::Stop;
    if (subcodeStart + first < kFirstBlockFrame ||
        !read(transport, drive, subcodeStart + first, static_cast<std::uint32_t>(count),
              rereadBuffer.Data()))
      return RereadResult::Failed;
    CopySubcode(rereadBuffer.Data(), count, raw);
    return RereadResult::Read;
  });
  SlipMeter slip;
  std::vector<std::uint8_t> subcodeBlock(shift != 0 ? static_cast<std::size_t>(readSize) *
                                                          kSubcodeBytesPerSector
                                                    : 0);

  settle = [&, settled = false]() mutable {
    if (settled) return;
    settled = true;
    if (raw) {
      const std::uint64_t readErrors = report.readErrors;
      report = secure.Report();
      report.file = fileName;
      report.readErrors += readErrors;
    }
    if (rawSubcode) {
      report.slip = slip.Figures();
      report.slip.corrected = shift;
    }
  };

  std::int64_t position = start;
  std::int64_t count = std::min<std::int64_t>(readSize, end - start);
  SetJobStatus(kJobRunning);
  do {
    if (count <= 0 || !read(transport, drive, position, static_cast<std::uint32_t>(count), data))
      return fail("the drive could not read sectors " + std::to_string(position) + " to " +
                  std::to_string(position + std::max<std::int64_t>(count, 1) - 1));
    if (shift != 0) {
      readSubcode(position - start, count, shifted->Data(), subcodeBlock.data());
      for (std::int64_t s = 0; s < count; ++s)
        std::memcpy(data + s * kCdgSectorSize + kAudioBytesPerSector,
                    subcodeBlock.data() + s * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
    }
    IoStatus written = IoStatus::Ok();
    for (std::int64_t s = 0; s < count && written; ++s) {
      std::uint8_t* subcode = data + s * kCdgSectorSize + kAudioBytesPerSector;
      const std::int64_t sector = position - start + s;
      if (rawSubcode) slip.AddSector(subcode, subcodeStart + sector);
      if (raw) {
        secure.AddSector(subcode);
      } else {
        for (std::size_t b = 0; b < kSubcodeBytesPerSector; ++b) subcode[b] &= kSymbolMask;
        if (rawSubcode) {
          ++report.sectors;
          report.packsRead += kPacksPerSector;
        } else {
          JudgeDrivePacks(ecc_, subcode, sector, report);
        }
      }
      if (options.subcodeOnly) written = out.Write(subcode, kSubcodeBytesPerSector);
    }
    if (!options.subcodeOnly)
      written = out.Write(data, static_cast<std::size_t>(count) * kCdgSectorSize);
    if (!written) return fail(written.error());  // a full disk is a failure, not a short file
    position += count;
    if (position >= end) {
      Report(kProgressAllSteps);
      SetJobStatus(kJobSucceeded);
    } else {
      position -= sync;
      count = std::min<std::int64_t>(readSize, end - position);
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
