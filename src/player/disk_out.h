// Writes PCM into a RIFF/WAVE file: a 44-byte header whose two size fields
// hold placeholders until Close fills them in from the file's length. It
// pauses nothing and waits for nothing. The file is written under a temporary
// name and takes its own name at Close, its sizes complete; after a failure
// (reported as false, with Error() saying why) an existing file of that name
// stays as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "player/audio_out.h"

namespace mosaicer {

inline constexpr std::uint32_t kWaveHeaderSize = 44;

class TDiskOut : public TAudioOut {
 public:
  static constexpr std::int32_t kDefaultChannels = 2;
  static constexpr std::int32_t kDefaultBitsPerSample = 16;
  static constexpr std::int32_t kDefaultSampleRate = 44100;

  TDiskOut() = default;
  // Resets and closes, completing the header of an open file.
  ~TDiskOut() override;

  bool IsOpen() const { return file_.IsOpen(); }

  // False while a file is open.
  bool SetFormat(int channels, int bitsPerSample, int sampleRate) override;
  // Does nothing: writing a file never waits.
  void SetTimeout(int milliseconds) override;
  // Stores nothing; true while no file is open.
  bool ConfigBuffers(std::uint32_t bufferSize, std::uint8_t bufferCount) override;
  // Always false: this output writes a file, not a device.
  bool SetDevice(int deviceNumber) override;
  // The file to write; false while a file is open.
  bool SetDevice(const std::string& fileName) override;
  // Starts the file and writes the header with placeholder sizes (36 and 0).
  // False when a file is open or the file cannot be made.
  [[nodiscard]] bool Open() override;
  // Writes the file size - 8 at offset 4 and the size - 44 at offset 40 and
  // gives the file its name. False when no file is open or a write failed
  // (the file is then dropped).
  [[nodiscard]] bool Close() override;
  // Drops the open file: nothing takes the file's name.
  void Discard();
  // Appends the bytes; false when no file is open or the write fails.
  [[nodiscard]] bool Write(const void* data, std::uint32_t size) override;
  // Nothing to drop, pause or restart: true.
  bool Reset() override;
  [[nodiscard]] bool Pause() override;
  [[nodiscard]] bool Restart() override;

  const std::string& FileName() const { return fileName_; }
  // Why the last Open, Write or Close failed: the file and the reason.
  const std::string& Error() const { return error_; }

 private:
  static constexpr std::size_t kWriteChunk = 256 * 1024;
  bool Flush();

  std::int32_t channels_ = kDefaultChannels;
  std::int32_t bitsPerSample_ = kDefaultBitsPerSample;
  std::int32_t sampleRate_ = kDefaultSampleRate;
  OutputFile file_;
  std::vector<std::uint8_t> buffer_;
  std::string fileName_;
  std::string error_;
};

}  // namespace mosaicer
