// Reading tracks of a CD+G disc into CDG or RWS files or MP3+G titles: the
// ripper's job on its worker thread, the names a batch gives its files, the
// outcome texts and the per-drive settings kept in "Drive.ini".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "authoring/job_owner.h"
#include "core/parity.h"
#include "platform/ini_file.h"
#include "ripper/cd_drive.h"
#include "ripper/rip_report.h"
#include "title/title_sink.h"

namespace mosaicer {

// Positions of the read-command list.
enum ReadCommand { kReadCdDataRaw = 0, kReadCdDataRw = 1, kReadCddaDataRw = 2, kReadRawPlain = 3 };

inline constexpr int kMinReadSize = 1;
inline constexpr int kMaxReadSize = 50;
inline constexpr int kDefaultReadSize = 25;
inline constexpr int kDriveSlots = 26;
inline constexpr int kDefaultRetries = 5;
inline constexpr int kMaxRetries = 20;
// A slip found larger than this is reported but not corrected.
inline constexpr int kMaxSlipCorrection = 75;

struct RipOptions {
  int command = kReadCdDataRaw;
  int readSize = kDefaultReadSize;  // sectors per read
  int syncSize = 0;                 // sectors read again between two reads
  bool subcodeOnly = false;         // RWS instead of CDG
  // Raw mode: times a sector with unrepairable packs is read again (0: never).
  int retries = kDefaultRetries;
  // Raw modes: shift the subcode against the audio by the slip its Q time
  // shows at the start of the track.
  bool fixSlip = false;
};

// The read entry point for a read-command position; the empty fourth
// position reads raw subcode too.
ReadFunction ChooseReadFunction(int command);

// Read steps of a track: (end − start) / (R − S) + 1.
std::int64_t RipSteps(const TNkTrack& track, const RipOptions& options);

// The file of list position `position` in a batch: "<base>_<NN><ext>", or
// the first free "<base>_<NN> - <nnn><ext>" (999 when all are taken).
std::string BatchFileName(const std::string& base, int position, const std::string& extension);

// What each track of a batch becomes. CDG and RWS files are written as the
// track is read; a zip or a pair is made from the track's CDG rip, read into
// a temporary file beside it, once the whole track is in.
struct RipOutput {
  TitleOutputKind kind = TitleOutputKind::Cdg;
  SongKind song = SongKind::Mp3;  // the song of a zip or a pair
  int bitrate = kDefaultMp3Bitrate;
  // The batch takes the plain names, replacing files of those names, instead
  // of looking for free ones (the caller has asked whether it may).
  bool replace = false;
};

// The extension of a batch's files of that kind (a pair's: its song's).
std::string RipExtension(const RipOutput& output);
// The files of list position `position` in a batch: BatchFileName's rule,
// with a name taken only when every file of the output is free (for a pair
// "<base>_<NN>.mp3" and "<base>_<NN>.cdg" both).
TitleOutput BatchOutput(const std::string& base, int position, const RipOutput& output);

// What the ripper keeps for one drive, recognised by its product string.
struct DriveSettings {
  int readCommand = kReadCdDataRaw;
  bool tocBcd = false;
  int readSize = 15;
  int retries = kDefaultRetries;
  bool fixSlip = false;
};
DriveSettings LoadDriveSettings(const IniFile& driveIni, const TNkCdRom& drive);
void SaveDriveSettings(IniFile& driveIni, const TNkCdRom& drive, const DriveSettings& settings);

// The outcome texts: "CDG" or "RWS" followed by the system's words.
std::string RipOutcomeText(std::uint8_t jobStatus, bool subcodeOnly);
// The same for any kind of output (MP3+G for a zip or a pair).
std::string RipOutcomeText(std::uint8_t jobStatus, TitleOutputKind kind);

class TRipJob : public TJobOwner {
 public:
  ~TRipJob();

  // Reads one track into `fileName`, which is replaced once the track is read
  // (or the user stopped the job). True exactly when the whole track was
  // written; a failed read or write sets the status to failed (Error() says
  // why) and leaves an existing file as it was; a cancel request ends it after
  // the current step, or stops the re-reads under way. A track with packs
  // left unrepairable is still written in full and succeeds: its report
  // (appended to Reports()) says which sectors hold them.
  bool RipTrack(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                const std::string& fileName, const RipOptions& options);

  // The two workers, on the calling thread: one track into `fileName`, or
  // the tracks at `positions` (list positions) into batch-named files.
  void RunSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc, int position,
                 const std::string& fileName, const RipOptions& options);
  void RunBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                const std::vector<int>& positions, const std::string& baseName,
                const RipOptions& options);

  // The same for any kind of output; `options.subcodeOnly` follows the
  // kind. A zip or a pair is one job to the progress callback: the steps it
  // announces cover reading the track and writing the title. Failed or
  // cancelled, it leaves no output (existing files stay as they were) and
  // no temporary file; its report names the output.
  void RunSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc, int position,
                 const TitleOutput& output, const RipOptions& options);
  void RunBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                const std::vector<int>& positions, const std::string& baseName,
                const RipOutput& output, const RipOptions& options);

  // Either worker on a thread of its own; the arguments must outlive it.
  bool StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc, int position,
                   const std::string& fileName, const RipOptions& options);
  bool StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                  const std::vector<int>& positions, const std::string& baseName,
                  const RipOptions& options);
  bool StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc, int position,
                   const TitleOutput& output, const RipOptions& options);
  bool StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                  const std::vector<int>& positions, const std::string& baseName,
                  const RipOutput& output, const RipOptions& options);
  void Wait();

  // Why the last track failed: what could not be read or written, and what
  // is left on disk. Read it after Wait().
  const std::string& Error() const { return error_; }
  // One report per track begun since the last worker started, in order.
  // Read it after Wait().
  const std::vector<TrackRipReport>& Reports() const { return reports_; }

 private:
  // One track into `output`: RipTrack for CDG and RWS; for a zip or a pair
  // RipTrack into a temporary CDG file, then the title made from it.
  bool RipTitle(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                const TitleOutput& output, const RipOptions& options);
  // Writes the complete CDG rip `cdgPath` as `output`, one kProgressStep a
  // hundredth; a cancel request stops it.
  bool WriteRippedTitle(const std::string& cdgPath, const TitleOutput& output);
  bool Launch(std::function<void()> work);

  std::thread worker_;
  std::string error_;
  std::vector<TrackRipReport> reports_;
  TSubCodeErrorCorrect ecc_;
};

}  // namespace mosaicer
