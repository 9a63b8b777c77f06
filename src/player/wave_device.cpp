#include "player/wave_device.h"

#include <dlfcn.h>
// Only PortAudio's types and constants: the library itself is loaded when a
// device is first made, so that commands which play nothing never pay for
// loading it and the sound libraries under it.
#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/file_util.h"

namespace mosaicer {

// The PortAudio functions the device calls, looked up in the shared library.
struct PortAudioLibrary {
  decltype(&Pa_Initialize) Initialize = nullptr;
  decltype(&Pa_Terminate) Terminate = nullptr;
  decltype(&Pa_GetDeviceCount) GetDeviceCount = nullptr;
  decltype(&Pa_GetDeviceInfo) GetDeviceInfo = nullptr;
  decltype(&Pa_GetDefaultOutputDevice) GetDefaultOutputDevice = nullptr;
  decltype(&Pa_OpenStream) OpenStream = nullptr;
  decltype(&Pa_StartStream) StartStream = nullptr;
  decltype(&Pa_StopStream) StopStream = nullptr;
  decltype(&Pa_AbortStream) AbortStream = nullptr;
  decltype(&Pa_CloseStream) CloseStream = nullptr;
};

namespace {

constexpr std::uint8_t kSignedSilence = 0;
constexpr std::uint8_t kUnsignedSilence = 0x80;  // 8-bit PCM is unsigned
constexpr int kBitsPerByte = 8;
// PortAudio then picks the callback size that suits the host best.
constexpr unsigned long kAnyFramesPerCallback = 0;

bool UsableFormat(const WaveFormat& format) {
  return format.formatTag == kWaveFormatPcm && format.channels > 0 && format.samplesPerSec > 0 &&
         format.bitsPerSample > 0 && format.bitsPerSample % kBitsPerByte == 0 &&
         format.blockAlign == format.channels * (format.bitsPerSample / kBitsPerByte) &&
         format.avgBytesPerSec == format.blockAlign * format.samplesPerSec;
}

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

// ALSA's and JACK's message handlers, as their headers declare them.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using JackMessageHandler = void (*)(const char*);

void IgnoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                     const char* /*fmt*/, ...) {}
void IgnoreJackMessage(const char* /*message*/) {}

// Library code never prints, but ALSA and JACK report every probe that finds
// no card or no server on stderr. Their handlers are process-wide, so this
// is done once, after PortAudio has brought them in and before it first
// starts its back ends. Either may be missing (PortAudio built without it).
void QuietAudioBackEnds() {
  if (void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD)) {
    int (*setHandler)(AlsaErrorHandler) = nullptr;
    if (Find(alsa, "snd_lib_error_set_handler", setHandler)) setHandler(&IgnoreAlsaError);
    ::dlclose(alsa);
  }
  if (void* jack = ::dlopen("libjack.so.0", RTLD_NOW | RTLD_NOLOAD)) {
    void (*setError)(JackMessageHandler) = nullptr;
    void (*setInfo)(JackMessageHandler) = nullptr;
    if (Find(jack, "jack_set_error_function", setError)) setError(&IgnoreJackMessage);
    if (Find(jack, "jack_set_info_function", setInfo)) setInfo(&IgnoreJackMessage);
    ::dlclose(jack);
  }
}

// PortAudio, loaded on first use and kept for the life of the process; null
// when the library or one of its functions is missing.
const PortAudioLibrary* LoadPortAudio() {
  static const PortAudioLibrary* loaded = []() -> const PortAudioLibrary* {
    void* library = ::dlopen("libportaudio.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static PortAudioLibrary pa;
    const bool complete = Find(library, "Pa_Initialize", pa.Initialize) &&
                          Find(library, "Pa_Terminate", pa.Terminate) &&
                          Find(library, "Pa_GetDeviceCount", pa.GetDeviceCount) &&
                          Find(library, "Pa_GetDeviceInfo", pa.GetDeviceInfo) &&
                          Find(library, "Pa_GetDefaultOutputDevice", pa.GetDefaultOutputDevice) &&
                          Find(library, "Pa_OpenStream", pa.OpenStream) &&
                          Find(library, "Pa_StartStream", pa.StartStream) &&
                          Find(library, "Pa_StopStream", pa.StopStream) &&
                          Find(library, "Pa_AbortStream", pa.AbortStream) &&
                          Find(library, "Pa_CloseStream", pa.CloseStream);
    if (!complete) {
      ::dlclose(library);
      return nullptr;
    }
    QuietAudioBackEnds();
    return &pa;
  }();
  return loaded;
}

}  // namespace

// ---------------------------------------------------------------- NullDevice

NullDevice::~NullDevice() { Close(); }

int NullDevice::DeviceCount() { return 1; }

