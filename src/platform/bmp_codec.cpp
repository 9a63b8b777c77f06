#include "platform/bmp_codec.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/unique_fd.h"

#include <climits>
#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <system_error>
#include <utility>

namespace mosaicer {
namespace {

// BITMAPFILEHEADER.
constexpr std::uint8_t kSignature0 = 'B';
constexpr std::uint8_t kSignature1 = 'M';
constexpr std::size_t kFileHeaderSize = 14;
// The file size field (offset 2) is often wrong in the wild, so it is ignored.
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::size_t kHeaderSizeFieldSize = 4;

// Sizes of the info headers that exist in the wild.
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kV2HeaderSize = 52;    // + RGB masks
constexpr std::uint32_t kV3HeaderSize = 56;    // + alpha mask
constexpr std::uint32_t kV4HeaderSize = 108;   // BITMAPV4HEADER
constexpr std::uint32_t kV5HeaderSize = 124;   // BITMAPV5HEADER

// Field offsets inside BITMAPCOREHEADER.
constexpr std::size_t kCoreWidthField = 4;
constexpr std::size_t kCoreHeightField = 6;
constexpr std::size_t kCorePlanesField = 8;
constexpr std::size_t kCoreBitCountField = 10;

// Field offsets inside BITMAPINFOHEADER and its successors.
constexpr std::size_t kWidthField = 4;
constexpr std::size_t kHeightField = 8;
constexpr std::size_t kPlanesField = 12;
constexpr std::size_t kBitCountField = 14;
constexpr std::size_t kCompressionField = 16;
constexpr std::size_t kClrUsedField = 32;
constexpr std::size_t kMasksField = 40;

enum Compression : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitfields = 3,
};

constexpr std::size_t kMaskCount = 3;  // red, green, blue
constexpr std::size_t kMaskSize = 4;
constexpr std::size_t kCoreEntrySize = 3;  // RGBTRIPLE
constexpr std::size_t kInfoEntrySize = 4;  // RGBQUAD
constexpr int kMaxIndexedBits = 8;
constexpr int kRgbBits = 24;

// Channel masks used when a 16 or 32-bit file has none: 5-5-5 and 8-8-8.
constexpr std::uint32_t kDefault16Masks[kMaskCount] = {0x7C00, 0x03E0, 0x001F};
constexpr std::uint32_t kDefault32Masks[kMaskCount] = {0x00FF0000, 0x0000FF00, 0x000000FF};

// RLE escapes: a zero count followed by one of these.
constexpr std::uint8_t kRleEndOfLine = 0;
constexpr std::uint8_t kRleEndOfBitmap = 1;
constexpr std::uint8_t kRleDelta = 2;
constexpr std::size_t kRleAlign = 2;  // absolute runs end on a 16-bit boundary
constexpr int kNibbleBits = 4;
constexpr std::uint8_t kLowNibble = 0x0F;

// Pixel i of an RLE4 byte pair: even pixels take the high nibble.
std::uint8_t Nibble(std::uint8_t byte, int i) {
  return static_cast<std::uint8_t>(i % 2 == 0 ? byte >> kNibbleBits : byte & kLowNibble);
}

// What the writer puts in the resolution fields: 72 dpi in pixels per metre.
constexpr std::int32_t kPixelsPerMetre = 2835;

// Largest file the file reader loads: the biggest 32-bit picture allowed plus
// room for headers, palette and gaps.
constexpr std::uint64_t kMaxBytesPerPixel = 4;
constexpr std::uint64_t kFileSlack = 1 << 20;
constexpr std::uint64_t kMaxBmpFileSize = kMaxBitmapPixels * kMaxBytesPerPixel + kFileSlack;

using Bytes = std::span<const std::uint8_t>;

bool HasBytes(Bytes data, std::uint64_t offset, std::uint64_t count) {
  return offset <= data.size() && count <= data.size() - offset;
}

// Little-endian loads; callers check the range first.
std::uint16_t LoadU16(Bytes data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}
std::uint32_t LoadU32(Bytes data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
         static_cast<std::uint32_t>(data[at + 2]) << 16 |
         static_cast<std::uint32_t>(data[at + 3]) << 24;
}
std::int32_t LoadI32(Bytes data, std::size_t at) {
  return static_cast<std::int32_t>(LoadU32(data, at));
}

// One colour channel of a 16 or 32-bit pixel.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  std::uint8_t Extract(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= CHAR_BIT) return static_cast<std::uint8_t>(value >> (bits - CHAR_BIT));
    // Stretch short channels so that all-ones becomes 255.
    constexpr std::uint32_t kFull = 255;
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((value * kFull + max / 2) / max);
  }
};

