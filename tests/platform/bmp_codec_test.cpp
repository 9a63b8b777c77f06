// Bitmaps and their BMP files.
#include "platform/bmp_codec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_util.h"
#include "support/language_scope.h"

namespace mosaicer {
namespace {

using ByteVector = std::vector<std::uint8_t>;

// Little-endian byte builder for hand-made files.
struct LeBytes {
  ByteVector bytes;
  LeBytes& U8(std::uint8_t v) { return bytes.push_back(v), *this; }
  LeBytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  LeBytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  LeBytes& Add(const ByteVector& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
};

// The picture every encoding must reproduce: digits are palette indices.
constexpr int kWidth = 9, kHeight = 4;
const char* const kRows[kHeight] = {"001234445", "777777712", "565656560", "300000003"};
// Components are 0 or 255 so that every pixel format holds them exactly.
const Rgb kColours[8] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                         {255, 255, 0}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
int IndexAt(int x, int y, int colours) { return (kRows[y][x] - '0') % colours; }

struct BmpParts {
  std::uint32_t headerSize = 40;
  std::int32_t width = kWidth, height = kHeight;
  std::uint16_t planes = 1, bits = 8;
  std::uint32_t compression = 0;
  std::optional<std::uint32_t> colourCount{};  // default: the palette's size
  std::vector<std::uint32_t> masks{};  // inside headers of 52+ bytes, else after the header
  std::vector<Rgb> palette{};
  ByteVector pixels{};
  std::optional<std::uint32_t> pixelOffset{};  // default: right after the palette
};

ByteVector Assemble(const BmpParts& p) {
  LeBytes h;  // everything between the file header and the pixels
  if (p.headerSize == 12) {
    h.U32(12).U16(p.width).U16(p.height).U16(p.planes).U16(p.bits);
  } else {
    h.U32(p.headerSize).U32(p.width).U32(p.height).U16(p.planes).U16(p.bits).U32(p.compression);
    h.U32(p.pixels.size()).U32(2835).U32(2835).U32(p.colourCount.value_or(p.palette.size())).U32(0);
  }
  for (std::uint32_t m : p.masks) h.U32(m);  // after the 40-byte header, inside larger ones
  if (p.headerSize > 40) h.bytes.resize(p.headerSize);
  for (const Rgb& c : p.palette) {
    h.U8(c.b).U8(c.g).U8(c.r);
    if (p.headerSize != 12) h.U8(0);
  }
  const std::uint32_t offset = p.pixelOffset.value_or(14 + h.bytes.size());
  LeBytes file;
  file.U8('B').U8('M').U32(offset + p.pixels.size()).U32(0).U32(offset);
  return file.Add(h.bytes).Add(p.pixels).bytes;
}

// Uncompressed rows, bottom-up unless topDown, each padded to 4 bytes.
ByteVector PackRows(int bits, bool topDown, const std::function<std::uint32_t(int, int)>& value) {
  LeBytes out;
  for (int r = 0; r < kHeight; ++r) {
    const int y = topDown ? r : kHeight - 1 - r;
    const std::size_t start = out.bytes.size();
    std::uint32_t acc = 0;
    int used = 0;
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t v = value(x, y);
      if (bits == 16) out.U16(v);
      if (bits == 24) out.U8(v & 0xFF).U8(v >> 8 & 0xFF).U8(v >> 16);
      if (bits == 32) out.U32(v);
      if (bits > 8) continue;
      acc = acc << bits | v, used += bits;
      if (used == 8) out.U8(acc), acc = 0, used = 0;
    }
    if (used > 0) out.U8(acc << (8 - used));
    while ((out.bytes.size() - start) % 4 != 0) out.U8(0);
  }
  return out.bytes;
}

// The picture run-length encoded, bottom row first: encoded runs, absolute
// runs with and without padding, end-of-line and end-of-bitmap.
// clang-format off
const ByteVector kRle8Picture = {
    1, 3, 7, 0, 1, 3, 0, 0,                     // 300000003
    0, 9, 5, 6, 5, 6, 5, 6, 5, 6, 0, 0, 0, 0,   // 565656560
    7, 7, 1, 1, 1, 2, 0, 0,                     // 777777712
    2, 0, 0, 3, 1, 2, 3, 0, 3, 4, 1, 5, 0, 1};  // 001234445
const ByteVector kRle4Picture = {
    1, 0x30, 7, 0x00, 1, 0x30, 0, 0,                     // 300000003
    0, 9, 0x56, 0x56, 0x56, 0x56, 0x00, 0, 0, 0,         // 565656560
    7, 0x77, 2, 0x12, 0, 0,                              // 777777712: nibbles alternate
    2, 0x00, 0, 3, 0x12, 0x30, 3, 0x44, 1, 0x50, 0, 1};  // 001234445
// clang-format on

struct Encoding {
  const char* name;
  std::uint32_t headerSize;
  std::uint16_t bits;
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> masks = {};  // empty: the format's default masks
  bool topDown = false;
};

void PrintTo(const Encoding& e, std::ostream* os) { *os << e.name; }

BmpParts Encode(const Encoding& e) {
  BmpParts p{.headerSize = e.headerSize, .height = e.topDown ? -kHeight : kHeight, .bits = e.bits,
             .compression = e.compression, .masks = e.masks};
  const int colours = e.bits == 1 ? 2 : 8;
  if (e.bits <= 8) {
    p.palette.assign(kColours, kColours + colours);
    if (e.headerSize == 12) p.palette.resize(std::size_t{1} << e.bits);  // core: always full
    if (e.bits == 1) p.colourCount = 0;                                  // 0 stands for 2^bits
  }
  std::vector<std::uint32_t> m = e.masks;
  if (m.empty() && e.bits == 16) m = {0x7C00, 0x03E0, 0x001F};
  if (m.empty()) m = {0xFF0000, 0xFF00, 0xFF};
  if (e.compression == 1 || e.compression == 2) {
    p.pixels = e.compression == 1 ? kRle8Picture : kRle4Picture;
  } else {
    p.pixels = PackRows(e.bits, e.topDown, [&](int x, int y) {
      const int i = IndexAt(x, y, colours);
      if (e.bits <= 8) return static_cast<std::uint32_t>(i);
      const Rgb c = kColours[i];
      return (c.r ? m[0] : 0) | (c.g ? m[1] : 0) | (c.b ? m[2] : 0);
    });
  }
  return p;
}

// The file reader reads rows from the file as it needs them instead of the
// whole file first: it must agree with the reader of bytes in memory, on
// good files and on damaged ones.
BitmapResult ReadThroughFile(const ByteVector& bytes) {
  // A name of its own: tests run in parallel processes.
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) /
                                     ("through-" + std::to_string(::getpid()) + ".bmp");
  EXPECT_TRUE(WriteWholeFile(path, bytes).ok());
  BitmapResult result = ReadBmpFile(path);
  std::filesystem::remove(path);
  return result;
}

class ReadEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(ReadEncoding, ReproducesThePictureFromMemoryAndFromAFile) {
  const Encoding& e = GetParam();
  const ByteVector file = Assemble(Encode(e));
  const BitmapResult result = ReadBmp(file);
  ASSERT_TRUE(result.ok()) << result.error;
  const BitmapResult fromFile = ReadThroughFile(file);
  ASSERT_TRUE(fromFile.ok()) << fromFile.error;
  EXPECT_EQ(fromFile.bitmap->BitsPerPixel(), result.bitmap->BitsPerPixel());
  EXPECT_TRUE(std::ranges::equal(fromFile.bitmap->Pixels(), result.bitmap->Pixels()));
  EXPECT_EQ(fromFile.bitmap->PaletteCount(), result.bitmap->PaletteCount());
  EXPECT_TRUE(std::ranges::equal(fromFile.bitmap->Palette(), result.bitmap->Palette()));
  const Bitmap& bitmap = *result.bitmap;
  ASSERT_EQ(bitmap.Width(), kWidth);
  ASSERT_EQ(bitmap.Height(), kHeight);
  ASSERT_EQ(bitmap.BitsPerPixel(), e.bits <= 8 ? e.bits : 24);
  const int colours = e.bits == 1 ? 2 : 8;
  if (e.bits <= 8) {
    EXPECT_EQ(bitmap.PaletteCount(), e.headerSize == 12 ? 1 << e.bits : colours);
    for (int i = 0; i < colours; ++i) {
      const Rgb c = kColours[i];
      EXPECT_EQ(bitmap.Palette()[i], (PaletteEntry{c.r, c.g, c.b, 0})) << i;
    }
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      if (e.bits <= 8) {
        EXPECT_EQ(bitmap.PixelIndex(x, y), IndexAt(x, y, colours)) << x << "," << y;
      }
      EXPECT_EQ(bitmap.ColourAt(x, y), kColours[IndexAt(x, y, colours)]) << x << "," << y;
    }
}

const Encoding kEncodings[] = {
    // clang-format off
    {"Rgb1", 40, 1}, {"Rgb4", 40, 4}, {"Rgb8", 40, 8}, {"Rle4", 40, 4, 2}, {"Rle8", 40, 8, 1},
    {"Rgb16", 40, 16}, {"Rgb24", 40, 24}, {"Rgb32", 40, 32},
    {"Bitfields565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
    {"Bitfields555InV4Header", 108, 16, 3, {0x7C00, 0x03E0, 0x001F}},
    {"Bitfields16In56ByteHeader", 56, 16, 3, {0x001F, 0x07E0, 0xF800}},
    {"Bitfields32InV5Header", 124, 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}},
    {"Bitfields32In52ByteHeader", 52, 32, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}},
    {"Os2Core1", 12, 1}, {"Os2Core4", 12, 4}, {"Os2Core8", 12, 8}, {"Os2Core24", 12, 24},
    {"TopDown1", 40, 1, 0, {}, true}, {"TopDown24", 40, 24, 0, {}, true},
    {"TopDownBitfields32", 40, 32, 3, {0xFF0000, 0xFF00, 0xFF}, true},
    // clang-format on
};
INSTANTIATE_TEST_SUITE_P(AllEncodings, ReadEncoding, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadBmpBitfields, ShortChannelsAreStretchedToFullRange) {
  const BmpParts p{.width = 2, .height = 1, .bits = 16, .compression = 3,
                   .masks = {0xF800, 0x07E0, 0x001F},
                   .pixels = LeBytes().U16(16 << 11 | 32 << 5 | 31).U16(1 << 11).bytes};
  const BitmapResult result = ReadBmp(Assemble(p));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.bitmap->ColourAt(0, 0), (Rgb{132, 130, 255}));
  EXPECT_EQ(result.bitmap->ColourAt(1, 0), (Rgb{8, 0, 0}));
}

