#include "image/palette_generation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace mosaicer {
namespace {

constexpr int kComponentBits = 8;
constexpr int kComponentValues = 1 << kComponentBits;
constexpr int kAxes = 3;
constexpr int kRed = 0, kGreen = 1, kBlue = 2;
constexpr int kChildrenPerCut = 1 << kAxes;
// Byte order of a 24-bit pixel in a bitmap row.
constexpr int kRowBlue = 0, kRowGreen = 1, kRowRed = 2;
constexpr int kRgbBits = 24;

using Histogram = std::vector<std::uint32_t>;

// Histogram index (Rgb3D and Rrggbb1D) or interleaved key (Rgbrgb1D) of a
// colour is the OR of one table value per component, so counting a pixel
// costs three lookups.
struct KeyTables {
  int bits = 0;
  bool interleaved = false;
  std::array<std::array<std::uint32_t, kComponentValues>, kAxes> part{};

  std::uint32_t Key(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
    return part[kRed][r] | part[kGreen][g] | part[kBlue][b];
  }
};

// Bit j of q moved to bit kAxes * j.
std::uint32_t SpreadBits(std::uint32_t q, int bits) {
  std::uint32_t out = 0;
  for (int j = 0; j < bits; ++j) out |= ((q >> j) & 1u) << (kAxes * j);
  return out;
}

// Bits kAxes * j of key gathered into bit j.
std::uint32_t GatherBits(std::uint32_t key, int bits) {
  std::uint32_t out = 0;
  for (int j = 0; j < bits; ++j) out |= ((key >> (kAxes * j)) & 1u) << j;
  return out;
}

KeyTables MakeKeyTables(bool interleaved, int bits) {
  KeyTables t;
  t.bits = bits;
  t.interleaved = interleaved;
  const int shift = kComponentBits - bits;
  for (int v = 0; v < kComponentValues; ++v) {
    const std::uint32_t q = static_cast<std::uint32_t>(v) >> shift;
    if (interleaved) {
      // Red takes the highest bit of each triple, blue the lowest.
      const std::uint32_t spread = SpreadBits(q, bits);
      t.part[kRed][v] = spread << 2;
      t.part[kGreen][v] = spread << 1;
      t.part[kBlue][v] = spread;
    } else {
      t.part[kRed][v] = q << (2 * bits);
      t.part[kGreen][v] = q << bits;
      t.part[kBlue][v] = q;
    }
  }
  return t;
}

PaletteEntry DecodeKey(const KeyTables& t, std::uint32_t key) {
  const std::uint32_t mask = (1u << t.bits) - 1;
  std::uint32_t q[kAxes];
  if (t.interleaved) {
    q[kRed] = GatherBits(key >> 2, t.bits);
    q[kGreen] = GatherBits(key >> 1, t.bits);
    q[kBlue] = GatherBits(key, t.bits);
  } else {
    q[kRed] = (key >> (2 * t.bits)) & mask;
    q[kGreen] = (key >> t.bits) & mask;
    q[kBlue] = key & mask;
  }
  const int shift = kComponentBits - t.bits;
  return PaletteEntry{static_cast<std::uint8_t>(q[kRed] << shift),
                      static_cast<std::uint8_t>(q[kGreen] << shift),
                      static_cast<std::uint8_t>(q[kBlue] << shift), kPaletteEntryFlags};
}

// One pass over the pixels. Indexed pictures are counted per palette index
// first, so each index is quantised once.
Histogram CountColours(const Bitmap& picture, const KeyTables& t) {
  Histogram histogram(std::size_t{1} << (kAxes * t.bits), 0);
  const int width = picture.Width();
  if (picture.BitsPerPixel() == kRgbBits) {
    for (int y = 0; y < picture.Height(); ++y) {
      const std::uint8_t* p = picture.ScanLine(y);
      for (int x = 0; x < width; ++x, p += kAxes)
        ++histogram[t.Key(p[kRowRed], p[kRowGreen], p[kRowBlue])];
    }
    return histogram;
  }
  std::array<std::uint32_t, kPaletteSize> perIndex{};
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < width; ++x) ++perIndex[picture.PixelIndex(x, y)];
  for (int i = 0; i < kPaletteSize; ++i) {
    const PaletteEntry e = picture.Palette()[static_cast<std::size_t>(i)];
    histogram[t.Key(e.r, e.g, e.b)] += perIndex[static_cast<std::size_t>(i)];
  }
  return histogram;
}

