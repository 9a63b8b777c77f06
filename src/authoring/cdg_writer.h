// Lays a pack stream into the subcode of a song's sectors and writes the CDG
// file. The timing mode decides where the graphics fall relative to the
// audio; graphics that do not fit are played over silence before the song.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "authoring/job_owner.h"
#include "authoring/wave_info.h"
#include "platform/io_status.h"

namespace mosaicer {

enum class CdgWriterKind { Together, DisplayFirst, LeadIn, Target };

// Which audio sector and which stream sector each sector of the file holds.
struct CdgLayout {
  CdgWriterKind kind = CdgWriterKind::Together;
  std::int64_t fullAudio = 0;  // S: whole audio sectors
  std::int64_t partial = 0;    // R: bytes of a final partial audio sector
  std::int64_t audio = 0;      // A: S, plus one when R is not 0
  std::int64_t graphics = 0;   // G: sectors of the pack stream
  std::int64_t limit = 0;      // L: the target's frame count
  std::int64_t lead = 0;       // silent sectors ahead of the audio

  std::int64_t Sectors() const;
  // The progress steps the writer announces.
  std::int64_t Steps() const;
  // Audio sector of file sector k, or -1 for silence.
  std::int64_t AudioAt(std::int64_t k) const;
  // Stream sector of file sector k, or -1 for empty subcode.
  std::int64_t StreamAt(std::int64_t k) const;
};

// Chooses the writer for a timing-mode index (anything unknown plays
// together) and works out its layout.
CdgLayout PlanCdgLayout(int timing, std::uint32_t audioBytes, std::int64_t packCount,
                        std::int64_t limit);

// Writes the CDG file of `layout`, reporting through `owner`: steps (6), one
// step per sector (8), all done (7). After each sector it stops if a cancel
// was requested, and the file as far as written takes the output's name.
// The file is written under a temporary name and replaces `outputPath` only
// then or at the end. Sets the status to succeeded at the end, or to failed
// when a file cannot be opened, read or written; the failure's message names
// the file, the reason and what is left on disk.
IoStatus WriteCdgFile(const CdgLayout& layout, const std::string& wavPath, const WaveInfo& wave,
                      const std::vector<std::uint8_t>& stream, const std::string& outputPath,
                      TJobOwner& owner);

// A pack stream, or why it could not be made.
struct MadeStream {
  std::vector<std::uint8_t> bytes;
  std::int64_t packCount = 0;
  std::string error;  // set exactly when there is no stream
};

// A pack stream that may still be in the making when the writer starts.
class StreamSource {
 public:
  virtual ~StreamSource() = default;
  // True once the stream (or its failure) is there; never waits.
  virtual bool Ready() = 0;
  // Waits for the stream or its failure.
  virtual const MadeStream& Wait() = 0;
};

// The same file as WriteCdgFile with the layout PlanCdgLayout gives for
// `timing` and `limit`, begun before the stream is made: while it is made,
// the song's audio goes into the file's first sectors with empty subcode when
// the timing mode can put it there, and the stream's subcode is laid into
// them afterwards. Should the layout then put the audio elsewhere, the file
// is started again. A failure to make the stream ends the job as failed with
// the stream's own message, leaving the output untouched.
IoStatus WriteCdgFile(int timing, std::int64_t limit, const std::string& wavPath,
                      const WaveInfo& wave, StreamSource& source, const std::string& outputPath,
                      TJobOwner& owner);

}  // namespace mosaicer
