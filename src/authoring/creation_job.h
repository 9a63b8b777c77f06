// The creation commands: the CDG file made on a worker thread, the RWS file
// and the BMP of the visible area made at once. Front ends show the texts of
// messages.h for the outcomes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "authoring/authoring_state.h"
#include "authoring/cdg_writer.h"
#include "authoring/job_owner.h"
#include "core/parity.h"
#include "platform/io_status.h"
#include "title/title_sink.h"

namespace mosaicer {

// What saving into a path needs first.
enum class SaveTarget {
  Fresh,      // nothing there: save
  Existing,   // ask before saving over it
  Protected,  // read-only, or its attributes cannot be read: refuse
};
SaveTarget CheckSaveTarget(const std::string& path);

// The CDG creation job. The owner's status tells the outcome: succeeded,
// cancel requested (the partial file stays) or anything else for a failure.
class TCreationJob : public TJobOwner {
 public:
  ~TCreationJob();

  // Starts RunCreation on a worker thread. `state` and `ecc` must stay
  // unchanged until Wait() returns. False when a job is still running or the
  // thread cannot be started.
  bool Start(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
             const std::string& outputPath);
  // Makes the pack stream (preparing the picture on the way), or says why it
  // cannot. Runs on a thread of its own.
  using StreamMaker = std::function<MadeStream()>;
  // Starts a job whose pack stream `make` makes on a second thread while the
  // worker already copies the song into the file (see WriteCdgFile with a
  // StreamSource); the job costs about the longer of the two. Only the song,
  // the timing mode and the limit are taken from `state`, here and now. A
  // failure of `make` fails the job with make's own message and no output.
  bool Start(const AuthoringState& state, StreamMaker make, const std::string& outputPath);
  // The same jobs with an output of any kind. Anything but a CDG file (an
  // MP3+G zip or pair, bare subcode) is made from a CDG file the job writes
  // beside it first and removes; the song is encoded as a second run of
  // steps. A cancelled job's partial title becomes the output, as a
  // cancelled CDG file keeps what was written; a cancel while the song is
  // encoded leaves every output as it was.
  bool Start(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
             const TitleOutput& output);
  bool Start(const AuthoringState& state, StreamMaker make, const TitleOutput& output);
  // Waits for the worker to end.
  void Wait();
  bool Running() const { return worker_.joinable(); }

  // The whole job on the calling thread: builds the pack stream, writes the
  // CDG file with the writer of the timing mode, and sends the final code
  // (1 when it ran to its end, 0 when building failed or an error escaped).
  void RunCreation(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                   const std::string& outputPath);

  // The layout the current state gives for a stream of `packCount` packs.
  static CdgLayout Layout(const AuthoringState& state, std::int64_t packCount);

  // Why the last job failed: the file, the reason and what is left on disk.
  // Read it after Wait().
  const std::string& Error() const { return error_; }

 private:
  struct Song {
    int timing = 0;
    std::int64_t limit = 0;
    std::string wavPath;
    WaveInfo wave;
  };
  bool Launch(std::function<void()> work);
  // The writing of a CDG file, without its final report: the code to send
  // when the job ends.
  std::int8_t CreateInto(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                         const std::string& outputPath);
  std::int8_t CreateWhileMaking(const Song& song, const StreamMaker& make,
                                const std::string& outputPath);
  // Writes the CDG file into the output itself, or into a file beside it
  // that then becomes the output; reports the job's end.
  using CdgWriting = std::function<std::int8_t(const std::string& cdgPath)>;
  void WriteOutput(const TitleOutput& output, const CdgWriting& writeCdg);
  void ConvertTitle(const std::string& cdgPath, const TitleOutput& output);

  std::thread worker_;
  std::string error_;
};

// The text and kind of the message that reports a finished CDG job; resets
// nothing.
struct Outcome {
  std::string text;
  bool error = false;
  bool cancelled = false;
};
Outcome CreationOutcome(std::uint8_t jobStatus);
// The same for an output of `kind`: an MP3+G zip or pair, an RWS file.
Outcome CreationOutcome(std::uint8_t jobStatus, TitleOutputKind kind);

// The pack stream saved as an RWS file; the failure names the file and why.
IoStatus SaveRwsFile(const AuthoringState& state, const TSubCodeErrorCorrect& ecc,
                     const std::string& path);

// The 288 x 192 visible area of the picture as a 4-bit BMP with the
// picture's colour table.
IoStatus SaveVisibleBmp(const AuthoringState& state, const std::string& path);

}  // namespace mosaicer
