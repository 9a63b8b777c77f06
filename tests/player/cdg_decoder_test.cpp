#include "player/cdg_decoder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <vector>

#include "platform/bmp_codec.h"

namespace mosaicer {
namespace {

// Records what the decoder paints.
class RecordingCanvas final : public CdgCanvas {
 public:
  struct Fill {
    CdgRect rect;
    Rgb colour;
  };
  struct Copy {
    CdgRect source, dest;
    std::vector<PaletteEntry> colours;
  };
  std::vector<Fill> fills;
  std::vector<Copy> copies;

  void FillRect(const CdgRect& rect, Rgb colour) override { fills.push_back({rect, colour}); }
  void CopyIndexed(IndexedPixels, const CdgRect& source, CdgColours colours,
                   const CdgRect& dest) override {
    copies.push_back({source, dest, {colours.begin(), colours.end()}});
  }
  void Clear() { fills.clear(), copies.clear(); }
};

SubCodePack Pack(std::uint8_t instruction, std::initializer_list<std::uint8_t> data) {
  SubCodePack p;
  InitPack(p, instruction);
  std::size_t i = 0;
  for (std::uint8_t d : data) p.Data[i++] = d;
  return p;
}
// A tile of one colour (both colours `c`, no bits set).
SubCodePack SolidTile(int row, int column, std::uint8_t c) {
  return Pack(kLoadTileNor,
              {c, c, static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(column)});
}
SubCodePack ScrollPack(std::uint8_t instruction, std::uint8_t fill, int hCommand, int hOffset,
                       int vCommand, int vOffset) {
  return Pack(instruction, {fill, static_cast<std::uint8_t>(hCommand << 4 | hOffset),
                            static_cast<std::uint8_t>(vCommand << 4 | vOffset)});
}

constexpr CdgRect kSafeOut{6, 12, 294, 204};

class Decoder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(decoder.Attach(&canvas));
    canvas.Clear();
  }
  void Run(std::vector<SubCodePack> packs) {
    ASSERT_TRUE(decoder.Decode(packs.data(), packs.size()));
  }
  // Pixel-memory colour of the tile at (row, column), at its top-left pixel.
  std::uint8_t TileAt(int row, int column) const {
    return decoder.MemoryPixel(6 + 6 * column, 12 + 12 * row);
  }
  // A memory of 0 with tile (1, 1) = 7, tile (17, 49) = 9 and tile (2, 0) = 4.
  void MarkTiles() {
    Run({Pack(kMemoryPreset, {0}), SolidTile(1, 1, 7), SolidTile(17, 49, 9), SolidTile(2, 0, 4)});
  }

  RecordingCanvas canvas;
  TNkCdgDecoder decoder;
};

TEST_F(Decoder, MemoryPresetFillsEverythingAndSetsTheBorderUnlessRepeated) {
  Run({Pack(kMemoryPreset, {4, 1})});  // a repeat alone changes nothing
  EXPECT_TRUE(canvas.fills.empty());
  EXPECT_EQ(decoder.MemoryPixel(0, 0), 0);

  Run({Pack(kLoadClutLo, {0, 0, 0, 0, 0, 0, 0, 0, 0x3F, 0x3F})});  // colour 4 white
  canvas.Clear();
  Run({Pack(kMemoryPreset, {4, 0})});
  ASSERT_EQ(canvas.fills.size(), 1u);
  EXPECT_EQ(canvas.fills[0].rect, (CdgRect{0, 0, 300, 216}));
  EXPECT_EQ(canvas.fills[0].colour, (Rgb{240, 240, 240}));
  EXPECT_EQ(decoder.MemoryPixel(311, 239), 4);

  canvas.Clear();
  ASSERT_TRUE(decoder.Repaint());  // the border drawn is the preset's colour
  ASSERT_EQ(canvas.fills.size(), 4u);
  for (const auto& f : canvas.fills) EXPECT_EQ(f.colour, (Rgb{240, 240, 240}));
}

