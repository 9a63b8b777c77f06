// Preparing a large photo: palette generation and colour reduction with
// error diffusion over a 6000 x 4000 24-bit picture, against a plain
// per-pixel nearest-colour pass over the same picture as the reference.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "image/colour_reduction.h"
#include "image/palette_generation.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kMethod = 3;  // the wizard's default, Rgbrgb1D
constexpr int kBits = 6;
constexpr float kStrength = 60 * 0.01f;

// Smooth colour fields with grain: many distinct colours, as in a photo.
const mosaicer::Bitmap& Photo() {
  static const mosaicer::Bitmap photo = [] {
    mosaicer::Bitmap p = *mosaicer::Bitmap::Create(kWidth, kHeight, 24).bitmap;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> grain(-12, 12);
    const auto channel = [&](double v) {
      return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v) + grain(rng), 0, 255));
    };
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double fx = x / double(kWidth), fy = y / double(kHeight);
        p.SetPixelRgb(x, y,
                      {channel(128 + 120 * std::sin(6 * fx + 2 * fy)),
                       channel(255 * fy * (1 - fx) + 60 * std::cos(9 * fx * fy)),
                       channel(200 * fx + 50 * std::sin(14 * fy))});
      }
    return p;
  }();
  return photo;
}

mosaicer::LogPalette PhotoPalette() {
  mosaicer::LogPalette palette = mosaicer::LogPalette::Cleared(16);
  mosaicer::GeneratePalette(&Photo(), kMethod, palette, 0, 16, kBits);
  palette.count = 16;
  return palette;
}

void BM_ImagePaletteGeneration(benchmark::State& state) {
  Photo();  // made once, outside the timing
  for (auto _ : state) benchmark::DoNotOptimize(PhotoPalette());
}
BENCHMARK(BM_ImagePaletteGeneration)->Unit(benchmark::kMillisecond);

void BM_ImageDiffusion(benchmark::State& state) {
  const mosaicer::LogPalette palette = PhotoPalette();
  for (auto _ : state)
    benchmark::DoNotOptimize(mosaicer::ReducedCopy(Photo(), palette, true, kStrength));
}
BENCHMARK(BM_ImageDiffusion)->Unit(benchmark::kMillisecond);

void BM_ImagePaletteAndDiffusion(benchmark::State& state) {
  Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(mosaicer::ReducedCopy(Photo(), PhotoPalette(), true, kStrength));
}
BENCHMARK(BM_ImagePaletteAndDiffusion)->Unit(benchmark::kMillisecond);

// Reference: the simplest mapping there is, one NearestPaletteIndex call
// per pixel, no diffusion.
void BM_ImagePlainNearestPass(benchmark::State& state) {
  const mosaicer::LogPalette palette = PhotoPalette();
  const mosaicer::Bitmap& photo = Photo();
  for (auto _ : state) {
    mosaicer::Bitmap out = *mosaicer::Bitmap::Create(kWidth, kHeight, 4).bitmap;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const mosaicer::Rgb c = photo.PixelRgb(x, y);
        out.SetPixelIndex(
            x, y, static_cast<std::uint8_t>(mosaicer::NearestPaletteIndex(palette, c.r, c.g, c.b)));
      }
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ImagePlainNearestPass)->Unit(benchmark::kMillisecond);

}  // namespace