bool NullDevice::Open(int device, const WaveFormat& format, DoneNotice notice) {
  if (device != kDefaultWaveDevice && (device < 0 || device >= DeviceCount())) return false;
  if (!UsableFormat(format) || !notice) return false;
  std::lock_guard lock(mutex_);
  if (open_) return false;
  notice_ = std::move(notice);
  bytesPerSecond_ = format.avgBytesPerSec;
  queue_.clear();
  closing_ = false;
  paused_ = false;
  running_ = false;
  open_ = true;
  clock_ = std::thread([this] { RunClock(); });
  return true;
}

bool NullDevice::Queue(const std::uint8_t* data, std::uint32_t size) {
  if (size == 0) return false;
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  const auto playing = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(size) / bytesPerSecond_));
  queue_.push_back({data, playing});
  wake_.notify_one();
  return true;
}

bool NullDevice::IsQueued(const std::uint8_t* data) {
  std::lock_guard lock(mutex_);
  return std::any_of(queue_.begin(), queue_.end(),
                     [data](const Pending& pending) { return pending.data == data; });
}

bool NullDevice::Pause() {
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  if (running_) {
    // Keep what is left of the head for Restart.
    queue_.front().remaining = std::max(Clock::duration::zero(), deadline_ - Clock::now());
    running_ = false;
  }
  paused_ = true;
  wake_.notify_one();
  return true;
}

bool NullDevice::Restart() {
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  paused_ = false;
  wake_.notify_one();
  return true;
}

bool NullDevice::Reset() {
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  for (const Pending& pending : queue_) notice_(pending.data);
  queue_.clear();
  running_ = false;
  wake_.notify_one();
  return true;
}

bool NullDevice::Close() {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    closing_ = true;
    wake_.notify_one();
  }
  clock_.join();
  std::lock_guard lock(mutex_);
  queue_.clear();
  notice_ = nullptr;
  open_ = false;
  return true;
}

void NullDevice::RunClock() {
  std::unique_lock lock(mutex_);
  while (!closing_) {
    if (paused_ || queue_.empty()) {
      running_ = false;
      wake_.wait(lock);
      continue;
    }
    if (!running_) {
      deadline_ = Clock::now() + queue_.front().remaining;
      running_ = true;
    }
    wake_.wait_until(lock, deadline_);
    // Pause, Reset or Close may have changed things while waiting.
    if (closing_ || !running_ || Clock::now() < deadline_) continue;
    notice_(queue_.front().data);
    queue_.pop_front();
    if (queue_.empty()) {
      running_ = false;
    } else {
      // The next buffer starts where this one ended, so the clock keeps time.
      deadline_ += queue_.front().remaining;
    }
  }
}

// ----------------------------------------------------------------- WaveQueue

void WaveQueue::Push(const std::uint8_t* data, std::uint32_t size) {
  pending_.push_back({data, size, 0});
}

bool WaveQueue::Contains(const std::uint8_t* data) const {
  return std::any_of(pending_.begin(), pending_.end(),
                     [data](const Pending& pending) { return pending.data == data; });
}

std::size_t WaveQueue::Take(std::uint8_t* out, std::size_t bytes,
                            const WaveDevice::DoneNotice& notice) {
  std::size_t copied = 0;
  while (copied < bytes && !pending_.empty()) {
    Pending& head = pending_.front();
    const std::size_t take = std::min<std::size_t>(bytes - copied, head.size - head.taken);
    std::memcpy(out + copied, head.data + head.taken, take);
    copied += take;
    head.taken += static_cast<std::uint32_t>(take);
    if (head.taken == head.size) {
      notice(head.data);
      pending_.pop_front();
    }
  }
  return copied;
}

void WaveQueue::Drop(const WaveDevice::DoneNotice& notice) {
  for (const Pending& pending : pending_) notice(pending.data);
  pending_.clear();
}

// ----------------------------------------------------------- PortAudioDevice

struct PortAudioStreamCallback {
  static int Run(const void* /*input*/, void* output, unsigned long frameCount,
                 const PaStreamCallbackTimeInfo* /*timeInfo*/,
                 PaStreamCallbackFlags /*statusFlags*/, void* self) {
    auto* device = static_cast<PortAudioDevice*>(self);
    device->Fill(static_cast<std::uint8_t*>(output), frameCount * device->blockAlign_);
    return paContinue;
  }
};

namespace {

// PortAudio's device indices of the devices that can play, in order.
std::vector<PaDeviceIndex> OutputDevices(const PortAudioLibrary& pa) {
  std::vector<PaDeviceIndex> outputs;
  const PaDeviceIndex count = pa.GetDeviceCount();
  for (PaDeviceIndex index = 0; index < count; ++index) {
    const PaDeviceInfo* info = pa.GetDeviceInfo(index);
    if (info != nullptr && info->maxOutputChannels > 0) outputs.push_back(index);
  }
  return outputs;
}

bool SampleFormatFor(int bitsPerSample, PaSampleFormat& sampleFormat) {
  switch (bitsPerSample) {
    case 8:
      sampleFormat = paUInt8;
      return true;
    case 16:
      sampleFormat = paInt16;
      return true;
    case 24:
      sampleFormat = paInt24;
      return true;
    case 32:
      sampleFormat = paInt32;
      return true;
    default:
      return false;
  }
}

}  // namespace

