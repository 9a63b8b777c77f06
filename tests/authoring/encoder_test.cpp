#include "authoring/encoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "core/pack_check.h"
#include "effects/tlo_file.h"
#include "support/picture.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::StateWith;

struct Stream {
  std::vector<std::uint8_t> bytes;
  std::int64_t packs = 0;
  const std::uint8_t* Pack(std::int64_t i) const { return bytes.data() + i * kPackSize; }
};

Stream Build(const AuthoringState& state) {
  TSubCodeErrorCorrect ecc;
  Stream s;
  EXPECT_TRUE(BuildPackStream(state, ecc, s.bytes, s.packs));
  EXPECT_EQ(s.bytes.size(), static_cast<std::size_t>(s.packs) * kPackSize);
  EXPECT_EQ(s.packs % 4, 0);
  return s;
}

// Plays the tile blocks of a stream onto a screen, independently of the
// encoder: LoadTileNor sets a pixel to colour 1 or 0 by its bit, LoadTileXor
// XORs it with them.
using Screen = std::array<std::array<int, kScreenWidth>, kScreenHeight>;
Screen Paint(const Stream& s) {
  Screen screen{};
  for (std::int64_t i = 0; i < s.packs; ++i) {
    const std::uint8_t* p = s.Pack(i);
    if ((p[0] & 0x3F) != 9) continue;
    const int instruction = p[1] & 0x3F;
    if (instruction == kMemoryPreset)
      for (auto& row : screen) row.fill(p[4] & 0x0F);
    if (instruction != kLoadTileNor && instruction != kLoadTileXor) continue;
    const int c0 = p[4] & 0x0F, c1 = p[5] & 0x0F, row = p[6] & 0x1F, col = p[7] & 0x3F;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 6; ++x) {
        const int value = (p[8 + y] >> (5 - x)) & 1 ? c1 : c0;
        int& pixel = screen[row * 12 + y][col * 6 + x];
        pixel = instruction == kLoadTileNor ? value : pixel ^ value;
      }
  }
  return screen;
}

// Blank sectors come first; the colour table is checked by the render
// command-line test.
TEST(PackStream, EveryModePaintsThePictureExactly) {
  std::mt19937 rng(4);
  // Tiles of one, two, three and many colours, so every rule of the
  // optimised modes runs.
  const Bitmap picture = testing::MakePicture([&](int x, int y) {
    const int tile = (x / 6 + y / 12) % 4;
    if (tile == 0) return 5;
    if (tile == 1) return (x + y) % 2 ? 3 : 12;
    if (tile == 2) return static_cast<int>(rng() % 3) * 2 + 1;  // 1, 3, 5
    return static_cast<int>(rng() % 16);
  });
  for (int mode : {kOptimizeNone, kOptimizeTile, kOptimizeFull}) {
    AuthoringState state = StateWith(picture);
    state.optimize = mode;
    state.blank = 3;
    const Stream s = Build(state);
    EXPECT_TRUE(std::all_of(s.bytes.begin(), s.bytes.begin() + 288, [](auto b) { return b == 0; }));
    EXPECT_EQ(s.bytes[288], kCommandGraphics);
    const Screen screen = Paint(s);
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        const bool inner = x >= 6 && x < 294 && y >= 12 && y < 204;
        ASSERT_EQ(screen[y][x], inner ? picture.PixelIndex(x, y) : 3)
            << "mode " << mode << " at " << x << "," << y;
      }
    PackChecker checker;
    checker.AddBytes(s.bytes.data(), s.bytes.size(), SubcodeFormat::Rws);
    EXPECT_EQ(checker.Counts().failingQ + checker.Counts().failingP, 0u);
    EXPECT_EQ(s.packs < 773 * 4, mode == kOptimizeFull);
    EXPECT_LE(s.packs, 773 * 4);
  }
}

TEST(PackStream, OneColourPictureInTheOptimisedModes) {
  AuthoringState state = StateWith(testing::MakePicture([](int, int) { return 9; }));
  state.optimize = kOptimizeFull;
  const Stream full = Build(state);
  ASSERT_EQ(full.packs, (2 + 192) * 4);
  for (std::int64_t i = 8; i < full.packs; ++i) {
    ASSERT_EQ(full.Pack(i)[1], kLoadTileNor);
    ASSERT_EQ(full.Pack(i)[5], 9);
  }
  state.optimize = kOptimizeTile;
  const Stream tile = Build(state);
  ASSERT_EQ(tile.packs, 770 * 4);
  EXPECT_EQ(tile.Pack(8)[1], kLoadTileNor);
  for (int i = 9; i < 12; ++i)
    EXPECT_TRUE(std::all_of(tile.Pack(i), tile.Pack(i) + kPackSize, [](auto b) { return b == 0; }));
}