// False when the set bits of `mask` are not one contiguous group.
bool MakeChannel(std::uint32_t mask, Channel& channel) {
  channel = Channel{};
  if (mask == 0) return true;
  const int shift = std::countr_zero(mask);
  const std::uint32_t shifted = mask >> shift;
  if ((shifted & (shifted + 1)) != 0) return false;
  channel = Channel{mask, shift, std::popcount(mask)};
  return true;
}

// Everything the headers say, checked.
struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kBiRgb;
  Channel channels[kMaskCount];
  std::size_t paletteOffset = 0;
  std::size_t paletteEntries = 0;
  std::size_t entrySize = kInfoEntrySize;
  std::size_t pixelOffset = 0;
};

bool IsKnownHeaderSize(std::uint32_t size) {
  return size == kCoreHeaderSize || size == kInfoHeaderSize || size == kV2HeaderSize ||
         size == kV3HeaderSize || size == kV4HeaderSize || size == kV5HeaderSize;
}

// Bytes from the file's start that hold every header, mask and palette
// entry the reader accepts.
constexpr std::size_t kHeadBytes = 4096;
static_assert(kHeadBytes >= kFileHeaderSize + kV5HeaderSize + kMaskCount * kMaskSize +
                                (std::size_t{1} << kMaxIndexedBits) * kInfoEntrySize);

// Fills `layout` from the headers, or returns why the file cannot be read.
// `file` is the whole file or at least its first kHeadBytes; `fileSize` is
// the whole file's size.
std::string ParseHeaders(Bytes file, std::uint64_t fileSize, Layout& layout) {
  if (file.size() < kFileHeaderSize + kHeaderSizeFieldSize)
    return Tr("file too short for a BMP header");
  if (file[0] != kSignature0 || file[1] != kSignature1)
    return Tr("not a BMP file (no 'BM' signature)");

  const std::uint32_t headerSize = LoadU32(file, kFileHeaderSize);
  if (!IsKnownHeaderSize(headerSize))
    return Format(Tr("unsupported header size (%1 bytes)"), {std::to_string(headerSize)});
  if (!HasBytes(file, kFileHeaderSize, headerSize)) return Tr("truncated info header");
  const Bytes header = file.subspan(kFileHeaderSize, headerSize);

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t planes = 0;
  std::uint32_t colourCount = 0;  // 0: as many as the depth allows
  const bool core = headerSize == kCoreHeaderSize;
  if (core) {
    width = LoadU16(header, kCoreWidthField);
    height = LoadU16(header, kCoreHeightField);
    planes = LoadU16(header, kCorePlanesField);
    layout.bits = LoadU16(header, kCoreBitCountField);
    layout.entrySize = kCoreEntrySize;
  } else {
    width = LoadI32(header, kWidthField);
    height = LoadI32(header, kHeightField);
    planes = LoadU16(header, kPlanesField);
    layout.bits = LoadU16(header, kBitCountField);
    layout.compression = LoadU32(header, kCompressionField);
    colourCount = LoadU32(header, kClrUsedField);
  }

  if (planes != 1) return Format(Tr("invalid number of planes (%1)"), {std::to_string(planes)});
  const int bits = layout.bits;
  const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == kRgbBits ||
                          (!core && (bits == 16 || bits == 32));
  if (!knownDepth) return Format(Tr("unsupported bit count (%1)"), {std::to_string(bits)});

  const std::uint32_t compression = layout.compression;
  if (compression > kBiBitfields)
    return Format(Tr("unsupported compression (%1)"), {std::to_string(compression)});
  if ((compression == kBiRle8 && bits != 8) || (compression == kBiRle4 && bits != 4) ||
      (compression == kBiBitfields && bits != 16 && bits != 32))
    return Format(Tr("compression %1 does not fit %2-bit pixels"),
                  {std::to_string(compression), std::to_string(bits)});

  // A negative height marks rows stored top-down. 64-bit, so INT32_MIN
  // negates safely and is then refused as too large.
  layout.topDown = height < 0;
  if (layout.topDown) height = -height;
  if (layout.topDown && (compression == kBiRle8 || compression == kBiRle4))
    return Tr("top-down bitmaps cannot be RLE-compressed");
  if (std::string problem = CheckBitmapSize(width, height); !problem.empty()) return problem;
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);

  std::size_t afterHeader = kFileHeaderSize + headerSize;
  if (bits == 16 || bits == 32) {
    const std::uint32_t* defaults = bits == 16 ? kDefault16Masks : kDefault32Masks;
    std::uint32_t masks[kMaskCount] = {defaults[0], defaults[1], defaults[2]};
    if (compression == kBiBitfields) {
      // The masks are part of the larger headers but follow a 40-byte one.
      std::size_t maskOffset = kFileHeaderSize + kMasksField;
      if (headerSize == kInfoHeaderSize) {
        maskOffset = afterHeader;
        afterHeader += kMaskCount * kMaskSize;
        if (!HasBytes(file, maskOffset, kMaskCount * kMaskSize))
          return Tr("bit-field masks extend past the end of the file");
      }
      for (std::size_t i = 0; i < kMaskCount; ++i)
        masks[i] = LoadU32(file, maskOffset + i * kMaskSize);
    }
    for (std::size_t i = 0; i < kMaskCount; ++i)
      if (!MakeChannel(masks[i], layout.channels[i])) return Tr("invalid bit-field mask");
  }

  if (bits <= kMaxIndexedBits) {
    const std::uint32_t maxColours = 1u << bits;
    if (colourCount == 0) colourCount = maxColours;
    if (colourCount > maxColours)
      return Format(Tr("palette too large (%1 colours for %2-bit pixels)"),
                    {std::to_string(colourCount), std::to_string(bits)});
    layout.paletteOffset = afterHeader;
    layout.paletteEntries = colourCount;
    if (!HasBytes(file, afterHeader, std::uint64_t{colourCount} * layout.entrySize))
      return Tr("palette extends past the end of the file");
  }

  const std::uint32_t pixelOffset = LoadU32(file, kPixelOffsetField);
  if (pixelOffset < kFileHeaderSize + headerSize) return Tr("pixel data offset inside the headers");
  if (pixelOffset > fileSize) return Tr("pixel data offset past the end of the file");
  layout.pixelOffset = pixelOffset;
  return {};
}

