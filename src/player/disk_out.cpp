#include "player/disk_out.h"

#include <climits>
#include <array>
#include <cstring>
#include <limits>

#include "player/wave_device.h"

namespace mosaicer {

namespace {

constexpr std::uint32_t kFormatChunkSize = 16;
constexpr std::uint32_t kRiffSizeOffset = 4;
constexpr std::uint32_t kDataSizeOffset = 40;
// What the RIFF size field counts from: everything after "RIFF" and itself.
constexpr std::uint32_t kRiffSizeExcluded = 8;
constexpr std::uint32_t kEmptyRiffSize = kWaveHeaderSize - kRiffSizeExcluded;

using Header = std::array<std::uint8_t, kWaveHeaderSize>;

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value);
  Put16(at + 2, value >> 16);
}

Header MakeHeader(std::uint32_t channels, std::uint32_t bitsPerSample, std::uint32_t sampleRate) {
  const std::uint32_t blockAlign = channels * bitsPerSample / CHAR_BIT;
  Header header{};
  std::memcpy(&header[0], "RIFF", 4);
  Put32(&header[kRiffSizeOffset], kEmptyRiffSize);
  std::memcpy(&header[8], "WAVEfmt ", 8);
  Put32(&header[16], kFormatChunkSize);
  Put16(&header[20], kWaveFormatPcm);
  Put16(&header[22], channels);
  Put32(&header[24], sampleRate);
  Put32(&header[28], sampleRate * blockAlign);
  Put16(&header[32], blockAlign);
  Put16(&header[34], bitsPerSample);
  std::memcpy(&header[36], "data", 4);
  Put32(&header[kDataSizeOffset], 0);
  return header;
}

// Sizes past 4 GiB do not fit the fields; they are clamped rather than wrapped.
std::uint32_t SizeField(std::uint64_t size) {
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(size);
}

IoStatus WriteFieldAt(OutputFile& file, std::uint64_t offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  Put32(bytes, value);
  return file.WriteAt(bytes, sizeof bytes, offset);
}

}  // namespace

TDiskOut::~TDiskOut() {
  Reset();
  if (IsOpen()) static_cast<void>(Close());  // no one is left to hear of a failure
}

bool TDiskOut::SetFormat(int channels, int bitsPerSample, int sampleRate) {
  if (IsOpen()) return false;
  channels_ = channels;
  bitsPerSample_ = bitsPerSample;
  sampleRate_ = sampleRate;
  return true;
}

void TDiskOut::SetTimeout(int /*milliseconds*/) {}

bool TDiskOut::ConfigBuffers(std::uint32_t /*bufferSize*/, std::uint8_t /*bufferCount*/) {
  return !IsOpen();
}

bool TDiskOut::SetDevice(int /*deviceNumber*/) { return false; }

bool TDiskOut::SetDevice(const std::string& fileName) {
  if (IsOpen()) return false;
  fileName_ = fileName;
  return true;
}

bool TDiskOut::Open() {
  if (IsOpen() || fileName_.empty()) return false;
  error_.clear();
  buffer_.clear();
  const Header header =
      MakeHeader(static_cast<std::uint32_t>(channels_), static_cast<std::uint32_t>(bitsPerSample_),
                 static_cast<std::uint32_t>(sampleRate_));
  IoStatus opened = file_.Open(fileName_);
  // Writing the header at once turns a full disk into a failed Open rather
  // than a late surprise.
  if (opened) opened = file_.Write(header.data(), header.size());
  if (!opened) {
    error_ = opened.error();
    file_.Discard();
    return false;
  }
  return true;
}

bool TDiskOut::Flush() {
  if (buffer_.empty()) return true;
  const IoStatus written = file_.Write(buffer_.data(), buffer_.size());
  buffer_.clear();
  if (!written && error_.empty()) error_ = written.error();
  return written.ok();
}

bool TDiskOut::Close() {
  if (!IsOpen()) return false;
  bool ok = Flush() && error_.empty();
  const std::uint64_t size = file_.Written();
  IoStatus done = IoStatus::Ok();
  if (ok) done = WriteFieldAt(file_, kRiffSizeOffset, SizeField(size - kRiffSizeExcluded));
  if (ok && done) done = WriteFieldAt(file_, kDataSizeOffset, SizeField(size - kWaveHeaderSize));
  if (ok && done) done = file_.Commit();
  if (ok && !done) {
    error_ = done.error();
    ok = false;
  }
  if (!ok) file_.Discard();
  return ok;
}

void TDiskOut::Discard() {
  buffer_.clear();
  file_.Discard();
}

bool TDiskOut::Write(const void* data, std::uint32_t size) {
  if (!IsOpen() || !error_.empty()) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  buffer_.insert(buffer_.end(), bytes, bytes + size);
  return buffer_.size() < kWriteChunk || Flush();
}

bool TDiskOut::Reset() { return true; }

bool TDiskOut::Pause() { return true; }

bool TDiskOut::Restart() { return true; }

}  // namespace mosaicer