// ---- Rgb3D -------------------------------------------------------------

struct ColourBox {
  std::array<int, kAxes> lo{}, hi{};  // inclusive; lo > hi on any axis: empty
  std::uint32_t count = 0;

  bool SingleCell() const {
    return lo[kRed] == hi[kRed] && lo[kGreen] == hi[kGreen] && lo[kBlue] == hi[kBlue];
  }
  bool Empty() const {
    return lo[kRed] > hi[kRed] || lo[kGreen] > hi[kGreen] || lo[kBlue] > hi[kBlue];
  }
};

class CubeHistogram {
 public:
  CubeHistogram(Histogram counts, int bits) : counts_(std::move(counts)), bits_(bits) {}

  // Calls f(r, g, b, counter) for every cell of a non-empty box.
  template <typename F>
  void ForEachCell(const ColourBox& box, F&& f) const {
    for (int r = box.lo[kRed]; r <= box.hi[kRed]; ++r)
      for (int g = box.lo[kGreen]; g <= box.hi[kGreen]; ++g) {
        const std::uint32_t* row = &counts_[Index(r, g, 0)];
        for (int b = box.lo[kBlue]; b <= box.hi[kBlue]; ++b) f(r, g, b, row[b]);
      }
  }

  std::uint32_t Count(const ColourBox& box) const {
    if (box.Empty()) return 0;
    std::uint32_t sum = 0;
    ForEachCell(box, [&](int, int, int, std::uint32_t n) { sum += n; });
    return sum;
  }

 private:
  std::size_t Index(int r, int g, int b) const {
    return (static_cast<std::size_t>(r) << (2 * bits_)) | (static_cast<std::size_t>(g) << bits_) |
           static_cast<std::size_t>(b);
  }

  Histogram counts_;
  int bits_;
};

// The fullest box that can still be cut; lowest index on equal counts.
int ChooseBox(const std::vector<ColourBox>& boxes) {
  int chosen = -1;
  std::uint32_t best = 0;
  for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
    const ColourBox& box = boxes[static_cast<std::size_t>(i)];
    if (box.count == 0 || box.SingleCell()) continue;
    if (chosen < 0 || box.count > best) {
      chosen = i;
      best = box.count;
    }
  }
  return chosen;
}

// The first value whose running sum reaches `half`, walking up from lo but
// never onto hi; an axis of one value is not cut.
int MedianCut(const std::vector<std::uint32_t>& marginal, int lo, int hi, std::uint32_t half) {
  if (lo == hi) return lo;
  std::uint32_t sum = 0;
  for (int v = lo; v < hi; ++v) {
    sum += marginal[static_cast<std::size_t>(v)];
    if (sum >= half) return v;
  }
  return hi - 1;
}

