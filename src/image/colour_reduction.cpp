#include "image/colour_reduction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace mosaicer {
namespace {

constexpr int kOutputBits = 4;
constexpr int kOutputColours = 1 << kOutputBits;
constexpr int kRgbBits = 24;
constexpr int kChannels = 3;
// Byte order of a 24-bit pixel in a bitmap row.
constexpr int kRowBlue = 0, kRowGreen = 1, kRowRed = 2;
constexpr int kMaxComponent = 255;
constexpr float kShareToEachNeighbour = 0.5f;
// The search packs distance and index into one 16-bit key, distance * 16 +
// index, so the smallest key is the nearest entry with the lowest index on
// ties, and sixteen keys compare in a few vector instructions. Real entries
// are at most 765 away; unused slots sit at 600 on every axis, at least
// 1035 away from any colour, and no key reaches 32768.
constexpr int kIndexBits = kOutputBits;
constexpr int kIndexMask = kOutputColours - 1;
constexpr std::int16_t kUnusedComponent = 600;

// The first `count` (at most 16) entries of a palette, laid out for a
// fixed-length scan the compiler can vectorise.
class NearestSearch {
 public:
  NearestSearch(const LogPalette& palette, int count) {
    for (int i = 0; i < kOutputColours; ++i) {
      const PaletteEntry e = palette.entries[static_cast<std::size_t>(i)];
      const bool used = i < count;
      r_[i] = used ? e.r : kUnusedComponent;
      g_[i] = used ? e.g : kUnusedComponent;
      b_[i] = used ? e.b : kUnusedComponent;
      colour_[i] = e.colour();
    }
  }

  int operator()(int r, int g, int b) const {
    std::int16_t best = std::numeric_limits<std::int16_t>::max();
    for (int i = 0; i < kOutputColours; ++i) {
      const int distance = std::abs(r - r_[i]) + std::abs(g - g_[i]) + std::abs(b - b_[i]);
      best = std::min(best, static_cast<std::int16_t>((distance << kIndexBits) | i));
    }
    return best & kIndexMask;
  }

  // The entry itself, even when an empty palette made the search fall back
  // on index 0.
  Rgb Colour(int i) const { return colour_[i]; }

 private:
  std::array<std::int16_t, kOutputColours> r_, g_, b_;
  std::array<Rgb, kOutputColours> colour_;
};

// The first `width` pixels of rows of any picture as 24-bit B, G, R bytes;
// indexed rows are looked up into one reused row buffer.
class RgbRows {
 public:
  RgbRows(const Bitmap& picture, int width) : picture_(picture), width_(width) {
    if (picture.BitsPerPixel() != kRgbBits)
      buffer_.resize(static_cast<std::size_t>(width) * kChannels);
  }

  const std::uint8_t* Row(int y) {
    if (buffer_.empty()) return picture_.ScanLine(y);
    std::uint8_t* out = buffer_.data();
    for (int x = 0; x < width_; ++x, out += kChannels) {
      const Rgb c = picture_.ColourAt(x, y);
      out[kRowRed] = c.r;
      out[kRowGreen] = c.g;
      out[kRowBlue] = c.b;
    }
    return buffer_.data();
  }

 private:
  const Bitmap& picture_;
  int width_;
  std::vector<std::uint8_t> buffer_;
};

void PutIndex(std::uint8_t* row, int x, int index) {
  constexpr int kHighNibbleShift = 4;
  // The left pixel of a pair is the high nibble.
  row[x / 2] |= static_cast<std::uint8_t>((x % 2 == 0) ? index << kHighNibbleShift : index);
}

// Both mappings fill `out` from the top-left out.Width() x out.Height()
// pixels of `source`.
void MapPlain(const Bitmap& source, const NearestSearch& nearest, Bitmap& out) {
  RgbRows rows(source, out.Width());
  for (int y = 0; y < out.Height(); ++y) {
    const std::uint8_t* p = rows.Row(y);
    std::uint8_t* dst = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x, p += kChannels)
      PutIndex(dst, x, nearest(p[kRowRed], p[kRowGreen], p[kRowBlue]));
  }
}

