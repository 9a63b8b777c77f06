// The header of a WAV file: where its samples are and what they are.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/io_status.h"

namespace mosaicer {

struct WaveInfo {
  std::uint32_t dataOffset = 0;  // first sample byte in the file
  std::uint32_t dataSize = 0;    // bytes of sample data
  std::uint32_t channels = 0;
  std::uint32_t bitsPerSample = 0;
  std::uint32_t sampleRate = 0;
  // Not the file's own header: the song is converted to CD audio as it is
  // read (OpenAudio), and dataSize counts the converted bytes.
  bool converted = false;

  // What a CD sector needs: 16-bit 44 100 Hz stereo.
  bool IsCdAudio() const;
  // Sectors of 2352 bytes, a final partial one included.
  std::int64_t AudioSectors() const;
  // At least one whole sample frame of audio: a song with an empty data
  // chunk has none.
  bool HasAudio() const;
};

// Reads the header of a RIFF WAVE file. Returns -1 when the file does not
// exist, 0 when it is not a PCM WAVE file this program can take, 1 with
// `info` filled otherwise.
//   - "fmt " must follow "WAVE"; PCM (tag 1, or an extensible format whose
//     sub-format is PCM with every container bit valid), 1 or 2 channels,
//     8 or 16 bits, consistent block align and byte rate;
//   - the "data" chunk may follow other chunks; chunks of odd size are
//     followed by a pad byte;
//   - a "data" size that runs past the end of the file (as streamed
//     recordings leave it) is cut to the bytes present.
int ReadWaveInfo(const std::string& fileName, WaveInfo& info);
// Reads exactly `size` bytes at `offset` of a file; false past its end or
// on an error.
using ReadAt = std::function<bool(std::uint64_t offset, std::uint8_t* data, std::size_t size)>;
// The same over any file of `fileSize` bytes that `readAt` reads (0 or 1),
// and over a whole file held in memory.
int ReadWaveInfo(const ReadAt& readAt, std::uint64_t fileSize, WaveInfo& info);
int ReadWaveInfo(std::span<const std::uint8_t> file, WaveInfo& info);

// Reads the header of a song a job is to use. Fails, with a sentence that
// names the file, when it is missing ("not found"), not a regular file,
// unreadable, not a PCM WAVE file as ReadWaveInfo takes it, or holds no
// audio (HasAudio() is false). Whether the audio is CD audio (IsCdAudio) is
// left to the caller.
IoStatus ReadSongHeader(const std::string& fileName, WaveInfo& info);

}  // namespace mosaicer
