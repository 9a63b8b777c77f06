// Writing a CD+G title in the kinds the karaoke world exchanges, chosen by the
// output's extension:
//   .cdg .bin                 a CDG file (2448-byte sectors)
//   .rws                      bare subcode only
//   .zip                      an MP3+G zip: NAME.cdg and NAME.mp3 (or the song
//                             kind asked for), stored uncompressed, NAME being
//                             the zip's own name without its extension
//   .mp3 .ogg .flac .wav      an MP3+G pair: the song in OUT and the bare
//                             subcode in OUT's name with .cdg, beside it
// Songs are 44.1 kHz stereo: MP3 at a constant bit rate (LAME through
// libsndfile), Ogg Vorbis, FLAC and WAV 16-bit. Every file is written under a
// temporary name and takes its own only when all of them are done.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "authoring/job_owner.h"
#include "platform/io_status.h"
#include "title/title_source.h"

namespace mosaicer {

enum class TitleOutputKind { Cdg, Rws, Zip, Pair };
enum class SongKind { Mp3, Ogg, Flac, Wav };

inline constexpr int kDefaultMp3Bitrate = 192;  // kbit/s
// The constant bit rates an MPEG-1 Layer III stream may have, in kbit/s.
inline constexpr int kMp3Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

struct TitleOutput {
  TitleOutputKind kind = TitleOutputKind::Cdg;
  SongKind song = SongKind::Mp3;  // of a zip or a pair
  int bitrate = kDefaultMp3Bitrate;
  std::string path;         // the file named by the user
  std::string subcodePath;  // a pair's .cdg beside it
};

// What `path` asks for by its extension (any case), with the song kind of a
// zip given apart. Empty for an extension that names no kind.
std::optional<TitleOutput> TitleOutputFor(const std::string& path, SongKind zipSong = SongKind::Mp3,
                                          int bitrate = kDefaultMp3Bitrate);
// "mp3", "ogg", "flac", "wav" as a song kind.
std::optional<SongKind> SongKindNamed(const std::string& name);
// A song file's extension, with its dot: ".mp3", ".ogg", ".flac" or ".wav".
const char* SongExtension(SongKind kind);
// Every file the output writes (one, or the two of a pair).
std::vector<std::string> OutputFiles(const TitleOutput& output);

// Called after each block with the sectors done and the title's total; true
// stops the writing (nothing takes the outputs' names then).
using SinkProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Writes the title from its current position to its end as `output` says.
// A failure names the file and the reason and leaves every output as it was.
IoStatus WriteTitle(TitleSource& title, const TitleOutput& output, const SinkProgress& progress = {});

// The same for a job: `owner` sees kProgressSteps (value kTitleSteps), a
// kProgressStep for each hundredth written and kProgressAllSteps at the
// end. A cancel requested on the owner while it writes stops it; one
// requested before it began does not.
inline constexpr int kTitleSteps = 100;
IoStatus WriteTitle(TitleSource& title, const TitleOutput& output, TJobOwner& owner);

// Encodes CD audio (16-bit little-endian stereo at 44 100 Hz) as a song of
// `kind` in memory.
class SongEncoder {
 public:
  SongEncoder();
  ~SongEncoder();
  SongEncoder(const SongEncoder&) = delete;
  SongEncoder& operator=(const SongEncoder&) = delete;

  IoStatus Open(SongKind kind, int bitrate, const std::string& name);
  IoStatus Write(const std::uint8_t* audio, std::size_t bytes);
  // Finishes the stream; its bytes are then in Bytes().
  IoStatus Close();
  const std::vector<std::uint8_t>& Bytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace mosaicer
