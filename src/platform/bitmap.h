// An in-memory picture laid out like a Windows device-independent bitmap:
// 1, 4 or 8-bit palette indices or 24-bit colour, rows padded to whole
// 32-bit words. Unlike a DIB, rows are stored top-down (row 0 is the top).
// Indexed rows pack pixels most significant bits first: at 4 bits the left
// pixel is the high nibble, at 1 bit the leftmost pixel is bit 7. 24-bit rows
// hold three bytes per pixel in the order B, G, R, as a DIB does, so rows can
// be copied to and from BMP files unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mosaicer {

// Largest picture accepted anywhere: keeps a hostile size from turning into a
// huge allocation (200 million 24-bit pixels is already 600 MB).
inline constexpr std::int64_t kMaxBitmapSide = 30'000;
inline constexpr std::int64_t kMaxBitmapPixels = 200'000'000;

inline constexpr int kPaletteSize = 256;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One palette entry. `flags` is the fourth byte of the entry (the reserved
// byte of an RGBQUAD in a file); it travels with the colour but means nothing
// to the codec.
struct PaletteEntry {
  std::uint8_t r = 0, g = 0, b = 0, flags = 0;
  Rgb colour() const { return Rgb{r, g, b}; }
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// Why a picture of this size cannot be made, or an empty string if it can.
// Sizes are 64-bit so that values read from files are checked before any
// arithmetic on them can overflow.
std::string CheckBitmapSize(std::int64_t width, std::int64_t height);
// The reason a picture of this size is refused as too large, in the current
// language, and whether a reason is that one (the decoders' limits say it too).
std::string TooLargeText(std::int64_t width, std::int64_t height);
bool IsTooLargeText(const std::string& reason);

// Bytes in one stored row: width * bits rounded up to whole 32-bit words.
// The size must have passed CheckBitmapSize.
std::size_t BitmapStride(int width, int bitsPerPixel);

struct BitmapResult;

class Bitmap {
 public:
  // An empty bitmap: no pixels, 0 x 0.
  Bitmap() = default;

  // A bitmap of the given size and depth (1, 4, 8 or 24) with every pixel 0
  // and every palette entry black. Fails, without allocating, when the size
  // is outside the limits above or the depth is not one of those four.
  static BitmapResult Create(int width, int height, int bitsPerPixel);

  bool empty() const { return pixels_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bits_; }
  bool IsIndexed() const { return bits_ != 0 && bits_ <= kMaxIndexedBits; }
  std::size_t Stride() const { return stride_; }

  // Row y (0 = top), Stride() bytes long. y must be inside the bitmap.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;
  // All rows, top row first.
  std::span<const std::uint8_t> Pixels() const { return pixels_; }

  // Palette index of a pixel of an indexed bitmap. Setting keeps only the
  // low BitsPerPixel() bits of `index`. x and y must be inside the bitmap.
  std::uint8_t PixelIndex(int x, int y) const;
  void SetPixelIndex(int x, int y, std::uint8_t index);

  // Colour of a pixel of a 24-bit bitmap.
  Rgb PixelRgb(int x, int y) const;
  void SetPixelRgb(int x, int y, Rgb colour);

  // Colour shown at a pixel whatever the depth: palette lookup for indexed
  // bitmaps. Indices past PaletteCount() still read the (black unless set)
  // palette entry.
  Rgb ColourAt(int x, int y) const;

  // Always kPaletteSize entries; PaletteCount() says how many are in use.
  const std::array<PaletteEntry, kPaletteSize>& Palette() const { return palette_; }
  void SetPaletteEntry(int index, PaletteEntry entry);
  int PaletteCount() const { return paletteCount_; }
  // Clamped to 0..kPaletteSize.
  void SetPaletteCount(int count);

 private:
  static constexpr int kMaxIndexedBits = 8;

  int width_ = 0;
  int height_ = 0;
  int bits_ = 0;
  std::size_t stride_ = 0;
  int paletteCount_ = 0;
  std::array<PaletteEntry, kPaletteSize> palette_{};
  std::vector<std::uint8_t> pixels_;
};

// A bitmap, or the reason there is none.
struct BitmapResult {
  std::optional<Bitmap> bitmap;
  std::string error;  // set exactly when `bitmap` is empty

  bool ok() const { return bitmap.has_value(); }
  static BitmapResult Failure(std::string message);
};

}  // namespace mosaicer
