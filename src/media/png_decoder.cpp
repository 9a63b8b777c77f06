#include "media/png_decoder.h"

#include <png.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/language.h"

namespace mosaicer {
namespace {

constexpr unsigned kMaxIndexedColours = 16;
constexpr int kIndexedBits = 4;
constexpr int kRgbBits = 24;
constexpr int kRgba = 4;
constexpr unsigned kOpaque = 255;
constexpr std::size_t kMessageSize = 200;

// Everything libpng's callbacks touch. Plain C data only: libpng's errors
// leave a phase with longjmp, which must not skip any destructor.
struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  char message[kMessageSize] = {};
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (count > state->size - state->position) png_error(png, Tr("the file ends early"));
  std::memcpy(out, state->data + state->position, count);
  state->position += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::strncpy(state->message, message, kMessageSize - 1);
  png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk, which libpng skips) leave the
// picture whole.
void OnWarning(png_structp, png_const_charp) {}

// The phases below hold no C++ object with a destructor: a longjmp out of
// libpng lands in their setjmp and they return false.

bool ReadHeader(PngState& state) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_set_read_fn(state.png, &state, ReadFromMemory);
  png_read_info(state.png, state.info);
  return true;
}

// Asks for 8-bit palette indices (`indexed`) or 8-bit RGBA.
bool SetTransforms(PngState& state, bool indexed) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_structp png = state.png;
  if (indexed) {
    png_set_packing(png);
  } else {
    png_set_expand(png);  // palette to RGB, small grey to 8 bits, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, kOpaque, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, state.info);
  return true;
}

bool ReadRows(PngState& state, png_bytepp rows) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_read_image(state.png, rows);
  png_read_end(state.png, nullptr);
  return true;
}

class StateGuard {
 public:
  explicit StateGuard(PngState& state) : state_(state) {}
  ~StateGuard() { png_destroy_read_struct(&state_.png, &state_.info, nullptr); }
  StateGuard(const StateGuard&) = delete;
  StateGuard& operator=(const StateGuard&) = delete;

 private:
  PngState& state_;
};

std::uint8_t OnBlack(unsigned value, unsigned alpha) {
  return static_cast<std::uint8_t>((value * alpha + kOpaque / 2) / kOpaque);
}

BitmapResult Failed(const PngState& state) {
  return BitmapResult::Failure(state.message[0] != '\0' ? state.message : "unreadable PNG data");
}

}  // namespace

BitmapResult DecodePng(std::span<const std::uint8_t> file, std::int64_t maxPixels) {
  PngState state;
  state.data = file.data();
  state.size = file.size();
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (state.png != nullptr) state.info = png_create_info_struct(state.png);
  StateGuard guard(state);
  if (state.png == nullptr || state.info == nullptr)
    return BitmapResult::Failure(Tr("out of memory for the PNG decoder"));

  if (!ReadHeader(state)) return Failed(state);
  const std::int64_t width = png_get_image_width(state.png, state.info);
  const std::int64_t height = png_get_image_height(state.png, state.info);
  if (std::string problem = CheckBitmapSize(width, height); !problem.empty())
    return BitmapResult::Failure(std::move(problem));
  if (width * height > maxPixels) return BitmapResult::Failure(TooLargeText(width, height));

  png_colorp palette = nullptr;
  int paletteSize = 0;
  const bool hasPalette =
      png_get_color_type(state.png, state.info) == PNG_COLOR_TYPE_PALETTE &&
      png_get_PLTE(state.png, state.info, &palette, &paletteSize) != 0;
  const bool indexed = hasPalette && static_cast<unsigned>(paletteSize) <= kMaxIndexedColours;
  if (!SetTransforms(state, indexed)) return Failed(state);

  const std::size_t stride = png_get_rowbytes(state.png, state.info);
  const std::size_t wanted = static_cast<std::size_t>(width) * (indexed ? 1 : kRgba);
  if (stride != wanted) return BitmapResult::Failure("unexpected PNG row layout");
  BitmapResult made =
      Bitmap::Create(static_cast<int>(width), static_cast<int>(height), indexed ? kIndexedBits : kRgbBits);
  if (!made.ok()) return made;
  std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * stride;
  if (!ReadRows(state, rows.data())) return Failed(state);

  Bitmap& bitmap = *made.bitmap;
  if (indexed) {
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_get_tRNS(state.png, state.info, &alpha, &alphaCount, nullptr);
    for (int i = 0; i < paletteSize; ++i) {
      const unsigned a = i < alphaCount ? alpha[i] : kOpaque;
      const png_color& c = palette[i];
      bitmap.SetPaletteEntry(i, PaletteEntry{OnBlack(c.red, a), OnBlack(c.green, a),
                                             OnBlack(c.blue, a), 0});
    }
    bitmap.SetPaletteCount(paletteSize);
    for (int y = 0; y < bitmap.Height(); ++y) {
      const std::uint8_t* row = rows[static_cast<std::size_t>(y)];
      // An index past the palette (libpng lets it through) shows as index 0.
      for (int x = 0; x < bitmap.Width(); ++x)
        bitmap.SetPixelIndex(x, y, row[x] < paletteSize ? row[x] : 0);
    }
    return made;
  }
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* src = rows[static_cast<std::size_t>(y)];
    std::uint8_t* dst = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, src += kRgba, dst += 3) {
      const unsigned a = src[3];
      dst[0] = OnBlack(src[2], a);  // B, G, R as in a DIB
      dst[1] = OnBlack(src[1], a);
      dst[2] = OnBlack(src[0], a);
    }
  }
  return made;
}

}  // namespace mosaicer