TEST_F(Decoder, RunsOfOneTileAreDrawnOnce) {
  std::vector<SubCodePack> eight;
  for (int i = 0; i < 8; ++i)
    eight.push_back(Pack(i % 2 ? kLoadTileXor : kLoadTileNor, {0, 1, 4, 4, 0x01}));
  Run(eight);
  EXPECT_EQ(canvas.copies.size(), 1u);
  // Every pack was applied: Nor sets the bit pixel to 1, the Xor after it clears it.
  EXPECT_EQ(decoder.MemoryPixel(6 + 24 + 5, 12 + 48), 0);

  canvas.Clear();
  eight.insert(eight.begin() + 4, SolidTile(4, 5, 2));
  Run(eight);
  EXPECT_EQ(canvas.copies.size(), 3u);

  // A run never crosses the end of a batch.
  canvas.Clear();
  Run({SolidTile(3, 3, 1), SolidTile(3, 3, 1)});
  Run({SolidTile(3, 3, 1)});
  EXPECT_EQ(canvas.copies.size(), 2u);
}

TEST_F(Decoder, ColourLoadRunRebuildsThePaletteOnceThenRedrawsTheScreen) {
  // Colour 0 = (15, 8, 1) from 0x3E 0x01; colour 15 = white.
  Run({Pack(kLoadClutLo, {0x3E, 0x01}),
       Pack(kLoadClutHi, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x3F, 0x3F})});
  const auto& table = decoder.ColourTable();
  EXPECT_EQ(table[0], (PaletteEntry{240, 128, 16, 1}));
  EXPECT_EQ(table[15], (PaletteEntry{240, 240, 240, 1}));
  ASSERT_EQ(canvas.copies.size(), 1u);  // DrawSafeArea, with both packs' colours
  EXPECT_EQ(canvas.copies[0].dest, kSafeOut);
  EXPECT_EQ(canvas.copies[0].colours[0], table[0]);
  EXPECT_EQ(canvas.copies[0].colours[15], table[15]);
  EXPECT_EQ(canvas.fills.size(), 4u);  // DrawBorder
  EXPECT_EQ(canvas.fills[0].colour, (Rgb{240, 128, 16}));
}

TEST_F(Decoder, ScrollOffsetsAreClampedAndMoveTheDrawnArea) {
  MarkTiles();
  canvas.Clear();
  Run({ScrollPack(kScrollCopy, 0, 0, 7, 0, 15)});  // no move, offsets only
  EXPECT_EQ(decoder.HorizontalOffset(), 5);
  EXPECT_EQ(decoder.VerticalOffset(), 11);
  EXPECT_EQ(TileAt(1, 1), 7);
  EXPECT_EQ(decoder.MemoryPixel(18, 24), 0);
  ASSERT_EQ(canvas.copies.size(), 1u);
  EXPECT_EQ(canvas.copies[0].source, (CdgRect{17, 35, 305, 227}));
  EXPECT_EQ(canvas.copies[0].dest, kSafeOut);

  Run({ScrollPack(kScrollPreset, 0, 0, 6, 0, 12)});
  canvas.Clear();
  Run({SolidTile(2, 2, 1)});  // tiles are drawn from the offset position
  EXPECT_EQ(canvas.copies[0].source, (CdgRect{23, 47, 29, 59}));
  EXPECT_EQ(canvas.copies[0].dest, (CdgRect{12, 24, 18, 36}));
}

TEST_F(Decoder, ScrollRunsRedrawOnceOrOncePerBatchWithEasyScroll) {
  MarkTiles();
  canvas.Clear();
  // Preset then copy, each by its own rule: the preset's fill goes round.
  Run({ScrollPack(kScrollPreset, 2, 1, 0, 0, 0), ScrollPack(kScrollCopy, 0, 0, 0, 1, 0)});
  ASSERT_EQ(canvas.copies.size(), 1u);
  EXPECT_EQ(canvas.copies[0].dest, kSafeOut);
  EXPECT_EQ(TileAt(1, 0), 2);  // filled column moved down a row
  EXPECT_EQ(TileAt(2, 2), 7);

  decoder.SetEasyScroll(true);
  canvas.Clear();
  Run({ScrollPack(kScrollCopy, 0, 1, 0, 0, 0), SolidTile(4, 4, 1),
       ScrollPack(kScrollCopy, 0, 2, 0, 0, 0)});
  ASSERT_EQ(canvas.copies.size(), 2u);  // the tile, then one safe area at the end
  EXPECT_EQ(canvas.copies[1].dest, kSafeOut);

  canvas.Clear();
  Run({SolidTile(4, 4, 1), Pack(kDefTransColor, {})});
  EXPECT_EQ(canvas.copies.size(), 1u);
}