void GenerateRgb3D(const Bitmap& picture, LogPalette& palette, int start, int count, int bits) {
  const int top = (1 << bits) - 1;
  const CubeHistogram cube(CountColours(picture, MakeKeyTables(false, bits)), bits);

  std::vector<ColourBox> boxes;
  boxes.reserve(static_cast<std::size_t>(kChildrenPerCut * count + 1));
  ColourBox whole;
  whole.lo = {0, 0, 0};
  whole.hi = {top, top, top};
  whole.count = static_cast<std::uint32_t>(static_cast<std::uint64_t>(picture.Width()) *
                                           static_cast<std::uint64_t>(picture.Height()));
  boxes.push_back(whole);

  const int shift = kComponentBits - bits;
  std::array<std::vector<std::uint32_t>, kAxes> marginal;
  for (auto& m : marginal) m.assign(static_cast<std::size_t>(top) + 1, 0);

  for (int p = start; p < start + count; ++p) {
    const int chosen = ChooseBox(boxes);
    if (chosen < 0) break;
    const ColourBox box = boxes[static_cast<std::size_t>(chosen)];
    const std::uint32_t half = box.count >> 1;

    // All three walks run over the whole box, so one pass gives every sum.
    for (auto& m : marginal) std::fill(m.begin(), m.end(), 0);
    cube.ForEachCell(box, [&](int r, int g, int b, std::uint32_t n) {
      marginal[kRed][static_cast<std::size_t>(r)] += n;
      marginal[kGreen][static_cast<std::size_t>(g)] += n;
      marginal[kBlue][static_cast<std::size_t>(b)] += n;
    });
    std::array<int, kAxes> cut{};
    for (int a = 0; a < kAxes; ++a) cut[a] = MedianCut(marginal[a], box.lo[a], box.hi[a], half);

    palette.entries[static_cast<std::size_t>(p)] =
        PaletteEntry{static_cast<std::uint8_t>(cut[kRed] << shift),
                     static_cast<std::uint8_t>(cut[kGreen] << shift),
                     static_cast<std::uint8_t>(cut[kBlue] << shift), kPaletteEntryFlags};
    ++palette.count;

    // Child i takes the upper part of axis a when bit a of i is set. An axis
    // that was not cut has cut == hi, so its upper part is empty.
    boxes[static_cast<std::size_t>(chosen)].count = 0;
    for (int i = 0; i < kChildrenPerCut; ++i) {
      ColourBox child;
      for (int a = 0; a < kAxes; ++a) {
        const bool upper = (i >> a) & 1;
        child.lo[a] = upper ? cut[a] + 1 : box.lo[a];
        child.hi[a] = upper ? box.hi[a] : cut[a];
      }
      child.count = cube.Count(child);
      boxes.push_back(child);
    }
  }
}

// ---- Rrggbb1D and Rgbrgb1D ---------------------------------------------

struct KeyInterval {
  std::uint32_t lo = 0, hi = 0;  // inclusive
  std::uint32_t count = 0;
  std::uint32_t distinct = 0;
  std::uint32_t firstKey = 0;  // lowest key with pixels, valid when distinct > 0
};

void Recount(const Histogram& histogram, KeyInterval& interval) {
  interval.count = 0;
  interval.distinct = 0;
  for (std::uint32_t k = interval.lo; k <= interval.hi; ++k) {
    const std::uint32_t n = histogram[k];
    if (n == 0) continue;
    if (interval.distinct == 0) interval.firstKey = k;
    interval.count += n;
    ++interval.distinct;
  }
}

// The lowest key from `lo` on that has pixels; the caller knows there is one.
std::uint32_t FirstKey(const Histogram& histogram, std::uint32_t lo) {
  while (histogram[lo] == 0) ++lo;
  return lo;
}

int ChooseInterval(const std::vector<KeyInterval>& intervals) {
  int chosen = -1;
  std::uint32_t best = 0;
  for (int i = 0; i < static_cast<int>(intervals.size()); ++i) {
    const KeyInterval& iv = intervals[static_cast<std::size_t>(i)];
    if (iv.count == 0 || iv.distinct == 0 || iv.lo == iv.hi) continue;
    if (chosen < 0 || iv.count > best) {
      chosen = i;
      best = iv.count;
    }
  }
  return chosen;
}

