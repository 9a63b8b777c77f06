#include "player/wave_out.h"

#include <climits>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace mosaicer {

namespace {

constexpr std::int64_t kMillisecondsPerSecond = 1000;

WaveFormat PcmFormat(int channels, int bitsPerSample, int sampleRate) {
  WaveFormat format;
  format.formatTag = kWaveFormatPcm;
  format.channels = static_cast<std::uint16_t>(channels);
  format.samplesPerSec = static_cast<std::uint32_t>(sampleRate);
  format.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
  format.blockAlign = static_cast<std::uint16_t>(bitsPerSample / CHAR_BIT * channels);
  format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
  format.extraSize = 0;
  return format;
}

}  // namespace

TWaveOut::TWaveOut() : TWaveOut(CreateWaveDevice()) {}

TWaveOut::TWaveOut(std::unique_ptr<WaveDevice> device)
    : format_(PcmFormat(kDefaultChannels, kDefaultBitsPerSample, kDefaultSampleRate)),
      device_(std::move(device)) {}

TWaveOut::~TWaveOut() {
  Reset();
  static_cast<void>(Close());  // no one is left to hear of a failure
}

bool TWaveOut::UseDevice(std::unique_ptr<WaveDevice> device) {
  if (open_ || !device) return false;
  device_ = std::move(device);
  return true;
}

bool TWaveOut::SetFormat(int channels, int bitsPerSample, int sampleRate) {
  if (open_) return false;
  format_ = PcmFormat(channels, bitsPerSample, sampleRate);
  return true;
}

void TWaveOut::SetTimeout(int milliseconds) {
  timeout_ = milliseconds == 0 ? kInfinite : milliseconds;
}

bool TWaveOut::ConfigBuffers(std::uint32_t bufferSize, std::uint8_t bufferCount) {
  if (open_ || bufferSize == 0 || bufferCount == 0) return false;
  bufferSize_ = bufferSize;
  bufferCount_ = bufferCount;
  return true;
}

bool TWaveOut::SetDevice(int deviceNumber) {
  if (open_) return false;
  if (deviceNumber != kDefaultWaveDevice &&
      (deviceNumber < 0 || !device_ || deviceNumber >= device_->DeviceCount())) {
    return false;
  }
  deviceNumber_ = deviceNumber;
  return true;
}

bool TWaveOut::SetDevice(const std::string& /*fileName*/) { return false; }

bool TWaveOut::Open() {
  if (open_ || !device_) return false;
  // The semaphore exists before the device can send its first notice.
  free_ = std::make_unique<FreeBuffers>(bufferCount_);
  FreeBuffers* free = free_.get();
  if (!device_->Open(deviceNumber_, format_,
                     [free](const std::uint8_t* /*data*/) { free->release(); })) {
    free_.reset();
    return false;
  }
  try {
    buffers_.assign(bufferCount_, std::vector<std::uint8_t>(bufferSize_));
  } catch (const std::bad_alloc&) {
    device_->Close();
    free_.reset();
    buffers_.clear();
    return false;
  }
  next_ = 0;
  open_ = true;
  return true;
}

bool TWaveOut::Close() {
  if (!open_) return false;
  const auto bufferTime = std::chrono::milliseconds(BufferMilliseconds());
  for (std::size_t visited = 0; visited < buffers_.size(); ++visited) {
    const std::vector<std::uint8_t>& buffer = buffers_[(next_ + visited) % buffers_.size()];
    if (device_->IsQueued(buffer.data())) std::this_thread::sleep_for(bufferTime);
  }
  device_->Close();
  buffers_.clear();
  buffers_.shrink_to_fit();
  free_.reset();
  open_ = false;
  return true;
}

bool TWaveOut::Write(const void* data, std::uint32_t size) {
  if (!open_ || size == 0 || size > bufferSize_) return false;
  if (timeout_ == kInfinite) {
    free_->acquire();
  } else if (!free_->try_acquire_for(std::chrono::milliseconds(timeout_))) {
    return false;
  }
  std::vector<std::uint8_t>& buffer = buffers_[next_];
  next_ = (next_ + 1) % buffers_.size();
  std::memcpy(buffer.data(), data, size);
  if (!device_->Queue(buffer.data(), size)) {
    free_->release();
    return false;
  }
  return true;
}

bool TWaveOut::Reset() { return open_ && device_->Reset(); }

bool TWaveOut::Pause() { return open_ && device_->Pause(); }

bool TWaveOut::Restart() { return open_ && device_->Restart(); }

int TWaveOut::BufferMilliseconds() const {
  const std::int64_t bytesPerSecond = static_cast<std::int64_t>(format_.channels) *
                                      format_.samplesPerSec * format_.bitsPerSample / CHAR_BIT;
  if (bytesPerSecond == 0) return 0;
  return static_cast<int>(bufferSize_ * kMillisecondsPerSecond / bytesPerSecond);
}

}  // namespace mosaicer