void ReadPalette(Bytes file, const Layout& layout, Bitmap& bitmap) {
  // Entries are stored blue, green, red (then the reserved byte for RGBQUAD).
  constexpr std::size_t kBlue = 0, kGreen = 1, kRed = 2, kReserved = 3;
  for (std::size_t i = 0; i < layout.paletteEntries; ++i) {
    const std::size_t at = layout.paletteOffset + i * layout.entrySize;
    PaletteEntry entry;
    entry.b = file[at + kBlue];
    entry.g = file[at + kGreen];
    entry.r = file[at + kRed];
    if (layout.entrySize == kInfoEntrySize) entry.flags = file[at + kReserved];
    bitmap.SetPaletteEntry(static_cast<int>(i), entry);
  }
  bitmap.SetPaletteCount(static_cast<int>(layout.paletteEntries));
}

// Copies `size` bytes at `offset` of the file to `to`; "" or why not.
using ReadBytes = std::function<std::string(std::uint64_t offset, std::uint8_t* to, std::size_t size)>;

// Rows are read one at a time in the file's order, straight into the
// bitmap where the layouts agree, so nothing but the bitmap holds the picture.
std::string ReadUncompressed(std::uint64_t fileSize, const ReadBytes& read, const Layout& layout,
                             Bitmap& bitmap) {
  const std::size_t fileStride = BitmapStride(layout.width, layout.bits);
  const std::size_t rowBytes =
      (static_cast<std::size_t>(layout.width) * layout.bits + CHAR_BIT - 1) / CHAR_BIT;
  // The last row needs no padding: some writers leave it off.
  const std::uint64_t needed =
      std::uint64_t{fileStride} * static_cast<std::uint64_t>(layout.height - 1) + rowBytes;
  const std::uint64_t available = fileSize - layout.pixelOffset;
  if (needed > available)
    return Format(Tr("pixel data too short (needs %1 bytes, has %2)"),
                  {std::to_string(needed), std::to_string(available)});

  const bool sameLayout = layout.bits <= kMaxIndexedBits || layout.bits == kRgbBits;
  std::vector<std::uint8_t> packed(sameLayout ? 0 : rowBytes);
  const std::size_t pixelBytes = static_cast<std::size_t>(layout.bits) / CHAR_BIT;
  for (int row = 0; row < layout.height; ++row) {
    const std::uint64_t src = layout.pixelOffset + std::uint64_t{fileStride} * static_cast<std::uint64_t>(row);
    const int y = layout.topDown ? row : layout.height - 1 - row;
    std::uint8_t* dst = bitmap.ScanLine(y);
    if (std::string problem = read(src, sameLayout ? dst : packed.data(), rowBytes);
        !problem.empty())
      return problem;
    if (sameLayout) continue;
    const Bytes line(packed);
    for (int x = 0; x < layout.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(x) * pixelBytes;
      const std::uint32_t pixel = layout.bits == 16 ? LoadU16(line, at) : LoadU32(line, at);
      bitmap.SetPixelRgb(x, y,
                         Rgb{layout.channels[0].Extract(pixel), layout.channels[1].Extract(pixel),
                             layout.channels[2].Extract(pixel)});
    }
  }
  return {};
}