TEST(ReadBmpLayout, PaddingOfTheLastStoredRowMayBeMissing) {
  BmpParts p;
  p.palette.assign(kColours, kColours + 8);
  p.pixels = PackRows(8, false, [](int x, int y) { return IndexAt(x, y, 8); });
  p.pixels.resize(p.pixels.size() - 3);
  const BitmapResult result = ReadBmp(Assemble(p));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.bitmap->PixelIndex(kWidth - 1, 0), IndexAt(kWidth - 1, 0, 8));
}

// An RLE8 file of kWidth x kHeight with the given data.
BitmapResult ReadRle8(const ByteVector& data) {
  return ReadBmp(
      Assemble({.compression = 1, .palette = {kColours, kColours + 8}, .pixels = data}));
}

TEST(ReadBmpRle, DeltaAndEarlyEndLeaveSkippedPixelsAtZero) {
  // Bottom row: 2 x index 7, then move 3 right and 2 up, draw 1 x index 5, stop.
  const BitmapResult result = ReadRle8({2, 7, 0, 2, 3, 2, 1, 5, 0, 1});
  ASSERT_TRUE(result.ok()) << result.error;
  const Bitmap& b = *result.bitmap;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      int expected = 0;
      if (y == 3 && x < 2) expected = 7;
      if (y == 1 && x == 5) expected = 5;
      EXPECT_EQ(b.PixelIndex(x, y), expected) << x << "," << y;
    }
}

