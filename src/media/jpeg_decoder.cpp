#include "media/jpeg_decoder.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace mosaicer {
namespace {

constexpr int kRgbBits = 24;
constexpr int kBgrComponents = 3;
constexpr int kCmykComponents = 4;
constexpr unsigned kFull = 255;
constexpr unsigned kMaxMarkerLength = 0xFFFF;

// EXIF: "Exif\0\0", then a TIFF header and its first directory.
constexpr std::uint8_t kExifId[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTiffShort = 3;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kIfdEntrySize = 12;
constexpr int kUpright = 1;
constexpr int kMaxOrientation = 8;

// libjpeg's error manager, extended with the jump back into the phase that
// called libjpeg and the text of what went wrong.
struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// The decoder's whole state. Plain C data only: libjpeg's errors leave a
// phase with longjmp, which must not skip any destructor.
struct JpegState {
  jpeg_decompress_struct info;
  ErrorManager error;
};

[[noreturn]] void Abort(j_common_ptr info) {
  auto* error = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Warnings that mean part of the picture is missing or wrong end the decoding
// as errors do; the harmless ones (extra bytes between markers, an unknown
// JFIF version) are let through.
void OnMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace messages
  ++info->err->num_warnings;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      Abort(info);
    default:
      break;
  }
}

// The phases below hold no C++ object with a destructor: a longjmp out of
// libjpeg lands in their setjmp and they return false.

bool ReadHeader(JpegState& state, const std::uint8_t* data, std::size_t size) {
  if (setjmp(state.error.jump)) return false;
  jpeg_create_decompress(&state.info);
  jpeg_mem_src(&state.info, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&state.info, JPEG_APP0 + 1, kMaxMarkerLength);
  jpeg_read_header(&state.info, TRUE);
  return true;
}

bool ReadPixels(JpegState& state, std::uint8_t* out, std::size_t stride) {
  if (setjmp(state.error.jump)) return false;
  jpeg_start_decompress(&state.info);
  while (state.info.output_scanline < state.info.output_height) {
    JSAMPROW row = out + stride * state.info.output_scanline;
    jpeg_read_scanlines(&state.info, &row, 1);
  }
  jpeg_finish_decompress(&state.info);
  return true;
}

// Frees libjpeg's memory however far the decoding went.
class StateGuard {
 public:
  explicit StateGuard(JpegState& state) : state_(state) {}
  ~StateGuard() { jpeg_destroy_decompress(&state_.info); }
  StateGuard(const StateGuard&) = delete;
  StateGuard& operator=(const StateGuard&) = delete;

 private:
  JpegState& state_;
};

std::uint16_t Load16(const std::uint8_t* p, bool bigEndian) {
  return static_cast<std::uint16_t>(bigEndian ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
}
std::uint32_t Load32(const std::uint8_t* p, bool bigEndian) {
  const std::uint32_t high = Load16(bigEndian ? p : p + 2, bigEndian);
  const std::uint32_t low = Load16(bigEndian ? p + 2 : p, bigEndian);
  return high << 16 | low;
}

int OrientationOf(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker != JPEG_APP0 + 1) continue;
    const int orientation = ExifOrientation({marker->data, marker->data_length});
    if (orientation != kUpright) return orientation;
  }
  return kUpright;
}

// Where the pixel (x, y) of the upright picture is in the stored one, for
// the eight EXIF orientations. `w` and `h` are the stored size.
struct Source {
  int x, y;
};
Source Unturn(int orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case 2:  // mirrored left to right
      return {w - 1 - x, y};
    case 3:  // turned half round
      return {w - 1 - x, h - 1 - y};
    case 4:  // mirrored top to bottom
      return {x, h - 1 - y};
    case 5:  // mirrored along the main diagonal
      return {y, x};
    case 6:  // must be turned a quarter clockwise
      return {y, h - 1 - x};
    case 7:  // mirrored along the other diagonal
      return {w - 1 - y, h - 1 - x};
    case 8:  // must be turned a quarter anticlockwise
      return {w - 1 - y, x};
    default:
      return {x, y};
  }
}

bool SwapsSides(int orientation) { return orientation >= 5; }

