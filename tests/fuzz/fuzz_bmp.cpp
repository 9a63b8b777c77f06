// Feeds arbitrary bytes to the BMP reader. Whatever it accepts must survive a
// trip through the writer and back unchanged.
#include <algorithm>

#include "fuzz_target.h"
#include "platform/bmp_codec.h"

// Huge pictures (RLE can declare them in a few bytes) are only decoded: the
// round trip would just make each run slow.
constexpr std::size_t kMaxRoundTripBytes = std::size_t{1} << 24;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const mosaicer::BitmapResult result = mosaicer::ReadBmp(data, size);
  if (!result.ok()) return 0;
  const mosaicer::Bitmap& bitmap = *result.bitmap;
  if (bitmap.Pixels().size() > kMaxRoundTripBytes) return 0;

  const mosaicer::BitmapResult back = mosaicer::ReadBmp(mosaicer::WriteBmp(bitmap));
  if (!back.ok()) std::abort();
  const mosaicer::Bitmap& copy = *back.bitmap;
  if (copy.Width() != bitmap.Width() || copy.Height() != bitmap.Height() ||
      copy.BitsPerPixel() != bitmap.BitsPerPixel() ||
      !std::ranges::equal(copy.Pixels(), bitmap.Pixels()))
    std::abort();
  for (int i = 0; i < copy.PaletteCount(); ++i)
    if (copy.Palette()[i].colour() != bitmap.Palette()[i].colour()) std::abort();
  return 0;
}
