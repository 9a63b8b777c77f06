// TNkCdgDecoder: the CD+G interpreter. It keeps the screen (a 312 x 240
// pixel memory of colour indices with scrolling margins around the 300 x 216
// screen, a 16-entry colour table, a border colour and two scroll offsets),
// applies packs to it and paints what changed on the canvas it is attached
// to, at 300 x 216 or stretched. Runs of related packs in one batch are
// painted once: a tile written by several packs, a colour table loaded by
// several packs, a sequence of scrolls.
//
// Snapshots are 4-bit bitmaps whose palette is the colour table; SaveBitmap
// and SaveBitmapScaled write them as BMP files with the project's writer.
//
// Not thread-safe: one thread decodes and paints.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>

#include "core/subcode_pack.h"
#include "platform/bitmap.h"
#include "player/cdg_canvas.h"

namespace mosaicer {

// The pixel memory: the screen plus a margin of one tile on every side.
inline constexpr int kCdgMemoryWidth = kScreenWidth + 2 * kTileWidth;     // 312
inline constexpr int kCdgMemoryHeight = kScreenHeight + 2 * kTileHeight;  // 240
inline constexpr int kMaxHorizontalOffset = kTileWidth - 1;               // 5
inline constexpr int kMaxVerticalOffset = kTileHeight - 1;                // 11

class TNkCdgDecoder {
 public:
  TNkCdgDecoder() = default;
  TNkCdgDecoder(const TNkCdgDecoder&) = delete;
  TNkCdgDecoder& operator=(const TNkCdgDecoder&) = delete;

  // Keeps `canvas` (not owned; it must outlive the decoder or the next
  // Attach) and makes a fresh black pixel memory. False for a null canvas.
  bool Attach(CdgCanvas* canvas);
  // Black colour table, border and offsets 0, pixels 0, screen cleared.
  void Reset();
  void SetEasyScroll(bool on) { easyScroll_ = on; }
  bool EasyScroll() const { return easyScroll_; }

  // Applies `count` packs of 24 bytes each and paints at 300 x 216. False
  // only for a null pointer. Before Attach the packs are ignored.
  bool Decode(const std::uint8_t* packs, std::size_t count);
  bool Decode(const SubCodePack* packs, std::size_t count) {
    return Decode(packs ? packs->bytes() : nullptr, count);
  }
  // As Decode, painting stretched to width x height.
  bool DecodeScaled(const std::uint8_t* packs, std::size_t count, std::uint16_t width,
                    std::uint16_t height);
  bool DecodeScaled(const SubCodePack* packs, std::size_t count, std::uint16_t width,
                    std::uint16_t height) {
    return DecodeScaled(packs ? packs->bytes() : nullptr, count, width, height);
  }

  // Paints the whole screen again; false before Attach.
  bool Repaint();
  bool RepaintScaled(std::uint16_t width, std::uint16_t height);

  // The 300 x 216 snapshot: border colour all round, the inner 288 x 192
  // taken from the pixel memory without the scroll offsets. Nothing before
  // Attach.
  std::optional<Bitmap> Snapshot() const;
  // The width x height snapshot: border colour, and the safe area as the
  // screen shows it (offsets applied) stretched as the canvas would be.
  // Nothing before Attach or for a size the bitmap cannot have (0).
  std::optional<Bitmap> SnapshotScaled(std::uint16_t width, std::uint16_t height) const;
  // The snapshots as BMP files. False when there is no snapshot or the
  // stream fails.
  bool SaveBitmap(std::ostream& out) const;
  bool SaveBitmapScaled(std::uint16_t width, std::uint16_t height, std::ostream& out) const;

  // State, for the player and the tests.
  // Colour index at (x, y) of the pixel memory, 0 <= x < 312, 0 <= y < 240.
  std::uint8_t MemoryPixel(int x, int y) const;
  const std::array<PaletteEntry, kColourCount>& ColourTable() const { return colours_; }
  std::uint8_t BorderColour() const { return border_; }
  std::uint8_t HorizontalOffset() const { return hOffset_; }
  std::uint8_t VerticalOffset() const { return vOffset_; }

 private:
  // Instructions.
  void MemoryPreset(const std::uint8_t* pack);
  void BorderPreset(const std::uint8_t* pack);
  void LoadTile(const std::uint8_t* pack, bool exclusiveOr);
  void LoadClut(const std::uint8_t* pack, int firstEntry);
  void Scroll(const std::uint8_t* pack, bool wrap);
  void ScrollHorizontal(int command, bool wrap, std::uint8_t fill);
  void ScrollVertical(int command, bool wrap, std::uint8_t fill);

  // Runs: each applies pack `i` and the related packs after it, paints, and
  // returns the index of the first pack it did not consume.
  std::size_t TileRun(const std::uint8_t* packs, std::size_t i, std::size_t count);
  std::size_t ClutRun(const std::uint8_t* packs, std::size_t i, std::size_t count);
  std::size_t ScrollRun(const std::uint8_t* packs, std::size_t i, std::size_t count);
  void Interpret(const std::uint8_t* packs, std::size_t count);

  // Drawing.
  void FillScreen(std::uint8_t colour);
  void DrawSafeArea();
  void DrawBorder();
  void DrawScreenB();
  void DrawTile(int x, int y);
  std::optional<Bitmap> BlankSnapshot(int width, int height) const;
  CdgRect Output(const CdgRect& rect) const;
  void SetScales(std::uint16_t width, std::uint16_t height);
  void RebuildPalette();
  CdgColours MemoryColours() const;
  IndexedPixels MemoryPixels() const;
  std::uint8_t* Row(int y) { return memory_.ScanLine(y); }

  CdgCanvas* canvas_ = nullptr;
  Bitmap memory_;  // 8 bits per pixel, one colour index per byte
  std::array<PaletteEntry, kColourCount> colours_{};
  std::uint8_t border_ = 0;
  std::uint8_t vOffset_ = 0;
  std::uint8_t hOffset_ = 0;
  float vScale_ = 1.0f;
  float hScale_ = 1.0f;
  bool scaled_ = false;
  bool easyScroll_ = false;
};

}  // namespace mosaicer
