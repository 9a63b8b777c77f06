// Plays PCM through a waveform device with a fixed ring of equal buffers.
// Write copies into the next free buffer and queues it, blocking while every
// buffer is queued, which paces the caller to the audio clock. A counting
// semaphore holds the free buffers: Write takes one, the device's done
// notice gives it back.
//
// Threads: Open (and Close when no worker was started) run on the owner's
// thread; otherwise Write, Reset, Pause, Restart and Close run on one worker
// thread. Only the semaphore is shared with the device's notice thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>
#include <vector>

#include "player/audio_out.h"
#include "player/wave_device.h"

namespace mosaicer {

class TWaveOut : public TAudioOut {
 public:
  static constexpr int kDefaultChannels = 2;
  static constexpr int kDefaultBitsPerSample = 16;
  static constexpr int kDefaultSampleRate = 44100;
  static constexpr std::uint32_t kDefaultBufferSize = 176400;  // one second
  static constexpr std::uint8_t kDefaultBufferCount = 2;
  static constexpr int kInfinite = -1;
  // The most buffers a ring can have (the count is 8 bits).
  static constexpr std::ptrdiff_t kMaxBuffers = 255;

  // Uses CreateWaveDevice().
  TWaveOut();
  explicit TWaveOut(std::unique_ptr<WaveDevice> device);
  // Drops queued audio (Reset) and closes.
  ~TWaveOut() override;

  // Replaces the device; false while open or when `device` is null.
  bool UseDevice(std::unique_ptr<WaveDevice> device);
  bool IsOpen() const { return open_; }

  // False while open.
  bool SetFormat(int channels, int bitsPerSample, int sampleRate) override;
  // 0 means infinite.
  void SetTimeout(int milliseconds) override;
  // False while open, or for a size or count of 0.
  bool ConfigBuffers(std::uint32_t bufferSize, std::uint8_t bufferCount) override;
  // False while open. -1 is the default device; any other number must be
  // below the device count.
  bool SetDevice(int deviceNumber) override;
  // Always false: this output plays on a device, not into a file.
  bool SetDevice(const std::string& fileName) override;
  // Opens the device and allocates the buffers; false when already open or
  // the device refuses the format.
  [[nodiscard]] bool Open() override;
  // Lets queued audio finish (one buffer's playing time per buffer still
  // queued), then closes the device and frees the buffers. False when closed.
  [[nodiscard]] bool Close() override;
  // Waits for a free buffer up to the time-out, copies `data` into it and
  // queues it. False on time-out (nothing written), when closed, or when
  // `size` is 0 or exceeds the buffer size.
  [[nodiscard]] bool Write(const void* data, std::uint32_t size) override;
  // Drops the queue; every dropped buffer becomes free again.
  bool Reset() override;
  [[nodiscard]] bool Pause() override;
  [[nodiscard]] bool Restart() override;

  const WaveFormat& Format() const { return format_; }
  std::uint8_t BufferCount() const { return bufferCount_; }
  int Timeout() const { return timeout_; }
  int DeviceNumber() const { return deviceNumber_; }
  // Playing time of one full buffer in milliseconds.
  int BufferMilliseconds() const;

 private:
  using FreeBuffers = std::counting_semaphore<kMaxBuffers>;

  WaveFormat format_;
  std::vector<std::vector<std::uint8_t>> buffers_;
  std::size_t next_ = 0;  // the buffer the next Write fills
  std::unique_ptr<WaveDevice> device_;
  bool open_ = false;
  std::unique_ptr<FreeBuffers> free_;
  std::uint32_t bufferSize_ = kDefaultBufferSize;
  int timeout_ = kInfinite;
  std::uint8_t bufferCount_ = kDefaultBufferCount;
  int deviceNumber_ = kDefaultWaveDevice;
};

}  // namespace mosaicer