int ToComponent(int v) { return std::clamp(v, 0, kMaxComponent); }

// acc = truncate-toward-zero(acc + d), in single precision.
void AddError(int& acc, float d) { acc = static_cast<int>(static_cast<float>(acc) + d); }

void MapDiffused(const Bitmap& source, const NearestSearch& nearest, float coefficient,
                 Bitmap& out) {
  const float k = coefficient * kShareToEachNeighbour;
  const int width = out.Width();
  // Errors only ever move right or one row down, so two rows of
  // accumulators (this row, the next) hold everything still needed. The
  // spare column catches the last pixel's error to the right.
  const std::size_t rowLength = static_cast<std::size_t>(width + 1) * kChannels;
  std::vector<int> here(rowLength, 0), below(rowLength, 0);

  RgbRows rows(source, width);
  for (int y = 0; y < out.Height(); ++y) {
    const std::uint8_t* p = rows.Row(y);
    std::uint8_t* dst = out.ScanLine(y);
    for (int x = 0; x < width; ++x, p += kChannels) {
      int* acc = &here[static_cast<std::size_t>(x) * kChannels];
      const int wanted[kChannels] = {p[kRowRed] + acc[0], p[kRowGreen] + acc[1],
                                     p[kRowBlue] + acc[2]};
      const int index =
          nearest(ToComponent(wanted[0]), ToComponent(wanted[1]), ToComponent(wanted[2]));
      PutIndex(dst, x, index);

      // The error comes from the unclamped wanted colour.
      const Rgb entry = nearest.Colour(index);
      const int chosen[kChannels] = {entry.r, entry.g, entry.b};
      int* right = acc + kChannels;
      int* down = &below[static_cast<std::size_t>(x) * kChannels];
      for (int c = 0; c < kChannels; ++c) {
        const float d = static_cast<float>(wanted[c] - chosen[c]) * k;
        AddError(right[c], d);
        AddError(down[c], d);
      }
    }
    std::swap(here, below);
    std::fill(below.begin(), below.end(), 0);
  }
}

}  // namespace

int NearestPaletteIndex(const LogPalette& palette, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const int count = std::min<int>(palette.count, kPaletteSize);
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < count; ++i) {
    const PaletteEntry e = palette.entries[static_cast<std::size_t>(i)];
    const int distance = std::abs(r - e.r) + std::abs(g - e.g) + std::abs(b - e.b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

Bitmap ReducedCopy(const Bitmap& source, const LogPalette& palette, bool diffuse,
                   float coefficient) {
  return ReducedCopy(source, palette, diffuse, coefficient, source.Width(), source.Height());
}

Bitmap ReducedCopy(const Bitmap& source, const LogPalette& palette, bool diffuse, float coefficient,
                   int width, int height) {
  width = std::min(width, source.Width());
  height = std::min(height, source.Height());
  if (source.empty() || width <= 0 || height <= 0) return Bitmap();
  BitmapResult created = Bitmap::Create(width, height, kOutputBits);
  Bitmap out = std::move(*created.bitmap);  // the source's size already passed the checks
  for (int i = 0; i < kOutputColours; ++i)
    out.SetPaletteEntry(i, palette.entries[static_cast<std::size_t>(i)]);
  out.SetPaletteCount(kOutputColours);

  const NearestSearch nearest(palette, std::min<int>(palette.count, kOutputColours));
  if (diffuse)
    MapDiffused(source, nearest, coefficient, out);
  else
    MapPlain(source, nearest, out);
  return out;
}

bool ReduceColours(Bitmap* picture, const LogPalette& palette, bool diffuse, float coefficient) {
  if (picture == nullptr || picture->empty()) return false;
  *picture = ReducedCopy(*picture, palette, diffuse, coefficient);
  return true;
}

}  // namespace mosaicer
