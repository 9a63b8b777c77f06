// Shared by the fuzz targets for disc images: the input split into a
// pattern and a text, and the reading of every track of an image with
// every read command of the ripper. An image that opens must deliver each
// of its tracks whole, and nothing past its end.
#pragma once

#include <algorithm>

#include "core/subcode_pack.h"
#include "fuzz_files.h"
#include "ripper/cd_drive.h"
#include "ripper/disc_image.h"
#include "ripper/rip_job.h"

namespace mosaicer::fuzz {

constexpr int kMaxImageSectors = 64;
constexpr std::int64_t kFramesBeforeLba0 = 150;

// The input after a header of `header` bytes whose last two give the length
// L of a pattern (little-endian, mod 4096): L bytes of pattern, then text.
struct PatternAndText {
  std::vector<std::uint8_t> pattern;
  std::string_view text;
  // `bytes` bytes of the pattern repeated (zeros without one).
  std::vector<std::uint8_t> Fill(std::size_t bytes) const {
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes && !pattern.empty(); ++i) out[i] = pattern[i % pattern.size()];
    return out;
  }
};
inline PatternAndText SplitInput(const std::uint8_t* data, std::size_t size, std::size_t header) {
  const std::size_t length =
      std::min<std::size_t>((data[header - 2] | data[header - 1] << 8) % 4096, size - header);
  const auto* text = reinterpret_cast<const char*>(data + header + length);
  return {{data + header, data + header + length}, {text, size - header - length}};
}

// Opens the image; a refusal must say why and leave the image empty.
template <typename Image>
bool Opened(Image& image, const std::string& path) {
  std::string error;
  if (image.Open(path, error)) return true;
  if (error.empty() || image.Sectors() != 0 || !image.Files().empty()) __builtin_trap();
  return false;
}

// Reads every track of `toc` with every read command; `check(lba, bytes)`
// sees each sector read. `held` is the image's length in sectors.
template <typename Check>
void ReadEveryTrack(DiscImage& image, const TNkCdRom& drive, const TNkToc& toc,
                    std::int64_t held, Check check) {
  std::vector<std::uint8_t> buffer;
  for (int t = 0; t < toc.TrackCount; ++t) {
    const std::int64_t start = MsfAddressToFrames(toc.Tracks[t].Start);
    const std::int64_t end = MsfAddressToFrames(toc.Tracks[t].End);
    // A checked table gives every track room inside the image.
    if (start < kFramesBeforeLba0 || end <= start || end - kFramesBeforeLba0 > held)
      __builtin_trap();
    for (int command = 0; command < 4; ++command) {
      const ReadFunction read = ChooseReadFunction(command);
      const std::int64_t step = 1 + (start + command) % 7;
      // Long silent stretches are read only near their ends.
      for (std::int64_t at = start; at < end; at += step) {
        if (at - start > 64 && end - at > 64) at = end - 64;
        const auto count = static_cast<std::uint32_t>(std::min(step, end - at));
        buffer.assign(count * kCdgSectorSize, 0);
        if (!read(image, drive, at, count, buffer.data())) __builtin_trap();
        for (std::uint32_t s = 0; s < count; ++s)
          check(at - kFramesBeforeLba0 + s, buffer.data() + s * kCdgSectorSize);
      }
    }
  }
  buffer.assign(kCdgSectorSize, 0);
  if (ReadCdRaw(image, drive, held + kFramesBeforeLba0, 1, buffer.data())) __builtin_trap();
}

// A sheet (cdrdao .toc, CUE .cue) and its data file "d.bin" of 2448-byte
// records. Input: byte 0 = sectors of d.bin (mod 64), bytes 1..2 = pattern
// length, the pattern that fills d.bin, then the sheet's text. `Image` has
// Open(path, error); `parse` checks the sheet's text alone.
template <typename Image, typename Parse>
int FuzzSheetImage(const std::uint8_t* data, std::size_t size, const char* sheetName,
                   Parse parse) {
  if (size < 3) return 0;
  const PatternAndText input = SplitInput(data, size, 3);
  parse(input.text);
  const auto bin = input.Fill(data[0] % kMaxImageSectors * kRecordBytes);
  WriteFile("d.bin", bin.data(), bin.size());
  const auto* text = reinterpret_cast<const std::uint8_t*>(input.text.data());
  const std::string sheet = WriteFile(sheetName, text, input.text.size());

  Image image;
  if (!Opened(image, sheet)) return 0;
  const std::int64_t held = image.Sectors();
  if (image.Files().empty() || held <= 0) __builtin_trap();
  TNkCdRom drive("fuzz");
  TNkToc toc;
  if (!Inquiry(image, drive) || !ReadToc(image, drive, false, toc) || toc.TrackCount == 0)
    __builtin_trap();
  ReadEveryTrack(image, drive, toc, held, [](std::int64_t, const std::uint8_t*) {});
  return 0;
}

}  // namespace mosaicer::fuzz
