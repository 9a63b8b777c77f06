#include "player/cdg_decoder.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <vector>

#include "platform/bmp_codec.h"

namespace mosaicer {
namespace {

constexpr int kMemoryBits = 8;
constexpr int kSnapshotBits = 4;
constexpr std::uint8_t kNibble = 0x0F;
constexpr std::uint8_t kRowMask = 0x1F;
constexpr std::uint8_t kColumnMask = 0x3F;
constexpr std::uint8_t kTableFlag = 1;  // the reserved-entry flag of every loaded colour
constexpr int kComponentScale = 16;     // a 4-bit component v is kept as v * 16

// Data symbols of the packs.
constexpr std::size_t kColour0 = 0, kColour1 = 1, kTileRow = 2, kTileColumn = 3, kTileBits = 4;
constexpr std::size_t kPresetColour = 0, kPresetRepeat = 1;
constexpr std::size_t kScrollColour = 0, kScrollH = 1, kScrollV = 2;
constexpr int kLeftmostBit = kTileWidth - 1;
constexpr int kColoursPerClutPack = 8;

// Scroll symbols: the command in bits 5..4, the offset in the low bits.
constexpr int kScrollCommandShift = 4;
constexpr std::uint8_t kScrollCommandMask = 0x03;
constexpr std::uint8_t kHOffsetMask = 0x07;
constexpr std::uint8_t kVOffsetMask = 0x0F;
constexpr int kScrollForward = 1;   // right, or down
constexpr int kScrollBackward = 2;  // left, or up

// Where the screen lies in the pixel memory.
constexpr int kScreenX = kTileWidth;   // 6
constexpr int kScreenY = kTileHeight;  // 12
// Fixed output rectangles at 300 x 216.
constexpr CdgRect kSafeAreaOut{kVisibleLeft, kVisibleTop, kVisibleLeft + kVisibleWidth,
                               kVisibleTop + kVisibleHeight};
constexpr CdgRect kWholeOut{0, 0, kScreenWidth, kScreenHeight};
constexpr CdgRect kBorderOut[] = {
    {0, 0, kVisibleLeft, kScreenHeight},
    {0, 0, kScreenWidth, kVisibleTop},
    {0, kSafeAreaOut.bottom, kScreenWidth, kScreenHeight},
    {kSafeAreaOut.right, 0, kScreenWidth, kScreenHeight},
};
// The safe area in the pixel memory before the offsets are added.
constexpr CdgRect kSafeAreaMemory{kScreenX + kVisibleLeft, kScreenY + kVisibleTop,
                                  kScreenX + kSafeAreaOut.right, kScreenY + kSafeAreaOut.bottom};

std::uint8_t Symbol(const std::uint8_t* pack, std::size_t index) {
  return pack[index] & kSymbolMask;
}
std::uint8_t DataSymbol(const std::uint8_t* pack, std::size_t index) {
  return Symbol(pack, kDataIndex + index);
}
bool IsGraphics(const std::uint8_t* pack) {
  return Symbol(pack, kCommandIndex) == kCommandGraphics;
}
std::uint8_t InstructionOf(const std::uint8_t* pack) { return Symbol(pack, kInstructionIndex); }

bool IsTile(std::uint8_t instruction) {
  return instruction == kLoadTileNor || instruction == kLoadTileXor;
}
bool IsClut(std::uint8_t instruction) {
  return instruction == kLoadClutLo || instruction == kLoadClutHi;
}
bool IsScroll(std::uint8_t instruction) {
  return instruction == kScrollPreset || instruction == kScrollCopy;
}

Rgb ColourOf(const PaletteEntry& e) { return e.colour(); }

int Scale(int v, float scale) { return static_cast<int>(static_cast<float>(v) * scale); }

CdgRect Offset(const CdgRect& r, int dx, int dy) {
  return CdgRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Stores one row of colour indices into a 4-bit bitmap, two to a byte.
void PackRow(Bitmap& bitmap, int y, const std::vector<std::uint8_t>& indices) {
  constexpr int kHighNibble = 4;
  std::uint8_t* row = bitmap.ScanLine(y);
  const std::size_t width = indices.size();
  for (std::size_t x = 0; x + 1 < width; x += 2)
    row[x / 2] = static_cast<std::uint8_t>(indices[x] << kHighNibble | indices[x + 1]);
  if (width % 2) row[width / 2] = static_cast<std::uint8_t>(indices[width - 1] << kHighNibble);
}

bool WriteTo(const std::optional<Bitmap>& bitmap, std::ostream& out) {
  if (!bitmap || !out) return false;
  const std::vector<std::uint8_t> file = WriteBmp(*bitmap);
  if (file.empty()) return false;
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool TNkCdgDecoder::Attach(CdgCanvas* canvas) {
  if (canvas == nullptr) return false;
  BitmapResult made = Bitmap::Create(kCdgMemoryWidth, kCdgMemoryHeight, kMemoryBits);
  if (!made.ok()) return false;
  colours_ = {};
  memory_ = std::move(*made.bitmap);
  memory_.SetPaletteCount(kColourCount);
  border_ = 0;
  hOffset_ = 0;
  vOffset_ = 0;
  canvas_ = canvas;
  return true;
}

void TNkCdgDecoder::Reset() {
  colours_.fill(PaletteEntry{0, 0, 0, kTableFlag});
  border_ = 0;
  hOffset_ = 0;
  vOffset_ = 0;
  if (!memory_.empty()) {
    RebuildPalette();
    std::memset(Row(0), 0, memory_.Stride() * kCdgMemoryHeight);
  }
  if (canvas_ != nullptr) FillScreen(0);
}

std::uint8_t TNkCdgDecoder::MemoryPixel(int x, int y) const { return memory_.ScanLine(y)[x]; }

// ---- Batches -------------------------------------------------------------

bool TNkCdgDecoder::Decode(const std::uint8_t* packs, std::size_t count) {
  if (packs == nullptr) return false;
  scaled_ = false;
  Interpret(packs, count);
  return true;
}

bool TNkCdgDecoder::DecodeScaled(const std::uint8_t* packs, std::size_t count, std::uint16_t width,
                                 std::uint16_t height) {
  if (packs == nullptr) return false;
  SetScales(width, height);
  Interpret(packs, count);
  return true;
}

void TNkCdgDecoder::Interpret(const std::uint8_t* packs, std::size_t count) {
  if (memory_.empty()) return;
  bool scrolled = false;
  std::size_t i = 0;
  while (i < count) {
    const std::uint8_t* pack = packs + i * kPackSize;
    if (!IsGraphics(pack)) {
      ++i;
      continue;
    }
    switch (InstructionOf(pack)) {
      case kMemoryPreset:
        MemoryPreset(pack);
        ++i;
        break;
      case kBorderPreset:
        BorderPreset(pack);
        ++i;
        break;
      case kLoadTileNor:
      case kLoadTileXor:
        i = TileRun(packs, i, count);
        break;
      case kScrollPreset:
      case kScrollCopy:
        i = ScrollRun(packs, i, count);
        scrolled = true;
        break;
      case kLoadClutLo:
      case kLoadClutHi:
        i = ClutRun(packs, i, count);
        break;
      case kDefTransColor:  // accepted; transparency is not shown
      default:
        ++i;
        break;
    }
  }
  if (easyScroll_ && scrolled) DrawSafeArea();
}

std::size_t TNkCdgDecoder::TileRun(const std::uint8_t* packs, std::size_t i, std::size_t count) {
  const std::uint8_t* pack = packs + i * kPackSize;
  const std::uint8_t row = DataSymbol(pack, kTileRow) & kRowMask;
  const std::uint8_t column = DataSymbol(pack, kTileColumn) & kColumnMask;
  if (row >= kTileRows || column >= kTileColumns) return i + 1;

  LoadTile(pack, InstructionOf(pack) == kLoadTileXor);
  for (++i; i < count; ++i) {
    const std::uint8_t* next = packs + i * kPackSize;
    if (!IsGraphics(next) || !IsTile(InstructionOf(next))) break;
    if ((DataSymbol(next, kTileRow) & kRowMask) != row ||
        (DataSymbol(next, kTileColumn) & kColumnMask) != column)
      break;
    LoadTile(next, InstructionOf(next) == kLoadTileXor);
  }
  DrawTile(kScreenX + kTileWidth * column, kScreenY + kTileHeight * row);
  return i;
}

std::size_t TNkCdgDecoder::ClutRun(const std::uint8_t* packs, std::size_t i, std::size_t count) {
  for (; i < count; ++i) {
    const std::uint8_t* pack = packs + i * kPackSize;
    if (!IsGraphics(pack) || !IsClut(InstructionOf(pack))) break;
    LoadClut(pack, InstructionOf(pack) == kLoadClutLo ? 0 : kColoursPerClutPack);
  }
  // Pixels keep their indices: one palette swap recolours the whole screen.
  RebuildPalette();
  DrawScreenB();
  return i;
}

std::size_t TNkCdgDecoder::ScrollRun(const std::uint8_t* packs, std::size_t i, std::size_t count) {
  for (; i < count; ++i) {
    const std::uint8_t* pack = packs + i * kPackSize;
    if (!IsGraphics(pack) || !IsScroll(InstructionOf(pack))) break;
    Scroll(pack, InstructionOf(pack) == kScrollCopy);
  }
  if (!easyScroll_) DrawSafeArea();
  return i;
}

// ---- Instructions --------------------------------------------------------

void TNkCdgDecoder::MemoryPreset(const std::uint8_t* pack) {
  // The repeats only guard against a lost pack; the first one did the work.
  if ((DataSymbol(pack, kPresetRepeat) & kNibble) != 0) return;
  const std::uint8_t c = DataSymbol(pack, kPresetColour) & kNibble;
  std::memset(Row(0), c, memory_.Stride() * kCdgMemoryHeight);
  border_ = c;
  FillScreen(c);
}

void TNkCdgDecoder::BorderPreset(const std::uint8_t* pack) {
  border_ = DataSymbol(pack, kPresetColour) & kNibble;
  DrawBorder();
}

void TNkCdgDecoder::LoadTile(const std::uint8_t* pack, bool exclusiveOr) {
  const std::uint8_t colour0 = DataSymbol(pack, kColour0) & kNibble;
  const std::uint8_t colour1 = DataSymbol(pack, kColour1) & kNibble;
  const int x = kScreenX + kTileWidth * (DataSymbol(pack, kTileColumn) & kColumnMask);
  const int y = kScreenY + kTileHeight * (DataSymbol(pack, kTileRow) & kRowMask);
  for (int k = 0; k < kTileHeight; ++k) {
    const std::uint8_t bits = DataSymbol(pack, kTileBits + static_cast<std::size_t>(k));
    std::uint8_t* p = Row(y + k) + x;
    for (int j = 0; j < kTileWidth; ++j) {
      const std::uint8_t c = ((bits >> (kLeftmostBit - j)) & 1) ? colour1 : colour0;
      p[j] = exclusiveOr ? static_cast<std::uint8_t>(p[j] ^ c) : c;
    }
  }
}

void TNkCdgDecoder::LoadClut(const std::uint8_t* pack, int firstEntry) {
  for (int k = 0; k < kColoursPerClutPack; ++k) {
    const std::uint8_t first = DataSymbol(pack, static_cast<std::size_t>(2 * k));
    const std::uint8_t second = DataSymbol(pack, static_cast<std::size_t>(2 * k + 1));
    const Rgb4 c = DecodeColour(first, second);
    colours_[static_cast<std::size_t>(firstEntry + k)] =
        PaletteEntry{static_cast<std::uint8_t>(c.r * kComponentScale),
                     static_cast<std::uint8_t>(c.g * kComponentScale),
                     static_cast<std::uint8_t>(c.b * kComponentScale), kTableFlag};
  }
}

void TNkCdgDecoder::Scroll(const std::uint8_t* pack, bool wrap) {
  const std::uint8_t fill = DataSymbol(pack, kScrollColour) & kNibble;
  const std::uint8_t h = DataSymbol(pack, kScrollH);
  const std::uint8_t v = DataSymbol(pack, kScrollV);
  hOffset_ = std::min<std::uint8_t>(h & kHOffsetMask, kMaxHorizontalOffset);
  vOffset_ = std::min<std::uint8_t>(v & kVOffsetMask, kMaxVerticalOffset);
  ScrollHorizontal((h >> kScrollCommandShift) & kScrollCommandMask, wrap, fill);
  ScrollVertical((v >> kScrollCommandShift) & kScrollCommandMask, wrap, fill);
}

// Moves every row by one tile width. Source and destination overlap, so the
// moves are memmoves; the margin column takes what leaves (wrap) or `fill`.
void TNkCdgDecoder::ScrollHorizontal(int command, bool wrap, std::uint8_t fill) {
  constexpr int kMoved = kCdgMemoryWidth - kTileWidth;  // 306 bytes move
  constexpr int kCleared = 2 * kTileWidth;              // margin and the column that came in
  if (command != kScrollForward && command != kScrollBackward) return;
  for (int y = 0; y < kCdgMemoryHeight; ++y) {
    std::uint8_t* row = Row(y);
    if (command == kScrollForward) {
      if (wrap) std::memcpy(row, row + kScreenX + kScreenWidth - kTileWidth, kTileWidth);
      std::memmove(row + kTileWidth, row, kMoved);
      if (!wrap) std::memset(row, fill, kCleared);
    } else {
      if (wrap) std::memcpy(row + kMoved, row + kTileWidth, kTileWidth);
      std::memmove(row, row + kTileWidth, kMoved);
      if (!wrap) std::memset(row + kCdgMemoryWidth - kCleared, fill, kCleared);
    }
  }
}

// Moves the rows by one tile height, the same way.
void TNkCdgDecoder::ScrollVertical(int command, bool wrap, std::uint8_t fill) {
  if (command != kScrollForward && command != kScrollBackward) return;
  const std::size_t stride = memory_.Stride();
  const std::size_t band = stride * kTileHeight;                        // one tile row
  const std::size_t moved = stride * (kCdgMemoryHeight - kTileHeight);  // 228 rows
  std::uint8_t* top = Row(0);
  if (command == kScrollForward) {
    if (wrap) std::memcpy(top, Row(kScreenY + kScreenHeight - kTileHeight), band);
    std::memmove(top + band, top, moved);
    if (!wrap) std::memset(top, fill, 2 * band);
  } else {
    if (wrap) std::memcpy(Row(kCdgMemoryHeight - kTileHeight), Row(kScreenY), band);
    std::memmove(top, top + band, moved);
    if (!wrap) std::memset(Row(kCdgMemoryHeight - 2 * kTileHeight), fill, 2 * band);
  }
}

// ---- Drawing -------------------------------------------------------------

void TNkCdgDecoder::SetScales(std::uint16_t width, std::uint16_t height) {
  scaled_ = true;
  vScale_ = static_cast<float>(height) / static_cast<float>(kScreenHeight);
  hScale_ = static_cast<float>(width) / static_cast<float>(kScreenWidth);
}

CdgRect TNkCdgDecoder::Output(const CdgRect& r) const {
  if (!scaled_) return r;
  return CdgRect{Scale(r.left, hScale_), Scale(r.top, vScale_), Scale(r.right, hScale_),
                 Scale(r.bottom, vScale_)};
}

CdgColours TNkCdgDecoder::MemoryColours() const {
  return CdgColours(memory_.Palette().data(), kColourCount);
}

IndexedPixels TNkCdgDecoder::MemoryPixels() const {
  return IndexedPixels{memory_.ScanLine(0), static_cast<int>(memory_.Stride())};
}

void TNkCdgDecoder::RebuildPalette() {
  for (int k = 0; k < kColourCount; ++k)
    memory_.SetPaletteEntry(k, colours_[static_cast<std::size_t>(k)]);
}

void TNkCdgDecoder::FillScreen(std::uint8_t colour) {
  canvas_->FillRect(Output(kWholeOut), ColourOf(colours_[colour & kNibble]));
}

void TNkCdgDecoder::DrawSafeArea() {
  canvas_->CopyIndexed(MemoryPixels(), Offset(kSafeAreaMemory, hOffset_, vOffset_), MemoryColours(),
                       Output(kSafeAreaOut));
}

void TNkCdgDecoder::DrawBorder() {
  const Rgb colour = ColourOf(colours_[border_ & kNibble]);
  for (const CdgRect& r : kBorderOut) canvas_->FillRect(Output(r), colour);
}

void TNkCdgDecoder::DrawScreenB() {
  DrawSafeArea();
  DrawBorder();
}

void TNkCdgDecoder::DrawTile(int x, int y) {
  // The outer ring of tiles lies under the flat border.
  if (x == kScreenX || x == kScreenX + kScreenWidth - kTileWidth || y == kScreenY ||
      y == kScreenY + kScreenHeight - kTileHeight)
    return;
  const CdgRect source{x + hOffset_, y + vOffset_, x + hOffset_ + kTileWidth,
                       y + vOffset_ + kTileHeight};
  canvas_->CopyIndexed(MemoryPixels(), source, MemoryColours(),
                       Output(CdgRect{x - kScreenX, y - kScreenY, x, y}));
}

bool TNkCdgDecoder::Repaint() {
  if (canvas_ == nullptr || memory_.empty()) return false;
  scaled_ = false;
  DrawScreenB();
  return true;
}

bool TNkCdgDecoder::RepaintScaled(std::uint16_t width, std::uint16_t height) {
  if (canvas_ == nullptr || memory_.empty()) return false;
  SetScales(width, height);
  DrawScreenB();
  return true;
}

// ---- Snapshots -----------------------------------------------------------

// A 4-bit bitmap with the colour table as its palette.
std::optional<Bitmap> TNkCdgDecoder::BlankSnapshot(int width, int height) const {
  if (memory_.empty()) return std::nullopt;
  BitmapResult made = Bitmap::Create(width, height, kSnapshotBits);
  if (!made.ok()) return std::nullopt;
  for (int k = 0; k < kColourCount; ++k)
    made.bitmap->SetPaletteEntry(k, colours_[static_cast<std::size_t>(k)]);
  made.bitmap->SetPaletteCount(kColourCount);
  return std::move(made.bitmap);
}

std::optional<Bitmap> TNkCdgDecoder::Snapshot() const {
  std::optional<Bitmap> bmp = BlankSnapshot(kScreenWidth, kScreenHeight);
  if (!bmp) return std::nullopt;
  std::vector<std::uint8_t> indices(kScreenWidth, border_);
  for (int y = 0; y < kScreenHeight; ++y) {
    if (y >= kSafeAreaOut.top && y < kSafeAreaOut.bottom) {
      const std::uint8_t* row = memory_.ScanLine(y + kScreenY);
      std::copy(row + kScreenX + kSafeAreaOut.left, row + kScreenX + kSafeAreaOut.right,
                indices.begin() + kSafeAreaOut.left);
    } else {
      std::fill(indices.begin(), indices.end(), border_);
    }
    PackRow(*bmp, y, indices);
  }
  return bmp;
}

std::optional<Bitmap> TNkCdgDecoder::SnapshotScaled(std::uint16_t width,
                                                    std::uint16_t height) const {
  std::optional<Bitmap> bmp = BlankSnapshot(width, height);
  if (!bmp) return std::nullopt;
  const float sx = static_cast<float>(width) / static_cast<float>(kScreenWidth);
  const float sy = static_cast<float>(height) / static_cast<float>(kScreenHeight);
  const CdgRect dest{Scale(kSafeAreaOut.left, sx), Scale(kSafeAreaOut.top, sy),
                     Scale(kSafeAreaOut.right, sx), Scale(kSafeAreaOut.bottom, sy)};
  const CdgRect source = Offset(kSafeAreaMemory, hOffset_, vOffset_);
  std::vector<std::uint8_t> indices(width, border_);
  for (int y = 0; y < height; ++y) {
    std::fill(indices.begin(), indices.end(), border_);
    if (!dest.Empty() && y >= dest.top && y < dest.bottom) {
      const std::uint8_t* row =
          memory_.ScanLine(NearestSource(source.top, source.Height(), y - dest.top, dest.Height()));
      for (int x = dest.left; x < dest.right; ++x)
        indices[static_cast<std::size_t>(x)] =
            row[NearestSource(source.left, source.Width(), x - dest.left, dest.Width())];
    }
    PackRow(*bmp, y, indices);
  }
  return bmp;
}

bool TNkCdgDecoder::SaveBitmap(std::ostream& out) const { return WriteTo(Snapshot(), out); }

bool TNkCdgDecoder::SaveBitmapScaled(std::uint16_t width, std::uint16_t height,
                                     std::ostream& out) const {
  return WriteTo(SnapshotScaled(width, height), out);
}

}  // namespace mosaicer
