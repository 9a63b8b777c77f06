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
#include "ripper/secure_read.h"
#include "title/title_source.h"

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
  switch (output.song) {
    case SongKind::Ogg:
      return ".ogg";
    case SongKind::Flac:
      return ".flac";
    case SongKind::Wav:
      return ".wav";
    case SongKind::Mp3:
      break;
  }
  return ".mp3";
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