// Decodes RLE8 or RLE4 data. Positions count rows from the bottom, as the
// data does.
std::string ReadRle(Bytes file, const Layout& layout, Bitmap& bitmap) {
  const Bytes data = file.subspan(layout.pixelOffset);
  const bool rle4 = layout.compression == kBiRle4;
  const int width = layout.width;
  const int height = layout.height;
  std::size_t pos = 0;
  int x = 0;
  int row = 0;
  auto put = [&](std::uint8_t index) { bitmap.SetPixelIndex(x++, height - 1 - row, index); };

  while (true) {
    if (!HasBytes(data, pos, 2)) {
      if (row >= height) return {};  // every row ended; the end marker is optional then
      return Tr("RLE data ends before the end of the bitmap");
    }
    const std::uint8_t count = data[pos];
    const std::uint8_t value = data[pos + 1];
    pos += 2;

    if (count == 0 && value == kRleEndOfBitmap) return {};
    if (row >= height) return Tr("RLE data goes past the last row");

    if (count > 0) {
      if (count > width - x) return Tr("RLE run goes past the end of a row");
      for (int i = 0; i < count; ++i) {
        // RLE4 runs alternate the high and low nibble of the value.
        put(rle4 ? Nibble(value, i) : value);
      }
    } else if (value == kRleEndOfLine) {
      x = 0;
      ++row;
    } else if (value == kRleDelta) {
      if (!HasBytes(data, pos, 2)) return Tr("RLE data ends before the end of the bitmap");
      const int dx = data[pos];
      const int dy = data[pos + 1];
      pos += 2;
      if (dx > width - x || dy >= height - row) return Tr("RLE delta moves outside the image");
      x += dx;
      row += dy;
    } else {
      // Absolute run: `value` literal pixels, padded to a 16-bit boundary.
      const int n = value;
      if (n > width - x) return Tr("RLE run goes past the end of a row");
      const std::size_t bytes = rle4 ? (static_cast<std::size_t>(n) + 1) / 2 : n;
      const std::size_t padded = (bytes + kRleAlign - 1) / kRleAlign * kRleAlign;
      if (!HasBytes(data, pos, padded)) return Tr("RLE data ends before the end of the bitmap");
      for (int i = 0; i < n; ++i) {
        const std::uint8_t byte = data[pos + (rle4 ? i / 2 : i)];
        put(rle4 ? Nibble(byte, i) : byte);
      }
      pos += padded;
    }
  }
}

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

namespace {

bool IsRle(const Layout& layout) {
  return layout.compression == kBiRle8 || layout.compression == kBiRle4;
}

// An empty bitmap of the file's size and depth with the file's palette.
BitmapResult CreateFor(Bytes head, const Layout& layout) {
  const int depth = layout.bits <= kMaxIndexedBits ? layout.bits : kRgbBits;
  BitmapResult result = Bitmap::Create(layout.width, layout.height, depth);
  if (result.ok()) ReadPalette(head, layout, *result.bitmap);
  return result;
}

}  // namespace

BitmapResult ReadBmp(std::span<const std::uint8_t> file) {
  Layout layout;
  if (std::string problem = ParseHeaders(file, file.size(), layout); !problem.empty())
    return BitmapResult::Failure(std::move(problem));
  BitmapResult result = CreateFor(file, layout);
  if (!result.ok()) return result;
  const ReadBytes fromMemory = [file](std::uint64_t offset, std::uint8_t* to, std::size_t size) {
    std::memcpy(to, file.data() + offset, size);
    return std::string();
  };
  std::string problem = IsRle(layout) ? ReadRle(file, layout, *result.bitmap)
                                      : ReadUncompressed(file.size(), fromMemory, layout,
                                                         *result.bitmap);
  if (!problem.empty()) return BitmapResult::Failure(std::move(problem));
  return result;
}

