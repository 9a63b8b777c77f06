#include "app/bitmap_image.h"

#include <array>
#include <cstdint>

namespace mosaicer {

QImage ToQImage(const Bitmap& bitmap) {
  if (bitmap.empty()) return {};
  const int width = bitmap.Width();
  QImage image(width, bitmap.Height(), QImage::Format_RGB32);
  const int bits = bitmap.BitsPerPixel();
  if (!bitmap.IsIndexed()) {
    for (int y = 0; y < bitmap.Height(); ++y) {
      const std::uint8_t* in = bitmap.ScanLine(y);
      auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
  }
  // Every index reads a palette entry, used or not, as ColourAt does.
  std::array<QRgb, kPaletteSize> colours{};
  for (int i = 0; i < kPaletteSize; ++i) {
    const PaletteEntry& entry = bitmap.Palette()[i];
    colours[i] = qRgb(entry.r, entry.g, entry.b);
  }
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* in = bitmap.ScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      // Leftmost pixel in the most significant bits.
      const int shift = (perByte - 1 - x % perByte) * bits;
      out[x] = colours[(in[x / perByte] >> shift) & mask];
    }
  }
  return image;
}

}  // namespace mosaicer