void GenerateKeyed(const Bitmap& picture, bool interleaved, LogPalette& palette, int start,
                   int count, int bits) {
  const KeyTables tables = MakeKeyTables(interleaved, bits);
  const Histogram histogram = CountColours(picture, tables);

  std::vector<std::uint32_t> keys;
  const auto wanted = static_cast<std::size_t>(start + count);
  keys.reserve(wanted);
  for (int i = 0; i < start; ++i) {
    const PaletteEntry e = palette.entries[static_cast<std::size_t>(i)];
    keys.push_back(tables.Key(e.r, e.g, e.b));
  }
  const auto known = [&keys](std::uint32_t key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
  };

  std::vector<KeyInterval> intervals;
  KeyInterval whole;
  whole.hi = static_cast<std::uint32_t>(histogram.size() - 1);
  Recount(histogram, whole);
  intervals.push_back(whole);

  while (keys.size() < wanted) {
    const int chosen = ChooseInterval(intervals);
    if (chosen < 0) break;
    KeyInterval& iv = intervals[static_cast<std::size_t>(chosen)];
    const std::uint32_t half = iv.count >> 1;

    // The walk up to the cut counts the lower part as it goes; the upper
    // part is what the interval had besides.
    std::uint32_t sum = 0, lowerDistinct = 0, lowerFirst = 0;
    std::uint32_t cut = iv.hi;
    bool found = false;
    for (std::uint32_t k = iv.lo; k < iv.hi; ++k) {
      const std::uint32_t n = histogram[k];
      if (n != 0 && lowerDistinct++ == 0) lowerFirst = k;
      sum += n;
      if (sum >= half) {
        cut = k;
        found = true;
        break;
      }
    }

    if (found) {
      KeyInterval upper;
      upper.lo = cut + 1;
      upper.hi = iv.hi;
      upper.count = iv.count - sum;
      upper.distinct = iv.distinct - lowerDistinct;
      if (upper.distinct > 0) upper.firstKey = FirstKey(histogram, upper.lo);
      iv.hi = cut;
      iv.count = sum;
      iv.distinct = lowerDistinct;
      iv.firstKey = lowerFirst;
      if (iv.distinct == 1) iv.count = 0;
      if (upper.distinct == 1 && known(upper.firstKey)) upper.count = 0;
      if (upper.distinct != 0) intervals.push_back(upper);  // may move `iv`
    } else if (iv.distinct == 1) {
      iv.count = 0;
    } else {
      // The top key alone holds more than half: it becomes a colour and is
      // set apart as an interval that is never chosen.
      KeyInterval top;
      top.lo = top.hi = iv.hi;
      top.distinct = 1;
      top.firstKey = iv.hi;
      const std::uint32_t topCount = histogram[iv.hi];
      iv.hi -= 1;
      iv.count -= topCount;
      iv.distinct -= topCount != 0 ? 1 : 0;
      intervals.push_back(top);
    }
    if (!known(cut)) keys.push_back(cut);
  }

  for (std::size_t i = static_cast<std::size_t>(start); i < keys.size(); ++i) {
    palette.entries[i] = DecodeKey(tables, keys[i]);
    ++palette.count;
  }
}

}  // namespace

bool GeneratePalette(const Bitmap* picture, int method, LogPalette& palette, int start, int count,
                     int bits) {
  if (picture == nullptr || picture->empty()) return false;
  if (bits < kMinPaletteBits || bits > kMaxPaletteBits) return false;
  if (method < static_cast<int>(PaletteMethod::Rgb3D) ||
      method > static_cast<int>(PaletteMethod::Rgbrgb1D))
    return false;
  if (start < 0 || count < 0 || start + count > kPaletteSize) return true;
  if (count == 0) return true;

  switch (static_cast<PaletteMethod>(method)) {
    case PaletteMethod::Rgb3D:
      GenerateRgb3D(*picture, palette, start, count, bits);
      break;
    case PaletteMethod::Rrggbb1D:
      GenerateKeyed(*picture, false, palette, start, count, bits);
      break;
    case PaletteMethod::Rgbrgb1D:
      GenerateKeyed(*picture, true, palette, start, count, bits);
      break;
  }
  return true;
}

}  // namespace mosaicer
