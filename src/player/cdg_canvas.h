// The surface the CD+G decoder paints on. The decoder only ever fills
// rectangles with one colour and copies blocks of its pixel memory (one
// colour index per byte) through its 16-entry colour table; anything that
// can do those two things can show CD+G graphics. RgbCanvas is the
// in-memory one used by the command line and the tests; the player's window
// provides its own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/subcode_pack.h"
#include "platform/bitmap.h"

namespace mosaicer {

// Left, top, right, bottom; right and bottom are exclusive.
struct CdgRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const CdgRect&, const CdgRect&) = default;
};

// A block of colour indices, one byte per pixel, `stride` bytes per row.
struct IndexedPixels {
  const std::uint8_t* data = nullptr;
  int stride = 0;
};

using CdgColours = std::span<const PaletteEntry, kColourCount>;

class CdgCanvas {
 public:
  virtual ~CdgCanvas() = default;

  // Fills `rect` with `colour`; parts outside the canvas are left out.
  virtual void FillRect(const CdgRect& rect, Rgb colour) = 0;

  // Shows the `source` block of `pixels` on `dest`, each index looked up in
  // `colours` (only the low four bits of an index count). When the two
  // rectangles differ in size the block is stretched to fit `dest`. The
  // caller keeps `source` inside `pixels`; `dest` may reach past the canvas.
  virtual void CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                           const CdgRect& dest) = 0;
};

// Nearest-neighbour stretching: destination step `d` of `dstLength` takes the
// source sample at `srcStart + d * srcLength / dstLength`, so equal lengths
// copy one to one and every source sample is used when enlarging.
inline int NearestSource(int srcStart, int srcLength, int d, int dstLength) {
  return srcStart + static_cast<int>(static_cast<std::int64_t>(d) * srcLength / dstLength);
}

// A width x height true-colour picture, black when made. Stretched copies use
// NearestSource on each axis. Pixels are kept as 0x00RRGGBB words so a copy
// stores one word per pixel.
class RgbCanvas final : public CdgCanvas {
 public:
  // Negative sizes are taken as 0.
  RgbCanvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // x and y must be inside the canvas.
  Rgb Pixel(int x, int y) const;
  // Row y (inside the canvas) as 0x00RRGGBB words.
  const std::uint32_t* Row(int y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * width_;
  }

  void FillRect(const CdgRect& rect, Rgb colour) override;
  void CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                   const CdgRect& dest) override;

  // The picture as a 24-bit Bitmap, ready for WriteBmp / WriteBmpFile; empty
  // for a canvas of no pixels.
  Bitmap ToBitmap() const;

 private:
  CdgRect Clip(const CdgRect& rect) const;
  std::uint32_t* At(int x, int y) {
    return pixels_.data() + static_cast<std::size_t>(y) * width_ + x;
  }

  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;  // rows top-down
  std::vector<int> sourceX_;           // reused column map of stretched copies
};

}  // namespace mosaicer
