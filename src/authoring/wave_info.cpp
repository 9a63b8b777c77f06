#include "authoring/wave_info.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormatSize = 16;  // the PCM part of "fmt "
constexpr std::size_t kExtensibleFormatSize = 40;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM: {00000001-0000-0010-8000-00AA00389B71}.
constexpr std::array<std::uint8_t, 16> kPcmSubFormat = {
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::size_t kValidBitsField = 18;
constexpr std::size_t kSubFormatField = 24;
constexpr std::uint32_t kCdChannels = 2;
constexpr std::uint32_t kCdBits = 16;
constexpr std::uint32_t kCdRate = 44100;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
bool Is(const std::uint8_t* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

// RIFF chunks are padded to an even length; 64 bits, so the largest size
// does not wrap to 0.
std::uint64_t Padded(std::uint64_t size) { return size + (size & 1u); }
// Offsets in a RIFF file are 32-bit.
constexpr std::uint64_t kMaxRiffOffset = UINT32_MAX;


// The format tag says PCM, directly or through the extensible format.
bool IsPcm(const std::uint8_t* format, std::uint32_t formatSize, std::uint16_t bits) {
  const std::uint16_t tag = U16(format);
  if (tag == kFormatPcm) return true;
  if (tag != kFormatExtensible || formatSize < kExtensibleFormatSize) return false;
  return U16(format + kValidBitsField) == bits &&
         std::memcmp(format + kSubFormatField, kPcmSubFormat.data(), kPcmSubFormat.size()) == 0;
}

}  // namespace

bool WaveInfo::IsCdAudio() const {
  return channels == kCdChannels && bitsPerSample == kCdBits && sampleRate == kCdRate;
}

bool WaveInfo::HasAudio() const {
  const std::uint64_t frameBytes = static_cast<std::uint64_t>(channels) * bitsPerSample / 8;
  return frameBytes > 0 && dataSize >= frameBytes;
}

std::int64_t WaveInfo::AudioSectors() const {
  return (static_cast<std::int64_t>(dataSize) + kAudioBytesPerSector - 1) /
         static_cast<std::int64_t>(kAudioBytesPerSector);
}

namespace {

// Reads the header of an open file of `size` bytes.
int ReadWaveInfo(int fd, std::uint64_t size, WaveInfo& info) {
  return ReadWaveInfo(
      [fd](std::uint64_t offset, std::uint8_t* data, std::size_t count) {
        int error = 0;
        return ReadAllAt(fd, data, count, offset, error);
      },
      size, info);
}

}  // namespace

int ReadWaveInfo(const std::string& fileName, WaveInfo& info) {
  if (!FileExists(fileName)) return -1;
  UniqueFd file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat stats;
  if (!file.valid() || ::fstat(file.get(), &stats) != 0) return 0;
  return ReadWaveInfo(file.get(), static_cast<std::uint64_t>(stats.st_size), info);
}

int ReadWaveInfo(std::span<const std::uint8_t> file, WaveInfo& info) {
  return ReadWaveInfo(
      [file](std::uint64_t offset, std::uint8_t* data, std::size_t count) {
        if (offset > file.size() || count > file.size() - offset) return false;
        std::memcpy(data, file.data() + offset, count);
        return true;
      },
      file.size(), info);
}

int ReadWaveInfo(const ReadAt& readAt, std::uint64_t fileSize, WaveInfo& info) {
  std::uint8_t header[kChunkHeaderSize + 4];
  if (!readAt(0, header, sizeof header) || !Is(header, "RIFF") || !Is(header + 8, "WAVE"))
    return 0;
  std::uint8_t chunk[kChunkHeaderSize];
  if (!readAt(sizeof header, chunk, sizeof chunk) || !Is(chunk, "fmt ")) return 0;
  const std::uint32_t formatSize = U32(chunk + 4);
  if (formatSize < kFormatSize) return 0;
  std::uint8_t format[kExtensibleFormatSize] = {};
  if (!readAt(sizeof header + sizeof chunk, format,
              std::min<std::size_t>(formatSize, sizeof format)))
    return 0;

  const std::uint16_t channels = U16(format + 2);
  const std::uint32_t rate = U32(format + 4);
  const std::uint32_t byteRate = U32(format + 8);
  const std::uint16_t blockAlign = U16(format + 12);
  const std::uint16_t bits = U16(format + 14);
  if (!IsPcm(format, formatSize, bits)) return 0;
  if (channels != 1 && channels != 2) return 0;
  if (bits != 8 && bits != 16) return 0;
  if (blockAlign != bits * channels / 8) return 0;
  if (byteRate != static_cast<std::uint64_t>(blockAlign) * rate) return 0;
  info.channels = channels;
  info.bitsPerSample = bits;
  info.sampleRate = rate;

  // Walk the chunks that follow the format chunk.
  std::uint64_t position = sizeof header + kChunkHeaderSize;  // start of the format data
  std::uint64_t size = formatSize;
  for (;;) {
    position += Padded(size);
    if (position + kChunkHeaderSize > fileSize || position + kChunkHeaderSize > kMaxRiffOffset)
      return 0;
    if (!readAt(position, chunk, sizeof chunk)) return 0;
    position += kChunkHeaderSize;
    size = U32(chunk + 4);
    if (Is(chunk, "data")) {
      info.dataOffset = static_cast<std::uint32_t>(position);
      info.dataSize =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(size, fileSize - position));
      return 1;
    }
  }
}

}  // namespace mosaicer

namespace mosaicer {

IoStatus ReadSongHeader(const std::string& fileName, WaveInfo& info) {
  info = WaveInfo{};
  if (IoStatus s = CheckInputFile(fileName); !s) return s;
  UniqueFd file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat stats;
  if (!file.valid() || ::fstat(file.get(), &stats) != 0)
    return IoStatus::FromErrno("read", fileName, errno != 0 ? errno : EIO);
  if (ReadWaveInfo(file.get(), static_cast<std::uint64_t>(stats.st_size), info) != 1) {
    info = WaveInfo{};
    return IoStatus::CannotRead(
        fileName, Tr("not a PCM WAVE file (RIFF WAVE, PCM, 1 or 2 channels, 8 or 16 bits)"));
  }
  if (!info.HasAudio())
    return IoStatus::Failed(Format(Tr("cannot use %1: it holds no audio (its data chunk is empty)"),
                                   {IoStatus::Quoted(fileName)}));
  return IoStatus::Ok();
}

}  // namespace mosaicer