// CMYK samples as RGB. Adobe's files (the ones with its marker) store every
// sample inverted, as Photoshop writes them.
void CmykToBgr(const std::uint8_t* cmyk, bool inverted, std::uint8_t* bgr) {
  unsigned k = cmyk[3];
  if (!inverted) k = kFull - k;
  for (int i = 0; i < 3; ++i) {
    unsigned c = cmyk[i];
    if (!inverted) c = kFull - c;
    bgr[2 - i] = static_cast<std::uint8_t>((c * k + kFull / 2) / kFull);
  }
}

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
  if (app1.size() < sizeof kExifId + kTiffHeaderSize ||
      std::memcmp(app1.data(), kExifId, sizeof kExifId) != 0)
    return kUpright;
  const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExifId);
  bool bigEndian = false;
  if (tiff[0] == 'M' && tiff[1] == 'M')
    bigEndian = true;
  else if (tiff[0] != 'I' || tiff[1] != 'I')
    return kUpright;
  const std::uint64_t directory = Load32(tiff.data() + 4, bigEndian);
  if (directory + 2 > tiff.size()) return kUpright;
  const unsigned entries = Load16(tiff.data() + directory, bigEndian);
  for (unsigned i = 0; i < entries; ++i) {
    const std::uint64_t at = directory + 2 + std::uint64_t{i} * kIfdEntrySize;
    if (at + kIfdEntrySize > tiff.size()) break;
    const std::uint8_t* entry = tiff.data() + at;
    if (Load16(entry, bigEndian) != kOrientationTag) continue;
    if (Load16(entry + 2, bigEndian) != kTiffShort) return kUpright;
    const int value = Load16(entry + 8, bigEndian);
    return value >= kUpright && value <= kMaxOrientation ? value : kUpright;
  }
  return kUpright;
}

BitmapResult DecodeJpeg(std::span<const std::uint8_t> file, std::int64_t maxPixels) {
  JpegState state;
  std::memset(&state, 0, sizeof state);
  state.info.err = jpeg_std_error(&state.error.manager);
  state.error.manager.error_exit = Abort;
  state.error.manager.emit_message = OnMessage;
  StateGuard guard(state);

  if (!ReadHeader(state, file.data(), file.size())) return BitmapResult::Failure(state.error.message);
  jpeg_decompress_struct& info = state.info;
  const int orientation = OrientationOf(info);
  const std::int64_t storedWidth = info.image_width;
  const std::int64_t storedHeight = info.image_height;
  const bool swap = SwapsSides(orientation);
  const std::int64_t width = swap ? storedHeight : storedWidth;
  const std::int64_t height = swap ? storedWidth : storedHeight;
  if (std::string problem = CheckBitmapSize(width, height); !problem.empty())
    return BitmapResult::Failure(std::move(problem));
  if (width * height > maxPixels) return BitmapResult::Failure(TooLargeText(width, height));

  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  const bool inverted = cmyk && info.saw_Adobe_marker;
  BitmapResult made = Bitmap::Create(static_cast<int>(width), static_cast<int>(height), kRgbBits);
  if (!made.ok()) return made;
  Bitmap& bitmap = *made.bitmap;

  if (!cmyk && orientation == kUpright) {
    // Straight into the bitmap's rows: they are B, G, R as libjpeg writes them.
    if (!ReadPixels(state, bitmap.ScanLine(0), bitmap.Stride()))
      return BitmapResult::Failure(state.error.message);
    return made;
  }

  const int components = cmyk ? kCmykComponents : kBgrComponents;
  const std::size_t stride = static_cast<std::size_t>(storedWidth) * components;
  std::vector<std::uint8_t> stored(stride * static_cast<std::size_t>(storedHeight));
  if (!ReadPixels(state, stored.data(), stride)) return BitmapResult::Failure(state.error.message);
  const int w = static_cast<int>(storedWidth);
  const int h = static_cast<int>(storedHeight);
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* dst = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, dst += kBgrComponents) {
      const Source from = Unturn(orientation, x, y, w, h);
      const std::uint8_t* src =
          stored.data() + stride * static_cast<std::size_t>(from.y) +
          static_cast<std::size_t>(from.x) * static_cast<std::size_t>(components);
      if (cmyk)
        CmykToBgr(src, inverted, dst);
      else
        std::memcpy(dst, src, kBgrComponents);
    }
  }
  return made;
}

}  // namespace mosaicer
