// Writes a CloneCD image (.ccd, .img, .sub) from arbitrary bytes, opens it,
// reads its table of contents and then every track with every read command
// of the ripper. An image that opens must deliver each of its tracks whole,
// with the audio bytes the .img holds.
//
// Input: byte 0 = .img sectors, byte 1 = .sub sectors (both mod 64), bytes
// 2..3 = length L of the .sub pattern (little-endian, mod 4096), then L
// bytes repeated to fill the .sub, then the .ccd text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/subcode_pack.h"
#include "fuzz_files.h"
#include "ripper/cd_drive.h"
#include "ripper/clone_cd_image.h"
#include "ripper/rip_job.h"

namespace {

constexpr std::size_t kHeader = 4;
constexpr int kMaxSectors = 64;
constexpr std::int64_t kFramesBeforeLba0 = 150;
constexpr int kReadCommands = 4;

std::uint8_t AudioByte(std::size_t sector, std::size_t i) {
  return static_cast<std::uint8_t>(sector * 7 + i * 13 + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  if (size < kHeader) return 0;
  const std::size_t imgSectors = data[0] % kMaxSectors;
  const std::size_t subSectors = data[1] % kMaxSectors;
  const std::size_t patternSize =
      std::min<std::size_t>((data[2] | data[3] << 8) % 4096, size - kHeader);
  const std::uint8_t* pattern = data + kHeader;
  const std::uint8_t* ccdText = pattern + patternSize;
  const std::size_t ccdSize = size - kHeader - patternSize;

  std::vector<std::uint8_t> img(imgSectors * kAudioBytesPerSector);
  for (std::size_t s = 0; s < imgSectors; ++s)
    for (std::size_t i = 0; i < kAudioBytesPerSector; ++i)
      img[s * kAudioBytesPerSector + i] = AudioByte(s, i);
  std::vector<std::uint8_t> sub(subSectors * kSubcodeBytesPerSector);
  for (std::size_t i = 0; i < sub.size() && patternSize > 0; ++i) sub[i] = pattern[i % patternSize];

  const std::string ccd = fuzz::WriteFile("disc.ccd", ccdText, ccdSize);
  fuzz::WriteFile("disc.img", img.data(), img.size());
  fuzz::WriteFile("disc.sub", sub.data(), sub.size());

  CloneCdImage image;
  std::string error;
  if (!image.Open(ccd, error)) {
    if (error.empty() || image.Sectors() != 0 || !image.Files().empty()) __builtin_trap();
    return 0;
  }
  if (image.Files().size() != 3) __builtin_trap();
  const std::int64_t sectors = image.Sectors();
  if (sectors < CcdLeadOutSector(image.Toc()) ||
      sectors != static_cast<std::int64_t>(std::min(imgSectors, subSectors)))
    __builtin_trap();

  TNkCdRom drive("fuzz");
  if (!Inquiry(image, drive)) __builtin_trap();
  for (bool bcd : {false, true}) {
    TNkToc toc;
    if (!ReadToc(image, drive, bcd, toc)) __builtin_trap();
    if (bcd) break;  // repairing BCD that is not there may garble it: only parsed
    if (toc.TrackCount == 0) __builtin_trap();  // a checked table lists tracks
    std::vector<std::uint8_t> buffer;
    for (int t = 0; t < toc.TrackCount; ++t) {
      const std::int64_t start = MsfAddressToFrames(toc.Tracks[t].Start);
      const std::int64_t end = MsfAddressToFrames(toc.Tracks[t].End);
      // A checked table gives every track room inside the image.
      if (start < kFramesBeforeLba0 || end <= start || end - kFramesBeforeLba0 > sectors)
        __builtin_trap();
      for (int command = 0; command < kReadCommands; ++command) {
        const ReadFunction read = ChooseReadFunction(command);
        const std::int64_t step = 1 + (start + command) % 7;
        for (std::int64_t at = start; at < end; at += step) {
          const auto count = static_cast<std::uint32_t>(std::min(step, end - at));
          buffer.assign(count * kCdgSectorSize, 0);
          if (!read(image, drive, at, count, buffer.data())) __builtin_trap();
          for (std::uint32_t s = 0; s < count; ++s) {
            const auto lba = static_cast<std::size_t>(at - kFramesBeforeLba0 + s);
            for (std::size_t i = 0; i < kAudioBytesPerSector; i += 97)
              if (buffer[s * kCdgSectorSize + i] != AudioByte(lba, i)) __builtin_trap();
          }
        }
      }
    }
    // One sector past the image is never delivered.
    buffer.assign(kCdgSectorSize, 0);
    if (ReadCdRaw(image, drive, sectors + kFramesBeforeLba0, 1, buffer.data())) __builtin_trap();
  }
  return 0;
}
