#include "player/cdg_canvas.h"

#include <algorithm>
#include <utility>

namespace mosaicer {

RgbCanvas::RgbCanvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_ * kBytesPerPixel, 0) {}

Rgb RgbCanvas::Pixel(int x, int y) const {
  const std::uint8_t* p =
      pixels_.data() + (static_cast<std::size_t>(y) * width_ + x) * kBytesPerPixel;
  return Rgb{p[0], p[1], p[2]};
}

CdgRect RgbCanvas::Clip(const CdgRect& rect) const {
  return CdgRect{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
                 std::min(rect.bottom, height_)};
}

void RgbCanvas::FillRect(const CdgRect& rect, Rgb colour) {
  const CdgRect r = Clip(rect);
  if (r.Empty()) return;
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint8_t* p = At(r.left, y);
    for (int x = r.left; x < r.right; ++x, p += kBytesPerPixel) {
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
    }
  }
}

void RgbCanvas::CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                            const CdgRect& dest) {
  if (source.Empty() || dest.Empty() || pixels.data == nullptr) return;
  const CdgRect r = Clip(dest);
  if (r.Empty()) return;
  constexpr std::uint8_t kIndexMask = kColourCount - 1;

  // Map every visible destination column once; rows are mapped as they come.
  sourceX_.resize(static_cast<std::size_t>(r.Width()));
  for (int x = r.left; x < r.right; ++x)
    sourceX_[static_cast<std::size_t>(x - r.left)] =
        NearestSource(source.left, source.Width(), x - dest.left, dest.Width());

  for (int y = r.top; y < r.bottom; ++y) {
    const int sy = NearestSource(source.top, source.Height(), y - dest.top, dest.Height());
    const std::uint8_t* row = pixels.data + static_cast<std::ptrdiff_t>(sy) * pixels.stride;
    std::uint8_t* p = At(r.left, y);
    for (int sx : sourceX_) {
      const PaletteEntry& c = colours[row[sx] & kIndexMask];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      p += kBytesPerPixel;
    }
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
