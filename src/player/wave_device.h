// The waveform output device under TWaveOut: a queue of caller-owned
// buffers played in order, each reported done once it has been played (or
// dropped by Reset). Two devices exist: PortAudioDevice plays on the sound
// card, NullDevice only keeps time, for tests and machines without sound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace mosaicer {

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// The PCM format record of a waveform device.
struct WaveFormat {
  std::uint16_t formatTag = kWaveFormatPcm;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint32_t avgBytesPerSec = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint16_t extraSize = 0;
};

// The device number that means the system's default output.
inline constexpr int kDefaultWaveDevice = -1;

class WaveDevice {
 public:
  // Told the start of each buffer that has been played or dropped. Called on
  // the device's own thread (or, for Reset, on the caller's) while the device
  // holds its lock: it must be quick and must not call back into the device.
  using DoneNotice = std::function<void(const std::uint8_t* data)>;

  WaveDevice() = default;
  WaveDevice(const WaveDevice&) = delete;
  WaveDevice& operator=(const WaveDevice&) = delete;
  virtual ~WaveDevice() = default;

  // Number of output devices; valid numbers run from 0 to the count - 1.
  virtual int DeviceCount() = 0;
  // Opens device `device` (or kDefaultWaveDevice), playing. False when
  // already open, the number or the format is not usable, or the device fails.
  virtual bool Open(int device, const WaveFormat& format, DoneNotice notice) = 0;
  // Appends a buffer to the queue. Its bytes must stay untouched until its
  // done notice. False when closed or `size` is 0.
  virtual bool Queue(const std::uint8_t* data, std::uint32_t size) = 0;
  // True while the buffer starting at `data` is queued and not yet done.
  virtual bool IsQueued(const std::uint8_t* data) = 0;
  // Stops taking audio from the queue (PortAudio plays silence meanwhile).
  virtual bool Pause() = 0;
  virtual bool Restart() = 0;
  // Drops the queue and reports every dropped buffer done before returning.
  virtual bool Reset() = 0;
  // Stops and closes; whatever is still queued is dropped without notices.
  // False when not open.
  virtual bool Close() = 0;
};

// Plays nothing but consumes each buffer in the time its audio would take,
// on a clock thread of its own that runs while the device is open.
class NullDevice final : public WaveDevice {
 public:
  NullDevice() = default;
  ~NullDevice() override;

  int DeviceCount() override;
  bool Open(int device, const WaveFormat& format, DoneNotice notice) override;
  bool Queue(const std::uint8_t* data, std::uint32_t size) override;
  bool IsQueued(const std::uint8_t* data) override;
  bool Pause() override;
  bool Restart() override;
  bool Reset() override;
  bool Close() override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    const std::uint8_t* data;
    Clock::duration remaining;  // playing time left
  };

  void RunClock();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread clock_;
  DoneNotice notice_;
  std::uint32_t bytesPerSecond_ = 0;
  std::deque<Pending> queue_;
  bool open_ = false;
  bool closing_ = false;
  bool paused_ = false;
  bool running_ = false;  // the head is playing and deadline_ is when it ends
  Clock::time_point deadline_;
};

// The queued buffers a device with a pull callback plays from, in order,
// with how much of the head has been taken. Unlocked: its device guards it.
class WaveQueue {
 public:
  void Push(const std::uint8_t* data, std::uint32_t size);
  bool Contains(const std::uint8_t* data) const;
  bool Empty() const { return pending_.empty(); }
  // Copies up to `bytes` of queued audio to `out`, telling `notice` of each
  // buffer taken to its end; returns the bytes copied.
  std::size_t Take(std::uint8_t* out, std::size_t bytes, const WaveDevice::DoneNotice& notice);
  // Empties the queue, telling `notice` of every buffer in it.
  void Drop(const WaveDevice::DoneNotice& notice);
  void Clear() { pending_.clear(); }

 private:
  struct Pending {
    const std::uint8_t* data;
    std::uint32_t size;
    std::uint32_t taken;
  };
  std::deque<Pending> pending_;
};

// Plays through PortAudio in callback mode: the stream's callback copies
// audio from the queued buffers and fills with silence while paused or
// starved. Device numbers count PortAudio's devices that have outputs.
// The PortAudio library is loaded when the first device is made; without
// it the device is not initialised.
struct PortAudioLibrary;  // the functions loaded from the library
class PortAudioDevice final : public WaveDevice {
 public:
  PortAudioDevice();
  ~PortAudioDevice() override;

  // False when PortAudio could not be initialised; such a device opens nothing.
  bool Initialised() const { return initialised_; }

  int DeviceCount() override;
  bool Open(int device, const WaveFormat& format, DoneNotice notice) override;
  bool Queue(const std::uint8_t* data, std::uint32_t size) override;
  bool IsQueued(const std::uint8_t* data) override;
  bool Pause() override;
  bool Restart() override;
  bool Reset() override;
  bool Close() override;

 private:
  friend struct PortAudioStreamCallback;
  // Fills the stream's buffer; runs on PortAudio's audio thread.
  void Fill(std::uint8_t* out, std::size_t bytes);

  bool initialised_ = false;
  const PortAudioLibrary* library_ = nullptr;
  void* stream_ = nullptr;  // PaStream, kept out of this header
  std::mutex mutex_;
  DoneNotice notice_;
  WaveQueue queue_;
  std::uint32_t blockAlign_ = 0;
  std::uint8_t silence_ = 0;
  bool paused_ = false;
  bool playOut_ = false;  // audio was queued since the last Reset
};

// The device the player uses: a NullDevice when `forceNull` is set, when the
// environment variable MOSAICER_AUDIO is "null", or when PortAudio cannot be
// initialised or offers no output device; otherwise a PortAudioDevice.
std::unique_ptr<WaveDevice> CreateWaveDevice(bool forceNull = false);

inline constexpr const char* kAudioVariable = "MOSAICER_AUDIO";
inline constexpr const char* kNullAudioValue = "null";

}  // namespace mosaicer
