// Feeds arbitrary packs to the decoder, painting unscaled and stretched onto
// a canvas smaller than the screen, then takes both snapshots.
#include <sstream>

#include "fuzz_target.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"

namespace {
constexpr int kCanvasWidth = 40, kCanvasHeight = 30;
constexpr std::size_t kHeaderSize = 2;  // scaled width and height, a byte each
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderSize) return 0;
  // Sizes up to 255 reach both shrinking and stretching and keep runs quick.
  const std::uint16_t width = data[0];
  const std::uint16_t height = data[1];
  data += kHeaderSize;
  size -= kHeaderSize;
  const std::size_t count = size / mosaicer::kPackSize;

  mosaicer::RgbCanvas canvas(kCanvasWidth, kCanvasHeight);
  mosaicer::TNkCdgDecoder decoder;
  if (!decoder.Attach(&canvas)) __builtin_trap();
  decoder.Reset();
  decoder.SetEasyScroll(width & 1);
  // First half unscaled, second half stretched, so runs meet both paths.
  const std::size_t half = count / 2;
  decoder.Decode(data, half);
  decoder.DecodeScaled(data + half * mosaicer::kPackSize, count - half, width, height);
  decoder.RepaintScaled(width, height);

  for (int y = 0; y < mosaicer::kCdgMemoryHeight; y += mosaicer::kTileHeight)
    if (decoder.MemoryPixel(y, y) >= mosaicer::kColourCount) __builtin_trap();
  std::ostringstream plain, scaled;
  if (!decoder.SaveBitmap(plain)) __builtin_trap();
  const bool sized = width != 0 && height != 0;
  if (decoder.SaveBitmapScaled(width, height, scaled) != sized) __builtin_trap();
  return 0;
}
