#include "media/picture_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace mosaicer {
namespace {

constexpr int kRgbBits = 24;
constexpr int kChannels = 3;

// The source pixels a target pixel covers along one side, and by how much.
// A source pixel spans [i * target, (i + 1) * target) and a target pixel
// [j * source, (j + 1) * source) in units of 1 / (source * target) of the
// side, so every overlap is a whole number and the weights of one target
// pixel add up to `source`.
struct Span {
  int first = 0;
  std::vector<std::int64_t> weights;
};

std::vector<Span> Spans(int source, int target) {
  std::vector<Span> spans(static_cast<std::size_t>(target));
  const std::int64_t s = source, t = target;
  for (std::int64_t j = 0; j < t; ++j) {
    const std::int64_t begin = j * s, end = (j + 1) * s;
    Span& span = spans[static_cast<std::size_t>(j)];
    span.first = static_cast<int>(begin / t);
    for (std::int64_t i = span.first; i < s && i * t < end; ++i) {
      const std::int64_t overlap = std::min(end, (i + 1) * t) - std::max(begin, i * t);
      span.weights.push_back(overlap);
    }
  }
  return spans;
}

// Colours of one row, R, G, B, whatever the bitmap's depth.
void RowColours(const Bitmap& bitmap, int y, std::vector<std::int64_t>& out) {
  const int w = bitmap.Width();
  out.resize(static_cast<std::size_t>(w) * kChannels);
  if (bitmap.BitsPerPixel() == kRgbBits) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      out[x * kChannels + 0] = row[x * kChannels + 2];
      out[x * kChannels + 1] = row[x * kChannels + 1];
      out[x * kChannels + 2] = row[x * kChannels + 0];
    }
    return;
  }
  for (int x = 0; x < w; ++x) {
    const Rgb c = bitmap.ColourAt(x, y);
    out[x * kChannels + 0] = c.r;
    out[x * kChannels + 1] = c.g;
    out[x * kChannels + 2] = c.b;
  }
}

int Rounded(double v) { return std::max(1, static_cast<int>(std::lround(v))); }

}  // namespace

std::optional<PictureFit> ParsePictureFit(std::string_view text) {
  if (text == "crop") return PictureFit::Crop;
  if (text == "fit") return PictureFit::Fit;
  if (text == "fill") return PictureFit::Fill;
  return std::nullopt;
}

const char* PictureFitName(PictureFit fit) {
  switch (fit) {
    case PictureFit::Fit:
      return "fit";
    case PictureFit::Fill:
      return "fill";
    case PictureFit::Crop:
      break;
  }
  return "crop";
}

BitmapResult ScaleArea(const Bitmap& source, int width, int height) {
  if (source.empty()) return BitmapResult::Failure("no picture to scale");
  BitmapResult made = Bitmap::Create(width, height, kRgbBits);
  if (!made.ok()) return made;
  Bitmap& target = *made.bitmap;
  const std::vector<Span> across = Spans(source.Width(), width);
  const std::vector<Span> down = Spans(source.Height(), height);
  const std::int64_t total = std::int64_t{source.Width()} * source.Height();

  // Source rows summed across, each computed once and kept while target rows
  // still need it (at most the rows one target row covers).
  std::vector<std::int64_t> colours;
  std::vector<std::vector<std::int64_t>> summed;  // by source row - firstKept
  int firstKept = 0;
  std::vector<std::int64_t> accumulated(static_cast<std::size_t>(width) * kChannels);
  for (int ty = 0; ty < height; ++ty) {
    const Span& vertical = down[static_cast<std::size_t>(ty)];
    // Drop rows above this target row's first source row.
    while (firstKept < vertical.first && !summed.empty()) {
      summed.erase(summed.begin());
      ++firstKept;
    }
    if (summed.empty()) firstKept = vertical.first;
    std::fill(accumulated.begin(), accumulated.end(), 0);
    for (std::size_t k = 0; k < vertical.weights.size(); ++k) {
      const int sy = vertical.first + static_cast<int>(k);
      while (firstKept + static_cast<int>(summed.size()) <= sy) {
        const int row = firstKept + static_cast<int>(summed.size());
        RowColours(source, row, colours);
        std::vector<std::int64_t> sums(static_cast<std::size_t>(width) * kChannels, 0);
        for (int tx = 0; tx < width; ++tx) {
          const Span& horizontal = across[static_cast<std::size_t>(tx)];
          for (std::size_t i = 0; i < horizontal.weights.size(); ++i)
            for (int c = 0; c < kChannels; ++c)
              sums[tx * kChannels + c] +=
                  colours[(horizontal.first + i) * kChannels + c] * horizontal.weights[i];
        }
        summed.push_back(std::move(sums));
      }
      const std::vector<std::int64_t>& sums = summed[static_cast<std::size_t>(sy - firstKept)];
      for (std::size_t i = 0; i < accumulated.size(); ++i)
        accumulated[i] += sums[i] * vertical.weights[k];
    }
    std::uint8_t* row = target.ScanLine(ty);
    for (int tx = 0; tx < width; ++tx) {
      // Rounded to the nearest level; B, G, R in the row.
      for (int c = 0; c < kChannels; ++c)
        row[tx * kChannels + (kChannels - 1 - c)] =
            static_cast<std::uint8_t>((accumulated[tx * kChannels + c] + total / 2) / total);
    }
  }
  return made;
}