Bitmap ReadSaved(const std::string& bytes) {
  BitmapResult r = ReadBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  EXPECT_TRUE(r.ok()) << r.error;
  return r.ok() ? std::move(*r.bitmap) : Bitmap();
}

TEST_F(Decoder, SnapshotsIgnoreOrApplyTheScrollOffsetsAtAnySize) {
  // Tile (1, 1) = 7, tile (2, 1) = 9; border 4.
  Run({SolidTile(1, 1, 7), SolidTile(2, 1, 9), Pack(kBorderPreset, {4}),
       ScrollPack(kScrollCopy, 0, 0, 0, 0, 5)});
  std::ostringstream plain, odd, none;
  ASSERT_TRUE(decoder.SaveBitmap(plain));
  ASSERT_TRUE(decoder.SaveBitmapScaled(301, 217, odd));  // an odd width ends in half a byte
  EXPECT_FALSE(decoder.SaveBitmapScaled(0, 216, none));
  const Bitmap a = ReadSaved(plain.str()), d = ReadSaved(odd.str());
  ASSERT_EQ(a.Width(), 300);
  ASSERT_EQ(d.Width(), 301);
  EXPECT_EQ(a.PixelIndex(0, 0), 4);
  EXPECT_EQ(a.PixelIndex(293, 100), 0);
  EXPECT_EQ(a.PixelIndex(294, 100), 4);
  EXPECT_EQ(d.PixelIndex(300, 100), 4);
  // Tile (1, 1) covers output rows 12..23 unscrolled, 12..18 with offset 5.
  EXPECT_EQ(a.PixelIndex(6, 12 + 7), 7);
  EXPECT_EQ(d.PixelIndex(6, 12 + 6), 7);
  EXPECT_EQ(d.PixelIndex(6, 22), 9);
}

TEST(RgbCanvas, FillsClipsAndStretchesNearestNeighbour) {
  RgbCanvas canvas(8, 4);
  canvas.FillRect({-5, -5, 2, 100}, Rgb{1, 2, 3});
  EXPECT_EQ(canvas.Pixel(1, 3), (Rgb{1, 2, 3}));
  EXPECT_EQ(canvas.Pixel(2, 0), (Rgb{0, 0, 0}));

  const std::uint8_t pixels[] = {1, 2, 3, 0x14,  // stride 4; high bits of 0x14 ignored
                                 5, 6, 7, 8};
  std::array<PaletteEntry, 16> colours{};
  for (int i = 0; i < 16; ++i)
    colours[i] = PaletteEntry{static_cast<std::uint8_t>(i * 10), 0, 0, 1};
  // Source 2 x 2 at (1, 0) doubled onto (4, 0)-(8, 4), partly off the canvas.
  canvas.CopyIndexed({pixels, 4}, {1, 0, 3, 2}, colours, {4, 0, 8, 4});
  EXPECT_EQ(canvas.Pixel(4, 0).r, 20);
  EXPECT_EQ(canvas.Pixel(5, 1).r, 20);
  EXPECT_EQ(canvas.Pixel(6, 0).r, 30);
  EXPECT_EQ(canvas.Pixel(7, 3).r, 70);
  canvas.CopyIndexed({pixels, 4}, {3, 0, 4, 1}, colours, {0, 0, 1, 1});
  EXPECT_EQ(canvas.Pixel(0, 0).r, 40);
  canvas.CopyIndexed({pixels, 4}, {0, 0, 4, 2}, colours, {7, 3, 11, 5});  // one pixel shows
  EXPECT_EQ(canvas.Pixel(7, 3).r, 10);

  const Bitmap b = canvas.ToBitmap();
  ASSERT_EQ(b.BitsPerPixel(), 24);
  EXPECT_EQ(b.PixelRgb(6, 0), (Rgb{30, 0, 0}));
}

}  // namespace
}  // namespace mosaicer
