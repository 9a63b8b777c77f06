#include "player/disk_out.h"

#include <array>
#include <cstring>
#include <limits>

#include "player/wave_device.h"

namespace mosaicer {

namespace {

constexpr int kBitsPerByte = 8;
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
  const std::uint32_t blockAlign = channels * bitsPerSample / kBitsPerByte;
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
std::uint32_t SizeField(long long size) {
  if (size < 0) return 0;
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(size);
}

bool WriteFieldAt(std::FILE* file, long offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  Put32(bytes, value);
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file) == 4;
}

}  // namespace

TDiskOut::~TDiskOut() {
  Reset();
  Close();
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
  std::FILE* file = std::fopen(fileName_.c_str(), "wb");
  if (file == nullptr) return false;
  const Header header =
      MakeHeader(static_cast<std::uint32_t>(channels_), static_cast<std::uint32_t>(bitsPerSample_),
                 static_cast<std::uint32_t>(sampleRate_));
  // Flushing now turns a full disk into a failed Open rather than a late surprise.
  if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
      std::fflush(file) != 0) {
    std::fclose(file);
    return false;
  }
  file_ = file;
  return true;
}

bool TDiskOut::Close() {
  if (!IsOpen()) return false;
  std::FILE* file = file_;
  file_ = nullptr;
  bool ok = std::fflush(file) == 0 && std::fseek(file, 0, SEEK_END) == 0;
  const long long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 &&
       WriteFieldAt(file, kRiffSizeOffset, SizeField(size - kRiffSizeExcluded)) &&
       WriteFieldAt(file, kDataSizeOffset, SizeField(size - kWaveHeaderSize));
  // fclose writes what is still buffered, so its result counts too.
  return std::fclose(file) == 0 && ok;
}

bool TDiskOut::Write(const void* data, std::uint32_t size) {
  if (!IsOpen()) return false;
  return std::fwrite(data, 1, size, file_) == size;
}

bool TDiskOut::Reset() { return true; }

bool TDiskOut::Pause() { return true; }

bool TDiskOut::Restart() { return true; }

}  // namespace mosaicer