BitmapResult ReadBmpFile(const std::filesystem::path& path) {
  const auto failure = [&path](const std::string& problem) {
    return BitmapResult::Failure(Format(Tr("%1 is not a BMP picture that can be read: %2"),
                                        {IoStatus::Quoted(path), problem}));
  };
  // Uncompressed pixels are read row by row from the file; RLE files, small
  // by nature, are read whole.
  if (IoStatus checked = CheckInputFile(path, kMaxBmpFileSize); !checked)
    return BitmapResult::Failure(checked.error());
  // Not blocking, should a FIFO have taken the file's place since the check.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info;
  if (!file.valid() || ::fstat(file.get(), &info) != 0)
    return BitmapResult::Failure(IoStatus::FromErrno("read", path, errno).error());
  if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > kMaxBmpFileSize)
    return BitmapResult::Failure(
        IoStatus::CannotReadText(path, Tr("it changed while it was opened")));
  const auto size = static_cast<std::uint64_t>(info.st_size);
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeadBytes)));
  int error = 0;
  if (!ReadAllAt(file.get(), head.data(), head.size(), 0, error))
    return BitmapResult::Failure(IoStatus::FromErrno("read", path, error).error());
  Layout layout;
  if (std::string problem = ParseHeaders(head, size, layout); !problem.empty())
    return failure(problem);
  if (IsRle(layout)) {
    std::vector<std::uint8_t> bytes;
    if (IoStatus read = ReadWholeFile(path, bytes, kMaxBmpFileSize); !read)
      return BitmapResult::Failure(read.error());
    BitmapResult result = ReadBmp(bytes);
    if (!result.ok()) return failure(result.error);
    return result;
  }
  BitmapResult result = CreateFor(head, layout);
  if (!result.ok()) return failure(result.error);
  const ReadBytes fromFile = [&](std::uint64_t offset, std::uint8_t* to, std::size_t count) {
    int code = 0;
    if (ReadAllAt(file.get(), to, count, offset, code)) return std::string();
    return code != 0 ? std::string(std::strerror(code))
                     : std::string(Tr("the file ended while it was read"));
  };
  if (std::string problem = ReadUncompressed(size, fromFile, layout, *result.bitmap);
      !problem.empty())
    return failure(problem);
  return result;
}

std::vector<std::uint8_t> WriteBmp(const Bitmap& bitmap) {
  if (bitmap.empty()) return {};
  const std::uint32_t paletteEntries = bitmap.IsIndexed() ? 1u << bitmap.BitsPerPixel() : 0;
  const std::uint32_t pixelOffset = static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize +
                                                               paletteEntries * kInfoEntrySize);
  // The limits on bitmap size keep these well inside 32 bits.
  const std::uint32_t imageSize = static_cast<std::uint32_t>(bitmap.Pixels().size());
  const std::uint32_t fileSize = pixelOffset + imageSize;

  std::vector<std::uint8_t> out;
  out.reserve(fileSize);
  out.push_back(kSignature0);
  out.push_back(kSignature1);
  PutU32(out, fileSize);
  PutU32(out, 0);  // two reserved words
  PutU32(out, pixelOffset);

  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<std::uint32_t>(bitmap.Width()));
  PutU32(out, static_cast<std::uint32_t>(bitmap.Height()));  // positive: bottom-up
  PutU16(out, 1);                                            // planes
  PutU16(out, static_cast<std::uint16_t>(bitmap.BitsPerPixel()));
  PutU32(out, kBiRgb);
  PutU32(out, imageSize);
  PutU32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  PutU32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  PutU32(out, paletteEntries);  // colours used
  PutU32(out, 0);               // colours important: all

  for (std::uint32_t i = 0; i < paletteEntries; ++i) {
    const PaletteEntry& entry = bitmap.Palette()[i];
    out.insert(out.end(), {entry.b, entry.g, entry.r, 0});
  }
  // Bitmap rows already have the file's byte layout and padding.
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    out.insert(out.end(), row, row + bitmap.Stride());
  }
  return out;
}

IoStatus WriteBmpFile(const Bitmap& bitmap, const std::filesystem::path& path) {
  if (bitmap.empty())
    return IoStatus::CannotWrite(path, Tr("the picture is empty"));
  return WriteWholeFile(path, WriteBmp(bitmap));
}

}  // namespace mosaicer