TEST(ReadBmpRle, EndMarkerMayBeLeftOffAfterTheLastRow) {
  testing::LanguageScope english(Language::English);
  EXPECT_TRUE(ReadRle8({0, 0, 0, 0, 0, 0, 9, 1, 0, 0}).ok());
  EXPECT_EQ(ReadRle8({0, 0, 0, 0, 0, 0, 9, 1}).error, "RLE data ends before the end of the bitmap");
}

struct Hostile {
  const char* name;
  std::function<void(BmpParts&)> change;
  std::function<void(ByteVector&)> damage;
  const char* error;  // part of the message expected
};

void Nothing(ByteVector&) {}
void Keep(BmpParts&) {}
auto Rle8With(ByteVector data) {
  return [data](BmpParts& p) { p.compression = 1, p.pixels = data; };
}

const Hostile kHostile[] = {
    {"Empty", Keep, [](ByteVector& f) { f.clear(); }, "too short"},
    {"NoSignature", Keep, [](ByteVector& f) { f[1] = 'X'; }, "signature"},
    {"TruncatedInfoHeader", Keep, [](ByteVector& f) { f.resize(30); }, "truncated info header"},
    {"UnknownHeaderSize", [](BmpParts& p) { p.headerSize = 64; }, Nothing, "header size"},
    {"TwoPlanes", [](BmpParts& p) { p.planes = 2; }, Nothing, "planes"},
    {"SevenBits", [](BmpParts& p) { p.bits = 7; }, Nothing, "bit count"},
    {"SixteenBitCore", [](BmpParts& p) { p.headerSize = 12, p.bits = 16; }, Nothing, "bit count"},
    {"JpegCompression", [](BmpParts& p) { p.compression = 4; }, Nothing, "unsupported compression"},
    {"Rle4At8Bits", [](BmpParts& p) { p.compression = 2; }, Nothing, "does not fit"},
    {"BitfieldsAt24Bits", [](BmpParts& p) { p.bits = 24, p.compression = 3; }, Nothing,
     "does not fit"},
    {"ZeroWidth", [](BmpParts& p) { p.width = 0; }, Nothing, "invalid image size"},
    {"TooWide", [](BmpParts& p) { p.width = 40'000, p.height = 10; }, Nothing,
     "image too large (40000 x 10 pixels)"},
    {"TooManyPixels", [](BmpParts& p) { p.width = p.height = 20'000; }, Nothing, "too large"},
    {"MinimumHeight", [](BmpParts& p) { p.height = INT32_MIN; }, Nothing, "too large"},
    {"MinimumWidth", [](BmpParts& p) { p.width = INT32_MIN; }, Nothing, "invalid image size"},
    {"TopDownRle", [](BmpParts& p) { p.compression = 1, p.height = -4; }, Nothing, "top-down"},
    {"PaletteOverDepth", [](BmpParts& p) { p.colourCount = 257; }, Nothing, "palette too large"},
    {"PalettePastEnd", [](BmpParts& p) { p.colourCount = 256, p.pixelOffset = 54; },
     [](ByteVector& f) { f.resize(100); }, "palette extends"},
    {"MasksPastEnd", [](BmpParts& p) { p.bits = 16, p.compression = 3, p.pixelOffset = 54; },
     [](ByteVector& f) { f.resize(58); }, "masks extend"},
    {"SplitMask", [](BmpParts& p) { p.bits = 32, p.compression = 3, p.masks = {0xF0F0, 0, 0}; },
     Nothing, "invalid bit-field mask"},
    {"OffsetPastEnd", [](BmpParts& p) { p.pixelOffset = 100'000; }, Nothing, "past the end"},
    {"OffsetInsideHeaders", [](BmpParts& p) { p.pixelOffset = 20; }, Nothing, "inside the headers"},
    {"PixelsShort", Keep, [](ByteVector& f) { f.resize(f.size() - 4); }, "pixel data too short"},
    {"RleRunPastRow", Rle8With({10, 1, 0, 1}), Nothing, "past the end of a row"},
    {"RleAbsolutePastRow", Rle8With({8, 1, 0, 3, 1, 2, 3, 0}), Nothing, "past the end of a row"},
    {"RleDeltaPastRight", Rle8With({0, 2, 10, 0, 0, 1}), Nothing, "outside the image"},
    {"RleDeltaPastBottom", Rle8With({0, 2, 0, 4, 0, 1}), Nothing, "outside the image"},
    {"RleRunPastLastRow", Rle8With({0, 0, 0, 0, 0, 0, 0, 0, 1, 1}), Nothing, "past the last row"},
    {"RleEndsInRun", Rle8With({3, 1, 0, 0, 2}), Nothing, "ends before"},
    {"RleEndsInDelta", Rle8With({0, 2, 1}), Nothing, "ends before"},
    {"RleEndsInAbsolute", Rle8With({0, 5, 1, 2, 3}), Nothing, "ends before"},
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

class ReadHostile : public ::testing::TestWithParam<Hostile> {};

// An 8-bit picture with the case's change and damage put in.
ByteVector HostileFile(const Hostile& hostile) {
  BmpParts p;
  p.palette.assign(kColours, kColours + 8);
  p.pixels = PackRows(8, false, [](int x, int y) { return IndexAt(x, y, 8); });
  hostile.change(p);
  ByteVector file = Assemble(p);
  hostile.damage(file);
  return file;
}

TEST_P(ReadHostile, IsRefusedWithAReasonFromMemoryAndFromAFile) {
  testing::LanguageScope english(Language::English);
  const ByteVector file = HostileFile(GetParam());
  const BitmapResult result = ReadBmp(file);
  ASSERT_FALSE(result.ok());
  EXPECT_FALSE(result.bitmap.has_value());
  EXPECT_NE(result.error.find(GetParam().error), std::string::npos) << result.error;
  const BitmapResult fromFile = ReadThroughFile(file);
  ASSERT_FALSE(fromFile.ok());
  EXPECT_TRUE(fromFile.error.ends_with(": " + result.error)) << fromFile.error;
}
INSTANTIATE_TEST_SUITE_P(Cases, ReadHostile, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });


// A bitmap whose pixels and 16-entry palette all differ.
Bitmap Filled(int width, int height, int bits) {
  Bitmap b = std::move(*Bitmap::Create(width, height, bits).bitmap);
  for (int i = 0; i < 16; ++i)
    b.SetPaletteEntry(i, {std::uint8_t(i * 16), std::uint8_t(255 - i), 7});
  b.SetPaletteCount(16);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t v = x * 7 + y * 3;
      bits == 24 ? b.SetPixelRgb(x, y, {v, std::uint8_t(v ^ 0x5A), std::uint8_t(y)})
                 : b.SetPixelIndex(x, y, v);
    }
  return b;
}

TEST(WriteBmp, FourBitFileHasExactHeaderPaletteAndPaddedBottomUpRows) {
  const Bitmap b = Filled(3, 2, 4);
  LeBytes expected;
  expected.U8('B').U8('M').U32(126).U32(0).U32(118);           // 14 + 40 + 16 * 4
  expected.U32(40).U32(3).U32(2).U16(1).U16(4).U32(0).U32(8);  // 2 rows of 4 bytes
  expected.U32(2835).U32(2835).U32(16).U32(0);
  for (int i = 0; i < 16; ++i) expected.U8(7).U8(255 - i).U8(i * 16).U8(0);
  expected.U8(0x3A).U8(0x10).U8(0).U8(0);  // bottom row: 3, 10, 1 (low nibble masked)
  expected.U8(0x07).U8(0xE0).U8(0).U8(0);  // top row: 0, 7, 14
  EXPECT_EQ(WriteBmp(b), expected.bytes);
}

// Every depth round trips in memory and through a file, small and with
// pixels well past the headers' first block.
TEST(WriteBmp, EveryDepthRoundTripsExactlyAndIoFailuresAreReported) {
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "round_trip.bmp";
  for (int bits : {1, 4, 8, 24})
    for (const Bitmap& b : {Filled(7, 5, bits), Filled(301, 40, bits)}) {
      ASSERT_TRUE(WriteBmpFile(b, path).ok());
      for (const BitmapResult& back : {ReadBmp(WriteBmp(b)), ReadBmpFile(path)}) {
        ASSERT_TRUE(back.ok()) << back.error;
        EXPECT_EQ(back.bitmap->BitsPerPixel(), bits);
        EXPECT_EQ(back.bitmap->PaletteCount(), bits == 24 ? 0 : 1 << bits);
        const auto& palette = back.bitmap->Palette();
        EXPECT_TRUE(std::equal(palette.begin(), palette.begin() + back.bitmap->PaletteCount(),
                               b.Palette().begin()));
        EXPECT_TRUE(std::ranges::equal(b.Pixels(), back.bitmap->Pixels())) << bits;
      }
    }
  std::filesystem::remove(path);
  const Bitmap b = Filled(5, 3, 24);
  EXPECT_FALSE(ReadBmpFile(path).ok());
  EXPECT_FALSE(WriteBmpFile(b, path / "no_such_dir" / "x.bmp").ok());
  EXPECT_FALSE(WriteBmpFile(Bitmap{}, path).ok());
  EXPECT_TRUE(WriteBmp(Bitmap{}).empty());
}

// The bitmap the codec reads into and writes from.
Bitmap Make(int width, int height, int bits) {
  BitmapResult result = Bitmap::Create(width, height, bits);
  EXPECT_TRUE(result.ok()) << result.error;
  return result.ok() ? std::move(*result.bitmap) : Bitmap{};
}

TEST(BitmapCreate, RefusesSizesAndDepthsOutsideTheLimits) {
  testing::LanguageScope english(Language::English);
  EXPECT_EQ(Bitmap::Create(0, 10, 1).error, "invalid image size (0 x 10 pixels)");
  EXPECT_EQ(Bitmap::Create(10, -1, 1).error, "invalid image size (10 x -1 pixels)");
  // A side past 30000, or over 200 million pixels although each side is allowed.
  for (const auto& [w, h] : {std::pair{30'001, 1}, {1, 30'001}, {20'000, 10'001}})
    EXPECT_EQ(Bitmap::Create(w, h, 1).error,
              "image too large (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)");
  EXPECT_TRUE(Bitmap::Create(30'000, 2, 1).ok());
  for (int bits : {0, 2, 16, 32}) EXPECT_FALSE(Bitmap::Create(4, 4, bits).ok()) << bits;
}

TEST(BitmapLayout, IndexedPixelsPackLeftmostPixelInTheHighBits) {
  Bitmap nibbles = Make(3, 2, 4);
  nibbles.SetPixelIndex(0, 1, 0xA);
  nibbles.SetPixelIndex(1, 1, 0x5);
  nibbles.SetPixelIndex(2, 1, 0xF3);  // only the low four bits are kept
  EXPECT_EQ(nibbles.ScanLine(1)[0], 0xA5);
  EXPECT_EQ(nibbles.ScanLine(1)[1], 0x30);
  EXPECT_EQ(nibbles.ScanLine(0)[0], 0x00);
  nibbles.SetPixelIndex(0, 1, 0);
  EXPECT_EQ(nibbles.PixelIndex(1, 1), 0x5);  // neighbour untouched

  Bitmap bits = Make(10, 1, 1);
  bits.SetPixelIndex(0, 0, 1);
  bits.SetPixelIndex(9, 0, 1);
  EXPECT_EQ(bits.ScanLine(0)[0], 0x80);
  EXPECT_EQ(bits.ScanLine(0)[1], 0x40);
  EXPECT_EQ(bits.PixelIndex(9, 0), 1);
  EXPECT_EQ(bits.PixelIndex(8, 0), 0);
}

TEST(BitmapColour, IndexedPixelsLookUpThePalette) {
  Bitmap bitmap = Make(2, 1, 8);
  bitmap.SetPaletteEntry(200, PaletteEntry{1, 2, 3, 9});
  bitmap.SetPixelIndex(1, 0, 200);
  EXPECT_EQ(bitmap.ColourAt(1, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(bitmap.ColourAt(0, 0), (Rgb{0, 0, 0}));
  bitmap.SetPaletteCount(300);
  EXPECT_EQ(bitmap.PaletteCount(), kPaletteSize);
}

}  // namespace
}  // namespace mosaicer
