// Feeds arbitrary bytes to the picture reader (BMP, PNG, JPEG). Whatever it
// accepts must be a bitmap of a depth the reader promises.
#include "fuzz_target.h"
#include "media/picture_reader.h"

// Larger pictures are refused before decoding, so one run stays quick and
// small in memory.
constexpr std::int64_t kMaxFuzzPixels = 1 << 22;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const mosaicer::BitmapResult result =
      mosaicer::DecodePicture(std::span<const std::uint8_t>(data, size), kMaxFuzzPixels);
  if (!result.ok()) {
    if (result.error.empty()) std::abort();
    return 0;
  }
  const mosaicer::Bitmap& bitmap = *result.bitmap;
  if (bitmap.empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0) std::abort();
  const int bits = bitmap.BitsPerPixel();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) std::abort();
  if (mosaicer::SniffPicture({data, size}) != mosaicer::PictureKind::Bmp && bits != 4 && bits != 24)
    std::abort();
  return 0;
}
