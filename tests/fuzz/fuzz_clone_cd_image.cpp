// Writes a CloneCD image (.ccd, .img, .sub) from arbitrary bytes, opens it,
// reads its table of contents and then every track with every read command
// of the ripper (see fuzz_disc_image.h), with the audio bytes the .img holds.
//
// Input: byte 0 = .img sectors, byte 1 = .sub sectors (both mod 64), bytes
// 2..3 = length L of the .sub pattern (little-endian, mod 4096), then L
// bytes repeated to fill the .sub, then the .ccd text.
#include "fuzz_disc_image.h"
#include "ripper/clone_cd_image.h"

namespace {

std::uint8_t AudioByte(std::size_t sector, std::size_t i) {
  return static_cast<std::uint8_t>(sector * 7 + i * 13 + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  if (size < 4) return 0;
  const std::size_t imgSectors = data[0] % fuzz::kMaxImageSectors;
  const std::size_t subSectors = data[1] % fuzz::kMaxImageSectors;
  const fuzz::PatternAndText input = fuzz::SplitInput(data, size, 4);
  std::vector<std::uint8_t> img(imgSectors * kAudioBytesPerSector);
  for (std::size_t i = 0; i < img.size(); ++i)
    img[i] = AudioByte(i / kAudioBytesPerSector, i % kAudioBytesPerSector);
  const auto sub = input.Fill(subSectors * kSubcodeBytesPerSector);
  const std::string ccd = fuzz::WriteFile(
      "disc.ccd", reinterpret_cast<const std::uint8_t*>(input.text.data()), input.text.size());
  fuzz::WriteFile("disc.img", img.data(), img.size());
  fuzz::WriteFile("disc.sub", sub.data(), sub.size());

  CloneCdImage image;
  if (!fuzz::Opened(image, ccd)) return 0;
  const std::int64_t sectors = image.Sectors();
  if (image.Files().size() != 3 || sectors < CcdLeadOutSector(image.Toc()) ||
      sectors != static_cast<std::int64_t>(std::min(imgSectors, subSectors)))
    __builtin_trap();
  TNkCdRom drive("fuzz");
  TNkToc toc;
  // Repairing BCD that is not there may garble the table: that one is only parsed.
  if (!Inquiry(image, drive) || !ReadToc(image, drive, true, toc)) __builtin_trap();
  if (!ReadToc(image, drive, false, toc) || toc.TrackCount == 0) __builtin_trap();
  fuzz::ReadEveryTrack(image, drive, toc, sectors, [](std::int64_t lba, const std::uint8_t* bytes) {
    for (std::size_t i = 0; i < kAudioBytesPerSector; i += 97)
      if (bytes[i] != AudioByte(static_cast<std::size_t>(lba), i)) __builtin_trap();
  });
  return 0;
}
