// The CD+G utility's fields and what its two buttons make of them: which
// operation they ask for, whether it may start, and the WAV name that
// follows a chosen RWS file.
#pragma once

#include <optional>
#include <string>

#include "utility/divide_combine.h"

namespace mosaicer {

struct UtilityFields {
  std::string cdgPath;
  std::string rwsPath;
  std::string wavPath;
  bool noWav = false;  // "RWS only": a divide writes no WAV
};

// A divide writes the WAV unless "RWS only" is ticked or the RWS field names
// an MP3+G output; a combine always reads one, whatever that box says.
DivideRequest DivideRequestFor(const UtilityFields& fields);
// The MP3+G output a divide writes when the RWS field names one (a .zip, or
// a song's extension for a pair); empty for an RWS file.
std::optional<TitleOutput> DivideTitleOutput(const UtilityFields& fields);
CombineRequest CombineRequestFor(const UtilityFields& fields);

// NothingToDo while a path the operation needs is empty; for a combine
// NotCdAudio when the WAV is not 16-bit 44.1 kHz stereo PCM (or cannot be
// read as a WAV at all); Succeeded when the operation may start. Either
// way nothing has been written.
UtilityOutcome DivideReadiness(const DivideRequest& request);
UtilityOutcome CombineReadiness(const CombineRequest& request);

// The WAV field after `rwsPath` was chosen: the RWS name with ".wav" when
// `sameName` is set, otherwise `currentWav` unchanged.
std::string WavPathAfterRws(const std::string& rwsPath, bool sameName,
                            const std::string& currentWav);

}  // namespace mosaicer
