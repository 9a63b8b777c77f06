// Songs of every kind this program takes, delivered as CD audio: 16-bit
// little-endian stereo at 44 100 Hz, the bytes a CD sector holds.
//
// A CD-format WAV (PCM, 16 bits, 2 channels, 44 100 Hz, as ReadWaveInfo
// takes it) is passed through byte for byte: its data chunk exactly as it is,
// a final partial frame included. Everything else goes through libsndfile
// (every WAV/RF64/AIFF sample format, FLAC, Ogg Vorbis, Opus, MP3) and is
// converted:
//   - other sample rates with libsoxr at high quality;
//   - mono copied to both channels; more than two channels mixed down to
//     stereo (front, centre and surround channels by their position, the
//     low-frequency channel left out);
//   - 8, 24 and 32-bit integer and float samples to 16 bits, rounded, and
//     clipped at full scale; 16-bit samples at 44 100 Hz stay untouched.
// The length is known when the song is opened, before any audio is decoded,
// and the reader delivers exactly that many bytes: converted audio has
// round(frames x 44100 / rate) frames. Where a codec only estimates its
// length (MP3 without a length header) the end is padded with silence or cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "authoring/wave_info.h"
#include "platform/io_status.h"

namespace mosaicer {

inline constexpr std::uint32_t kCdAudioSampleRate = 44100;
inline constexpr std::size_t kCdFrameBytes = 4;  // two 16-bit samples

class AudioReader {
 public:
  virtual ~AudioReader() = default;

  // Bytes of CD audio the reader delivers in all.
  std::uint64_t Bytes() const { return wave_.dataSize; }
  // Sectors of 2352 bytes, a final partial one included.
  std::int64_t Sectors() const { return wave_.AudioSectors(); }
  // The song as a CD-format WAV header would describe it. For a file passed
  // through, its own header; for converted audio, 16-bit 44 100 Hz stereo
  // with dataOffset 0 and `converted` set.
  const WaveInfo& Wave() const { return wave_; }
  // True when the file is a CD-format WAV passed through unchanged.
  bool PassesThrough() const { return conversion_.empty(); }
  // One line saying what was converted ("48000 Hz 24-bit mono → 44100 Hz
  // 16-bit stereo"); empty when the file passes through.
  const std::string& Conversion() const { return conversion_; }

  // Reads the next `size` bytes of audio into `out`. Fails, naming the file,
  // when it cannot be read, is damaged, or `size` goes past Bytes().
  virtual IoStatus Read(std::uint8_t* out, std::size_t size) = 0;

 protected:
  WaveInfo wave_;
  std::string conversion_;
};

struct AudioOpenResult {
  std::unique_ptr<AudioReader> reader;
  std::string error;  // set exactly when `reader` is empty; names the file
  bool ok() const { return reader != nullptr; }
};

// What the windows and the command line show of an accepted song: its
// length as minutes and seconds, then the conversion if there is one
// ("4:59 (48000 Hz 24-bit mono → 44100 Hz 16-bit stereo)").
std::string SongSummary(const AudioReader& reader);
// The song's length for the song box, in the current language: "Length
// 4:59 (22425 sectors)", and on a second line "Converted: <the conversion>"
// when there is one.
std::string SongLengthText(const AudioReader& reader);

// Opens a song. The kind is told from the file's contents, not its name.
AudioOpenResult OpenAudio(const std::string& path);

// Opens a song held in memory (an archive's entry) through libsndfile, also a
// CD-format WAV (its samples come out unchanged). `name` is what messages
// call it.
AudioOpenResult OpenAudioBytes(const std::string& name,
                               std::shared_ptr<const std::vector<std::uint8_t>> bytes);

}  // namespace mosaicer