FitPlacement PlaceFitted(int width, int height, PictureFit fit, int areaWidth, int areaHeight) {
  if (fit == PictureFit::Crop || width <= 0 || height <= 0)
    return {0, 0, areaWidth, areaHeight};
  const double sx = static_cast<double>(areaWidth) / width;
  const double sy = static_cast<double>(areaHeight) / height;
  FitPlacement p;
  if (fit == PictureFit::Fit) {
    const double s = std::min(sx, sy);
    p.width = std::min(areaWidth, Rounded(width * s));
    p.height = std::min(areaHeight, Rounded(height * s));
    p.left = (areaWidth - p.width) / 2;
    p.top = (areaHeight - p.height) / 2;
  } else {
    const double s = std::max(sx, sy);
    p.width = std::max(areaWidth, Rounded(width * s));
    p.height = std::max(areaHeight, Rounded(height * s));
  }
  return p;
}

FittedPicture FitPicture(const Bitmap& source, PictureFit fit, int areaWidth, int areaHeight) {
  FittedPicture fitted;
  fitted.placed = {0, 0, areaWidth, areaHeight};
  if (fit == PictureFit::Crop) return fitted;
  if (source.empty()) {
    fitted.error = "no picture to fit";
    return fitted;
  }
  const FitPlacement p = PlaceFitted(source.Width(), source.Height(), fit, areaWidth, areaHeight);
  if (fit == PictureFit::Fill) {
    if (p.width == source.Width() && p.height == source.Height()) {
      fitted.picture = source;  // already covers the area exactly
      return fitted;
    }
    BitmapResult scaled = ScaleArea(source, p.width, p.height);
    if (!scaled.ok()) fitted.error = scaled.error;
    else fitted.picture = std::move(*scaled.bitmap);
    return fitted;
  }

  fitted.placed = p;
  if (p.width == areaWidth && p.height == areaHeight && source.Width() == areaWidth &&
      source.Height() == areaHeight) {
    fitted.picture = source;
    return fitted;
  }
  BitmapResult scaled = ScaleArea(source, p.width, p.height);
  if (!scaled.ok()) {
    fitted.error = scaled.error;
    return fitted;
  }
  BitmapResult area = Bitmap::Create(areaWidth, areaHeight, kRgbBits);
  if (!area.ok()) {
    fitted.error = area.error;
    return fitted;
  }
  const Bitmap& picture = *scaled.bitmap;
  Bitmap& out = *area.bitmap;
  for (int y = 0; y < areaHeight; ++y) {
    const int sy = std::clamp(y - p.top, 0, p.height - 1);
    for (int x = 0; x < areaWidth; ++x) {
      const int sx = std::clamp(x - p.left, 0, p.width - 1);
      out.SetPixelRgb(x, y, picture.PixelRgb(sx, sy));
    }
  }
  fitted.picture = std::move(out);
  return fitted;
}

void PaintOutsidePlacement(Bitmap& prepared, int areaLeft, int areaTop, int areaWidth,
                           int areaHeight, const FitPlacement& placed, int border) {
  for (int y = 0; y < areaHeight; ++y)
    for (int x = 0; x < areaWidth; ++x) {
      const bool inside = x >= placed.left && x < placed.left + placed.width && y >= placed.top &&
                          y < placed.top + placed.height;
      if (!inside)
        prepared.SetPixelIndex(areaLeft + x, areaTop + y, static_cast<std::uint8_t>(border));
    }
}

}  // namespace mosaicer