PortAudioDevice::PortAudioDevice() {
  const PortAudioLibrary* pa = LoadPortAudio();
  initialised_ = pa != nullptr && pa->Initialize() == paNoError;
  if (initialised_) library_ = pa;
}

PortAudioDevice::~PortAudioDevice() {
  Close();
  if (initialised_) library_->Terminate();
}

int PortAudioDevice::DeviceCount() {
  if (!initialised_) return 0;
  return static_cast<int>(OutputDevices(*library_).size());
}

bool PortAudioDevice::Open(int device, const WaveFormat& format, DoneNotice notice) {
  if (!initialised_ || stream_ != nullptr || !UsableFormat(format) || !notice) return false;
  PaSampleFormat sampleFormat = 0;
  if (!SampleFormatFor(format.bitsPerSample, sampleFormat)) return false;

  const PortAudioLibrary& pa = *library_;
  PaDeviceIndex index = paNoDevice;
  if (device == kDefaultWaveDevice) {
    index = pa.GetDefaultOutputDevice();
  } else {
    const std::vector<PaDeviceIndex> outputs = OutputDevices(pa);
    if (device < 0 || device >= static_cast<int>(outputs.size())) return false;
    index = outputs[static_cast<std::size_t>(device)];
  }
  const PaDeviceInfo* info = index == paNoDevice ? nullptr : pa.GetDeviceInfo(index);
  if (info == nullptr) return false;

  PaStreamParameters parameters{};
  parameters.device = index;
  parameters.channelCount = format.channels;
  parameters.sampleFormat = sampleFormat;
  parameters.suggestedLatency = info->defaultHighOutputLatency;
  {
    std::lock_guard lock(mutex_);
    notice_ = std::move(notice);
    queue_.Clear();
    blockAlign_ = format.blockAlign;
    silence_ = format.bitsPerSample == kBitsPerByte ? kUnsignedSilence : kSignedSilence;
    paused_ = false;
    playOut_ = false;
  }
  PaStream* stream = nullptr;
  if (pa.OpenStream(&stream, nullptr, &parameters, format.samplesPerSec, kAnyFramesPerCallback,
                    paNoFlag, &PortAudioStreamCallback::Run, this) != paNoError) {
    return false;
  }
  if (pa.StartStream(stream) != paNoError) {
    pa.CloseStream(stream);
    return false;
  }
  stream_ = stream;
  return true;
}

bool PortAudioDevice::Queue(const std::uint8_t* data, std::uint32_t size) {
  if (stream_ == nullptr || size == 0) return false;
  std::lock_guard lock(mutex_);
  queue_.Push(data, size);
  playOut_ = true;
  return true;
}

bool PortAudioDevice::IsQueued(const std::uint8_t* data) {
  std::lock_guard lock(mutex_);
  return queue_.Contains(data);
}

bool PortAudioDevice::Pause() {
  if (stream_ == nullptr) return false;
  std::lock_guard lock(mutex_);
  paused_ = true;
  return true;
}

bool PortAudioDevice::Restart() {
  if (stream_ == nullptr) return false;
  std::lock_guard lock(mutex_);
  paused_ = false;
  return true;
}

bool PortAudioDevice::Reset() {
  if (stream_ == nullptr) return false;
  std::lock_guard lock(mutex_);
  queue_.Drop(notice_);
  playOut_ = false;
  return true;
}

bool PortAudioDevice::Close() {
  if (stream_ == nullptr) return false;
  auto* stream = static_cast<PaStream*>(stream_);
  bool drain = false;
  {
    std::lock_guard lock(mutex_);
    drain = playOut_ && !paused_;
  }
  // Stopping plays out what PortAudio already holds (a latency's worth), so
  // a song ends whole; after a Reset or while paused the sound stops at once.
  const PortAudioLibrary& pa = *library_;
  if (drain) {
    pa.StopStream(stream);
  } else {
    pa.AbortStream(stream);
  }
  pa.CloseStream(stream);
  stream_ = nullptr;
  std::lock_guard lock(mutex_);
  queue_.Clear();
  notice_ = nullptr;
  return true;
}

void PortAudioDevice::Fill(std::uint8_t* out, std::size_t bytes) {
  // Never block the audio thread: if the owner holds the lock, play silence.
  std::unique_lock lock(mutex_, std::try_to_lock);
  const std::size_t copied = lock.owns_lock() && !paused_ ? queue_.Take(out, bytes, notice_) : 0;
  std::memset(out + copied, silence_, bytes - copied);
}

// ---------------------------------------------------------------------------

std::unique_ptr<WaveDevice> CreateWaveDevice(bool forceNull) {
  if (forceNull || ProcessEnvironment(kAudioVariable) == kNullAudioValue) {
    return std::make_unique<NullDevice>();
  }
  auto device = std::make_unique<PortAudioDevice>();
  if (!device->Initialised() || device->DeviceCount() == 0) return std::make_unique<NullDevice>();
  return device;
}

}  // namespace mosaicer
