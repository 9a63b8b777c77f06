#include <optional>
#include <ostream>
#include <string>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/drive_input.h"
#include "cli/output_check.h"
#include "cli/progress.h"
#include "cli/title_output.h"
#include "cli/values.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "ripper/cd_drive.h"
#include "ripper/cd_drives.h"
#include "ripper/drive_text.h"
#include "ripper/image_drive.h"
#include "ripper/linux_transports.h"
#include "ripper/rip_job.h"
#include "ripper/rip_report.h"

namespace mosaicer::cli {
namespace {

int RunDrives(const Args& args, Io& io) {
  if (!args.Positionals().empty()) return UsageError(io, "drives", Tr("takes no arguments"));
  LinuxDriveAccess access;
  TNkCdRoms drives;
  drives.Search(access.Setup());
  for (int i = 0; i < drives.Count(); ++i)
    io.out << DriveLine(*drives.Drive(i), drives.UsesAspi(i)) << "\n";
  return kExitSuccess;
}

int RunToc(const Args& args, Io& io) {
  const auto& positionals = args.Positionals();
  if (positionals.size() != 1) return UsageError(io, "toc", Tr("give exactly one DRIVE"));
  const std::string& name = positionals[0];
  int status = kExitSuccess;
  std::optional<OpenedDrive> opened = OpenDrive(io, "toc", name, status);
  if (!opened) return status;
  TNkToc toc;
  if (!ReadToc(*opened->transport, opened->drive, args.Has("bcd"), toc))
    return Failure(io, Format(Tr("cannot read the table of contents of %1: the drive gave "
                                  "none (is a disc in it?)"),
                               {IoStatus::Quoted(name)}));
  for (int i = 0; i < toc.TrackCount; ++i) io.out << TrackLine(i, toc.Tracks[i]) << "\n";
  return kExitSuccess;
}

int RunRip(const Args& args, Io& io) {
  const auto& positionals = args.Positionals();
  if (positionals.size() != 1) return UsageError(io, "rip", Tr("give exactly one DRIVE"));
  const int chosen = args.Has("track") + args.Has("tracks") + args.Has("all");
  if (chosen != 1)
    return UsageError(io, "rip", Tr("give one of --track N, --tracks N,M,... or --all"));
  std::string output;
  if (!OutputPath(args, io, "rip", output)) return kExitUsage;

  // OUT's extension may ask for RWS or an MP3+G title; any other name keeps
  // CDG sectors (or RWS with --rws).
  std::optional<TitleOutput> titled;
  if (const int status = ReadMp3gOutput(args, io, "rip", output, titled, true)) return status;
  const bool mp3g = titled && titled->kind != TitleOutputKind::Rws;
  if (mp3g && args.Has("rws"))
    return UsageError(io, "rip",
                      Tr("--rws writes RWS files: give OUT without an MP3+G extension"));
  RipOptions options;
  options.readSize = kCliReadSize;
  options.subcodeOnly = args.Has("rws") || (titled && titled->kind == TitleOutputKind::Rws);
  const TitleOutputKind kind = mp3g                  ? titled->kind
                               : options.subcodeOnly ? TitleOutputKind::Rws
                                                     : TitleOutputKind::Cdg;
  if (args.Has("command")) {
    const std::string c = args.Value("command");
    const char* const names[] = {"raw", "rw", "cdda", "raw-plain"};
    const auto it = std::find(std::begin(names), std::end(names), c);
    if (it == std::end(names))
      return UsageError(io, "rip", Tr("--command must be raw, rw, cdda or raw-plain"));
    options.command = static_cast<int>(it - std::begin(names));
  }
  if (args.Has("read-size")) {
    const auto n = ParseInteger(args.Value("read-size"), kMinReadSize, kMaxReadSize);
    if (!n) return UsageError(io, "rip", Tr("--read-size must be 1..50"));
    options.readSize = static_cast<int>(*n);
  }
  if (args.Has("retries")) {
    const auto n = ParseInteger(args.Value("retries"), 0, kMaxRetries);
    if (!n)
      return UsageError(io, "rip",
                        Format(Tr("--retries must be 0..%1"), {std::to_string(kMaxRetries)}));
    options.retries = static_cast<int>(*n);
  }
  options.fixSlip = args.Has("fix-slip");
  if (args.Has("log") && args.Has("no-log"))
    return UsageError(io, "rip", Tr("give --log or --no-log, not both"));
  const bool writeLog = !args.Has("no-log");

  int openStatus = kExitSuccess;
  std::optional<OpenedDrive> opened = OpenDrive(io, "rip", positionals[0], openStatus);
  if (!opened) return openStatus;
  // The log beside the output: OUT without its extension, then ".log".
  const std::string base = std::filesystem::path(output).replace_extension().string();
  const std::string logName = RipLogName(base, args.Has("force"));
  if (args.Has("track") && !mp3g)
    if (const int status = CheckOutputsAreNotInputs(io, {output}, opened->files)) return status;
  if (args.Has("track") && mp3g)
    if (const int status = CheckMp3gOutput(args, io, *titled, opened->files)) return status;
  if (writeLog)
    if (const int status = CheckOutputsAreNotInputs(io, {logName}, opened->files)) return status;
  TNkToc toc;
  if (!ReadToc(*opened->transport, opened->drive, args.Has("bcd"), toc) || toc.TrackCount == 0)
    return Failure(io, Format(Tr("cannot read the table of contents of %1: the drive gave "
                                  "none (is a disc in it?)"),
                               {IoStatus::Quoted(positionals[0])}));

  TRipJob job;
  TerminalProgress progress(io.err, !io.quiet && ::isatty(STDERR_FILENO) == 1);
  progress.Attach(job);
  bool started = false;
  if (args.Has("track")) {
    const auto n = ParseInteger(args.Value("track"), 1, toc.TrackCount);
    if (!n) return UsageError(io, "rip", Tr("--track must name a track of the disc"));
    TitleOutput single;
    if (mp3g) {
      single = *titled;
    } else {
      if (const int status = CheckOutput(io, output, args.Has("force"))) return status;
      single.kind = kind;
      single.path = output;
    }
    started = job.StartSingle(*opened->transport, opened->drive, toc, static_cast<int>(*n) - 1,
                              single, options);
  } else {
    std::vector<int> positions;
    if (args.Has("all")) {
      for (int i = 0; i < toc.TrackCount; ++i) positions.push_back(i);
    } else {
      const auto list = ParseTrackList(args.Value("tracks"), toc.TrackCount);
      if (!list)
        return UsageError(io, "rip",
                          Format(Tr("--tracks must list tracks of the disc (1..%1), each once"),
                                 {std::to_string(toc.TrackCount)}));
      positions = *list;
    }
    RipOutput batch;
    batch.kind = kind;
    if (mp3g) {
      // Every file of every track follows --force together, and none is an
      // input, before anything is read.
      batch.song = titled->song;
      batch.bitrate = titled->bitrate;
      batch.replace = true;
      for (int position : positions)
        if (const int status =
                CheckMp3gOutput(args, io, BatchOutput(base, position, batch), opened->files))
          return status;
    }
    // CDG and RWS files are named after the base name and never replace an
    // existing one.
    started =
        job.StartBatch(*opened->transport, opened->drive, toc, positions, base, batch, options);
  }
  if (!started)
    return Failure(io, RipOutcomeText(kJobFailed, kind) + " " + Tr("the job could not be started"));
  progress.WaitForEnd(job);
  job.Wait();
  const std::uint8_t status = job.JobStatus();
  job.SetJobStatus(kJobIdle);
  const std::string text = RipOutcomeText(status, kind);
  const std::vector<TrackRipReport>& reports = job.Reports();
  if (!io.quiet && !reports.empty()) io.out << FormatRipReports(reports) << "\n";
  IoStatus logged = IoStatus::Ok();
  // A failed track leaves no output, nor does a cancelled MP3+G one, so no
  // log beside it either.
  if (writeLog && !reports.empty() && status != kJobFailed &&
      !(mp3g && status == kJobCancelRequested))
    logged = WriteRipLog(logName, reports);
  if (status == kJobCancelRequested) {
    io.err << text << "\n";
    return kExitCancelled;
  }
  if (status != kJobSucceeded) return Failure(io, text + " " + job.Error());
  if (!io.quiet) io.out << text << "\n";
  if (!logged) return Failure(io, logged.error());
  if (const std::uint64_t bad = UnrepairablePacks(reports); bad != 0)
    return Failure(io, Format(Tr("%1 packs could not be repaired; their sectors are listed in "
                                 "the report%2. The output is kept."),
                              {std::to_string(bad),
                               writeLog ? Format(Tr(" and in %1"), {IoStatus::Quoted(logName)})
                                        : std::string()}));
  return kExitSuccess;
}

}  // namespace

const char* const kDriveHelp =
    N_("  DRIVE: /dev/srN, sg:HOST:TARGET:LUN or a disc image (disc.ccd, disc.toc,\n"
       "         disc.cue)");

Command DrivesCommand() {
  return Command{
      "drives", "mosaicer drives", N_("list the CD drives the ripper can use, one line per drive"),
      {},       RunDrives,         {}};
}

Command TocCommand() {
  return Command{"toc",
                 "mosaicer toc DRIVE [--bcd]",
                 N_("print the tracks of the disc in a drive (--bcd: the drive reports BCD)"),
                 {{"bcd", 0, false}},
                 RunToc,
                 {kDriveHelp}};
}

Command RipCommand() {
  return Command{
      "rip",
      "mosaicer rip DRIVE (--track N | --tracks N,M,... | --all) -o OUT [--rws]\n"
      "                 [--audio mp3|ogg|flac|wav] [--bitrate N]\n"
      "                 [--command raw|rw|cdda|raw-plain] [--read-size 1..50] [--bcd]\n"
      "                 [--retries 0..20] [--fix-slip] [--log | --no-log]",
      N_("read tracks of a CD+G disc into CDG, RWS or MP3+G files (Ctrl-C stops)"),
      {{"audio", 0, true},
       {"bitrate", 0, true},
       {"track", 0, true},
       {"tracks", 0, true},
       {"all", 0, false},
       {"rws", 0, false},
       {"command", 0, true},
       {"read-size", 0, true},
       {"retries", 0, true},
       {"fix-slip", 0, false},
       {"log", 0, false},
       {"no-log", 0, false},
       {"bcd", 0, false}},
      RunRip,
      {kDriveHelp,
       N_("  --track N   one track into OUT; --tracks/--all into OUT_NN files\n"
          "  --rws       the subcode alone (96 bytes a sector) instead of CDG sectors\n"
          "  --command   raw: READ CD with raw P-W, de-interleaved and repaired here (default);\n"
          "              rw: READ CD with R-W from the drive; cdda: READ CD-DA; raw-plain: raw,\n"
          "              written as read\n"
          "  --read-size sectors per read (15)\n"
          "  --retries N  raw: read a sector again up to N times while packs in it\n"
          "              stay unrepairable (0..20, 5; 0 reads each sector once)\n"
          "  --fix-slip  raw: shift the subcode against the audio when its Q time\n"
          "              shows it runs early or late\n"
          "  --log, --no-log  write the report to OUT.log beside the output (default) or not\n"
          "  exit 1 when packs are left unrepairable (the output is kept)"),
       N_("  OUT's extension chooses what each track becomes:\n"
          "    .cdg .bin (or any other)  CDG sectors (2448 bytes: audio and subcode)\n"
          "    .rws                      the subcode alone (96 bytes a sector), as --rws\n"
          "    .zip                      MP3+G: NAME.cdg and NAME.mp3 stored in one zip file\n"
          "    .mp3 .ogg .flac .wav      MP3+G pair: the song, and NAME.cdg beside it\n"
          "  --audio mp3|ogg|flac|wav  the song's kind inside a zip (mp3)\n"
          "  --bitrate N the MP3's constant bit rate in kbit/s (192)\n"
          "  A batch of CDG or RWS files never replaces existing ones; one of zips or pairs\n"
          "  (OUT_NN.zip, or OUT_NN.mp3 and OUT_NN.cdg) is refused while any of its files\n"
          "  exists, unless forced, for every file of every track together")}};
}

}  // namespace mosaicer::cli
