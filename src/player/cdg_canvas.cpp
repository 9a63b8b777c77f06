#include "player/cdg_canvas.h"

#include <algorithm>
#include <array>
#include <utility>

namespace mosaicer {
namespace {

constexpr int kRedShift = 16, kGreenShift = 8;
constexpr std::uint32_t kComponentMask = 0xFF;
constexpr std::uint8_t kIndexMask = kColourCount - 1;

std::uint32_t Pack(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return std::uint32_t{r} << kRedShift | std::uint32_t{g} << kGreenShift | b;
}

}  // namespace

RgbCanvas::RgbCanvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, 0) {}

Rgb RgbCanvas::Pixel(int x, int y) const {
  const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return Rgb{static_cast<std::uint8_t>(p >> kRedShift & kComponentMask),
             static_cast<std::uint8_t>(p >> kGreenShift & kComponentMask),
             static_cast<std::uint8_t>(p & kComponentMask)};
}

CdgRect RgbCanvas::Clip(const CdgRect& rect) const {
  return CdgRect{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
                 std::min(rect.bottom, height_)};
}

void RgbCanvas::FillRect(const CdgRect& rect, Rgb colour) {
  const CdgRect r = Clip(rect);
  if (r.Empty()) return;
  const std::uint32_t word = Pack(colour.r, colour.g, colour.b);
  for (int y = r.top; y < r.bottom; ++y) std::fill_n(At(r.left, y), r.Width(), word);
}

void RgbCanvas::CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                            const CdgRect& dest) {
  if (source.Empty() || dest.Empty() || pixels.data == nullptr) return;
  const CdgRect r = Clip(dest);
  if (r.Empty()) return;

  std::array<std::uint32_t, kColourCount> lookup;
  for (int i = 0; i < kColourCount; ++i) lookup[i] = Pack(colours[i].r, colours[i].g, colours[i].b);

  // Same size: a straight row-by-row lookup, the common case of every tile.
  if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
    for (int y = r.top; y < r.bottom; ++y) {
      const std::uint8_t* row =
          pixels.data + static_cast<std::ptrdiff_t>(source.top + y - dest.top) * pixels.stride +
          (source.left + r.left - dest.left);
      std::uint32_t* out = At(r.left, y);
      for (int x = 0; x < r.Width(); ++x) out[x] = lookup[row[x] & kIndexMask];
    }
    return;
  }

  // Map every visible destination column once; rows are mapped as they come.
  sourceX_.resize(static_cast<std::size_t>(r.Width()));
  for (int x = r.left; x < r.right; ++x)
    sourceX_[static_cast<std::size_t>(x - r.left)] =
        NearestSource(source.left, source.Width(), x - dest.left, dest.Width());
  for (int y = r.top; y < r.bottom; ++y) {
    const int sy = NearestSource(source.top, source.Height(), y - dest.top, dest.Height());
    const std::uint8_t* row = pixels.data + static_cast<std::ptrdiff_t>(sy) * pixels.stride;
    std::uint32_t* out = At(r.left, y);
    for (int sx : sourceX_) *out++ = lookup[row[sx] & kIndexMask];
  }
}

Bitmap RgbCanvas::ToBitmap() const {
  constexpr int kTrueColourBits = 24;
  BitmapResult made = Bitmap::Create(width_, height_, kTrueColourBits);
  if (!made.ok()) return Bitmap();
  Bitmap& bitmap = *made.bitmap;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) bitmap.SetPixelRgb(x, y, Pixel(x, y));
  return std::move(bitmap);
}

}  // namespace mosaicer
