// Reading tracks of a CD+G disc into CDG or RWS files: the ripper's job on
// its worker thread, the names a batch gives its files, the outcome texts
// and the per-drive settings kept in "Drive.ini".
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "authoring/job_owner.h"
#include "core/parity.h"
#include "platform/ini_file.h"
#include "ripper/cd_drive.h"
#include "ripper/rip_report.h"

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

  // Either worker on a thread of its own; the arguments must outlive it.
  bool StartSingle(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc, int position,
                   const std::string& fileName, const RipOptions& options);
  bool StartBatch(ScsiTransport& transport, const TNkCdRom& drive, const TNkToc& toc,
                  const std::vector<int>& positions, const std::string& baseName,
                  const RipOptions& options);
  void Wait();

  // Why the last track failed: what could not be read or written, and what
  // is left on disk. Read it after Wait().
  const std::string& Error() const { return error_; }
  // One report per track begun since the last worker started, in order.
  // Read it after Wait().
  const std::vector<TrackRipReport>& Reports() const { return reports_; }

 private:
  std::thread worker_;
  std::string error_;
  std::vector<TrackRipReport> reports_;
  TSubCodeErrorCorrect ecc_;
};

}  // namespace mosaicer
