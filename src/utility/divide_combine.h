// Dividing a CDG file into its subcode (an RWS file) and its audio (a WAV
// file), and combining the two again. The 96 subcode bytes of each sector
// pass through untouched: nothing is checked, corrected or interleaved.
//
// Both operations run on the caller's thread. Progress goes to an optional
// TJobOwner as the utility's progress bar sees it: kProgressSteps (the bar's
// maximum), kProgressStep (advance by one), kProgressAllSteps (set to the
// maximum), then kProgressDone or kProgressFailed. A cancel request on the
// owner stops the operation after the current block (divide) or sector
// (combine); what was done so far takes the outputs' names, as the user asked
// for those files. Outputs are written under temporary names: after a
// failure an existing file of an output's name stays as it was.
#pragma once

#include <cstdint>
#include <string>

#include "authoring/job_owner.h"
#include "title/title_sink.h"

namespace mosaicer {

// Sectors a divide reads at a time.
inline constexpr std::int64_t kDivideBlockSectors = 25;

enum class UtilityOutcome {
  NothingToDo,  // a path the operation needs is empty
  NotCdAudio,   // combine: the song cannot be read (OpenAudio refuses it)
  Succeeded,
  Failed,     // `error` says what went wrong and what is left on disk
  Cancelled,  // stopped on request; the outputs hold what was done
};

struct UtilityResult {
  UtilityOutcome outcome = UtilityOutcome::NothingToDo;
  std::string error;         // for Failed: the file and the reason, in English
  std::int64_t sectors = 0;  // sectors divided, or written to the CDG file

  bool ok() const { return outcome == UtilityOutcome::Succeeded; }
};

class TitleSource;

struct DivideRequest {
  std::string cdgPath;  // read (a CDG file), unless `title` is given
  std::string rwsPath;  // written
  std::string wavPath;  // written when writeWav
  bool writeWav = true;
  // Any title already open (an MP3+G pair or zip), read instead of cdgPath,
  // which then only names it for the checks that outputs are not inputs.
  TitleSource* title = nullptr;
};

struct CombineRequest {
  std::string rwsPath;  // read
  std::string wavPath;  // read
  std::string cdgPath;  // written
};

// Splits the CDG file into the RWS file and, when asked, a 16-bit 44.1 kHz
// stereo WAV file. A trailing partial sector of the CDG file is ignored.
// Steps: one per block of kDivideBlockSectors sectors, plus one for a final
// short block; the announced maximum counts whole blocks only.
UtilityResult Divide(const DivideRequest& request, TJobOwner* progress = nullptr);

// Joins the RWS file and the WAV file into a CDG file of
// max(ceil(audio bytes / 2352), RWS sectors) sectors: short audio is padded
// with silence, short subcode with zero bytes, and a final partial audio
// sector with zeros. A trailing partial RWS sector is ignored. One step per
// sector written; the announced maximum is the larger of the whole audio
// sectors and the RWS sectors.
UtilityResult Combine(const CombineRequest& request, TJobOwner* progress = nullptr);

// Rewrites the title `input` (a CDG file, or an MP3+G zip or pair) as
// `output`: an MP3+G zip or pair, or any kind WriteTitle writes. Progress in
// hundredths (WriteTitle with an owner); a cancel leaves every output as it
// was, and so does a failure.
UtilityResult DivideToTitle(const std::string& input, const TitleOutput& output,
                            TJobOwner* progress = nullptr);

// The WAV file named after an RWS file ("x.rws" -> "x.wav", same folder).
std::string SameNameWav(const std::string& rwsPath);

}  // namespace mosaicer