TEST(PackStream, EffectOrderWithDuplicatesAndFallbacks) {
  testing::TempDir dir;
  const std::string twice = dir.File("twice.tlo");
  ASSERT_TRUE(WriteTloFile(twice, TTloFile{}, {{10, 4}, {0, 0}, {10, 4}}));
  AuthoringState state = StateWith(testing::RandomPicture(5));
  state.effectFile = twice;
  const Stream s = Build(state);
  ASSERT_EQ(s.packs, (2 + 3) * 4);
  EXPECT_EQ(s.Pack(8)[6], 4);
  EXPECT_EQ(s.Pack(8)[7], 10);
  EXPECT_EQ(s.Pack(12)[7], 0);  // the border tile at column 0, row 0
  EXPECT_TRUE(std::equal(s.Pack(8), s.Pack(12), s.Pack(16)));

  // A deleted effect file, or one without tiles, paints in the default order.
  state.effectFile = dir.File("deleted.tlo");
  EXPECT_EQ(Build(state).packs, 770 * 4);
  state.effectFile = dir.Write("empty.tlo", "[Info]\r\nTloVersion=100\r\nNumTiles=0\r\n");
  EXPECT_EQ(Build(state).packs, 770 * 4);
}

TEST(PackStream, RefusesAPictureOfTheWrongShape) {
  TSubCodeErrorCorrect ecc;
  std::vector<std::uint8_t> stream;
  std::int64_t packs = 0;
  for (Bitmap picture : {Bitmap(), *Bitmap::Create(300, 216, 8).bitmap})
    EXPECT_FALSE(BuildPackStream(StateWith(picture), ecc, stream, packs));
}

// Tile-level rules, read straight from MakeTile.
struct TileResult {
  int count = 0;
  SubCodePack packs[kMaxTilePacks];
};

TileResult Tile(const std::function<int(int)>& pixel, bool optimise) {
  TilePixels pixels;
  for (int i = 0; i < kTilePixels; ++i) pixels[i] = static_cast<std::uint8_t>(pixel(i));
  TileResult r;
  MakeTile(r.packs, r.count, 7, 20, pixels, optimise);
  return r;
}

TEST(MakeTile, EqualPlanesAreMergedAndEmptyOnesLeftOut) {
  // Two colours: one pack, bit set for the second colour (pixel 0 is the 12).
  const TileResult two = Tile([](int i) { return i % 7 == 0 ? 12 : 3; }, true);
  ASSERT_EQ(two.count, 1);
  EXPECT_EQ(two.packs[0].Instruction, kLoadTileNor);
  const std::uint8_t twoData[] = {3, 12, 7, 20, 0x20};
  EXPECT_TRUE(std::equal(twoData, twoData + 5, two.packs[0].Data));
  // Pixels 0, 5 and 7: planes 0 and 2 share their pattern, plane 3 is empty.
  const TileResult r = Tile([](int i) { return i % 3 == 0 ? 0 : i % 3 == 1 ? 5 : 7; }, true);
  ASSERT_EQ(r.count, 2);
  EXPECT_EQ(r.packs[0].Instruction, kLoadTileNor);
  EXPECT_EQ(r.packs[0].Data[1], 5);
  EXPECT_EQ(r.packs[1].Instruction, kLoadTileXor);
  EXPECT_EQ(r.packs[1].Data[1], 2);
  // Without optimisation every tile is four packs, planes in order.
  const TileResult plain = Tile([](int) { return 5; }, false);
  ASSERT_EQ(plain.count, 4);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(plain.packs[p].Instruction, p == 0 ? kLoadTileNor : kLoadTileXor);
    EXPECT_EQ(plain.packs[p].Data[1], 1 << p);
    EXPECT_EQ(plain.packs[p].Data[4], (5 >> p) & 1 ? 0x3F : 0);
  }
}

TEST(MakeTile, MemoryPresetRepeatsItsColour) {
  SubCodePack packs[16];
  int count = 0;
  MakeMemoryPreset(packs, count, 0x1B, 21);  // repeat 21 is 5, colour keeps its low bits
  ASSERT_EQ(count, 6);
  EXPECT_EQ(packs[5].Data[0], 0x0B);
  EXPECT_EQ(packs[5].Data[1], 5);
}

}  // namespace
}  // namespace mosaicer
