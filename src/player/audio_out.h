// The abstract audio output: where the player sends its PCM (the waveform
// device) and where the divide operation writes it (a WAV file). Format,
// buffers and destination are set while the output is closed; Open fixes
// them. Every operation reports failure as false and never talks to a user.
#pragma once

#include <cstdint>
#include <string>

namespace mosaicer {

class TAudioOut {
 public:
  TAudioOut() = default;
  TAudioOut(const TAudioOut&) = delete;
  TAudioOut& operator=(const TAudioOut&) = delete;
  virtual ~TAudioOut() = default;

  virtual bool SetFormat(int channels, int bitsPerSample, int sampleRate) = 0;
  // Milliseconds a blocking Write may wait; 0 waits for ever.
  virtual void SetTimeout(int milliseconds) = 0;
  virtual bool ConfigBuffers(std::uint32_t bufferSize, std::uint8_t bufferCount) = 0;
  // The destination comes in two kinds: a device number (TWaveOut; -1 is the
  // default device) and a file name (TDiskOut). Each output accepts its own
  // kind and refuses the other with false.
  virtual bool SetDevice(int deviceNumber) = 0;
  virtual bool SetDevice(const std::string& fileName) = 0;
  [[nodiscard]] virtual bool Open() = 0;
  [[nodiscard]] virtual bool Close() = 0;
  [[nodiscard]] virtual bool Write(const void* data, std::uint32_t size) = 0;
  virtual bool Reset() = 0;
  [[nodiscard]] virtual bool Pause() = 0;
  [[nodiscard]] virtual bool Restart() = 0;
};

}  // namespace mosaicer
