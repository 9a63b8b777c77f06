#include "platform/bitmap.h"

#include <climits>
#include <algorithm>
#include <cassert>
#include <utility>

#include "platform/language.h"

namespace mosaicer {
namespace {

constexpr int kBytesPerRgbPixel = 3;
constexpr int kRgbBits = 24;
constexpr std::size_t kRowAlignBytes = 4;

// Byte order of a 24-bit pixel, as in a DIB.
constexpr int kBlueOffset = 0;
constexpr int kGreenOffset = 1;
constexpr int kRedOffset = 2;

bool IsSupportedDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == kRgbBits; }

std::string SizeText(std::int64_t width, std::int64_t height) {
  return Format(Tr("(%1 x %2 pixels)"), {std::to_string(width), std::to_string(height)});
}

}  // namespace

std::string CheckBitmapSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0)
    return Format(Tr("invalid image size %1"), {SizeText(width, height)});
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
    return TooLargeText(width, height);
  return {};
}

std::string TooLargeText(std::int64_t width, std::int64_t height) {
  return Format(Tr("image too large %1"), {SizeText(width, height)});
}

bool IsTooLargeText(const std::string& reason) {
  return reason.starts_with(Format(Tr("image too large %1"), {""}));
}

std::size_t BitmapStride(int width, int bitsPerPixel) {
  const std::size_t rowBits =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel);
  const std::size_t rowBytes = (rowBits + CHAR_BIT - 1) / CHAR_BIT;
  return (rowBytes + kRowAlignBytes - 1) / kRowAlignBytes * kRowAlignBytes;
}

BitmapResult BitmapResult::Failure(std::string message) {
  BitmapResult result;
  result.error = std::move(message);
  return result;
}

BitmapResult Bitmap::Create(int width, int height, int bitsPerPixel) {
  if (std::string problem = CheckBitmapSize(width, height); !problem.empty())
    return BitmapResult::Failure(std::move(problem));
  if (!IsSupportedDepth(bitsPerPixel))
    return BitmapResult::Failure(
        Format(Tr("unsupported bitmap depth (%1 bits per pixel)"), {std::to_string(bitsPerPixel)}));
  Bitmap bitmap;
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.bits_ = bitsPerPixel;
  bitmap.stride_ = BitmapStride(width, bitsPerPixel);
  bitmap.pixels_.assign(bitmap.stride_ * static_cast<std::size_t>(height), 0);
  BitmapResult result;
  result.bitmap = std::move(bitmap);
  return result;
}

std::uint8_t* Bitmap::ScanLine(int y) {
  assert(y >= 0 && y < height_);
  return pixels_.data() + stride_ * static_cast<std::size_t>(y);
}

const std::uint8_t* Bitmap::ScanLine(int y) const {
  assert(y >= 0 && y < height_);
  return pixels_.data() + stride_ * static_cast<std::size_t>(y);
}

std::uint8_t Bitmap::PixelIndex(int x, int y) const {
  assert(IsIndexed() && x >= 0 && x < width_);
  const std::uint8_t* row = ScanLine(y);
  const int pixelsPerByte = CHAR_BIT / bits_;
  const std::uint8_t byte = row[x / pixelsPerByte];
  // Leftmost pixel in the most significant bits.
  const int shift = CHAR_BIT - bits_ * (x % pixelsPerByte + 1);
  const int mask = (1 << bits_) - 1;
  return static_cast<std::uint8_t>((byte >> shift) & mask);
}

void Bitmap::SetPixelIndex(int x, int y, std::uint8_t index) {
  assert(IsIndexed() && x >= 0 && x < width_);
  std::uint8_t* row = ScanLine(y);
  const int pixelsPerByte = CHAR_BIT / bits_;
  std::uint8_t& byte = row[x / pixelsPerByte];
  const int shift = CHAR_BIT - bits_ * (x % pixelsPerByte + 1);
  const int mask = ((1 << bits_) - 1) << shift;
  byte = static_cast<std::uint8_t>((byte & ~mask) | ((index << shift) & mask));
}

Rgb Bitmap::PixelRgb(int x, int y) const {
  assert(bits_ == kRgbBits && x >= 0 && x < width_);
  const std::uint8_t* pixel = ScanLine(y) + static_cast<std::size_t>(x) * kBytesPerRgbPixel;
  return Rgb{pixel[kRedOffset], pixel[kGreenOffset], pixel[kBlueOffset]};
}

void Bitmap::SetPixelRgb(int x, int y, Rgb colour) {
  assert(bits_ == kRgbBits && x >= 0 && x < width_);
  std::uint8_t* pixel = ScanLine(y) + static_cast<std::size_t>(x) * kBytesPerRgbPixel;
  pixel[kRedOffset] = colour.r;
  pixel[kGreenOffset] = colour.g;
  pixel[kBlueOffset] = colour.b;
}

Rgb Bitmap::ColourAt(int x, int y) const {
  if (IsIndexed()) return palette_[PixelIndex(x, y)].colour();
  return PixelRgb(x, y);
}

void Bitmap::SetPaletteEntry(int index, PaletteEntry entry) {
  assert(index >= 0 && index < kPaletteSize);
  palette_[static_cast<std::size_t>(index)] = entry;
}

void Bitmap::SetPaletteCount(int count) { paletteCount_ = std::clamp(count, 0, kPaletteSize); }

}  // namespace mosaicer
