// The body of the fuzz targets for disc images read from a text sheet and
// one data file of 2448-byte records (cdrdao .toc, CUE .cue): writes the
// data file "d.bin" and the sheet from arbitrary bytes, parses the sheet,
// opens the image and reads every track with every read command of the
// ripper. An image that opens must deliver each of its tracks whole, and
// nothing past its end.
//
// Input: byte 0 = sectors of d.bin (mod 64), bytes 1..2 = length L of the
// record pattern (little-endian, mod 4096), then L bytes repeated to fill
// d.bin, then the sheet's text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/subcode_pack.h"
#include "fuzz_files.h"
#include "ripper/cd_drive.h"
#include "ripper/disc_image.h"
#include "ripper/rip_job.h"

namespace mosaicer::fuzz {

constexpr std::size_t kSheetHeader = 3;
constexpr int kMaxSheetSectors = 64;
constexpr std::int64_t kFramesBeforeLba0 = 150;
constexpr int kReadCommands = 4;

// `Image` has Open(path, error); `parse` checks the sheet's text alone.
template <typename Image, typename Parse>
int FuzzSheetImage(const std::uint8_t* data, std::size_t size, const char* sheetName,
                   Parse parse) {
  if (size < kSheetHeader) return 0;
  const std::size_t sectors = data[0] % kMaxSheetSectors;
  const std::size_t patternSize =
      std::min<std::size_t>((data[1] | data[2] << 8) % 4096, size - kSheetHeader);
  const std::uint8_t* pattern = data + kSheetHeader;
  const std::uint8_t* text = pattern + patternSize;
  const std::size_t textSize = size - kSheetHeader - patternSize;
  parse(std::string_view(reinterpret_cast<const char*>(text), textSize));

  std::vector<std::uint8_t> bin(sectors * kRecordBytes);
  for (std::size_t i = 0; i < bin.size() && patternSize > 0; ++i) bin[i] = pattern[i % patternSize];
  WriteFile("d.bin", bin.data(), bin.size());
  const std::string sheet = WriteFile(sheetName, text, textSize);

  Image image;
  std::string error;
  if (!image.Open(sheet, error)) {
    if (error.empty() || image.Sectors() != 0 || !image.Files().empty()) __builtin_trap();
    return 0;
  }
  const std::int64_t held = image.Sectors();
  if (image.Files().empty() || held <= 0) __builtin_trap();
  TNkCdRom drive("fuzz");
  if (!Inquiry(image, drive)) __builtin_trap();
  TNkToc toc;
  if (!ReadToc(image, drive, false, toc) || toc.TrackCount == 0) __builtin_trap();
  std::vector<std::uint8_t> buffer;
  for (int t = 0; t < toc.TrackCount; ++t) {
    const std::int64_t start = MsfAddressToFrames(toc.Tracks[t].Start);
    const std::int64_t end = MsfAddressToFrames(toc.Tracks[t].End);
    if (start < kFramesBeforeLba0 || end <= start || end - kFramesBeforeLba0 > held)
      __builtin_trap();
    for (int command = 0; command < kReadCommands; ++command) {
      const ReadFunction read = ChooseReadFunction(command);
      const std::int64_t step = 1 + (start + command) % 7;
      // Long silent stretches are read only near their ends.
      for (std::int64_t at = start; at < end; at += step) {
        if (at - start > 64 && end - at > 64) at = end - 64;
        const auto count = static_cast<std::uint32_t>(std::min(step, end - at));
        buffer.assign(count * kCdgSectorSize, 0);
        if (!read(image, drive, at, count, buffer.data())) __builtin_trap();
      }
    }
  }
  buffer.assign(kCdgSectorSize, 0);
  if (ReadCdRaw(image, drive, held + kFramesBeforeLba0, 1, buffer.data())) __builtin_trap();
  return 0;
}

}  // namespace mosaicer::fuzz
