// Bringing a picture of any size to the 288 x 192 visible area before its
// colours are reduced, so that palette generation and error diffusion see the
// picture as it will be shown.
//
//   crop: the picture as it is; the area is cut from it at 1:1 (at least
//         288 x 192 is needed)
//   fit:  the whole picture scaled to lie inside the area, centred; the rest
//         of the area shows the border colour
//   fill: the picture scaled to cover the area, the overflow cropped (the
//         origin then moves the crop inside the scaled picture)
//
// Scaling averages every source pixel that falls into a target pixel, by the
// share of it that falls there (area averaging), in exact integer arithmetic;
// enlarging a small picture spreads each source pixel the same way.
#pragma once

#include <optional>
#include <string_view>

#include "platform/bitmap.h"

namespace mosaicer {

enum class PictureFit { Crop, Fit, Fill };

// "crop", "fit" or "fill".
std::optional<PictureFit> ParsePictureFit(std::string_view text);
// The word ParsePictureFit reads back.
const char* PictureFitName(PictureFit fit);

// `source` scaled to width x height, 24 bits. Fails only when the size is
// outside the Bitmap limits or `source` is empty.
BitmapResult ScaleArea(const Bitmap& source, int width, int height);

// Where the picture lies inside the area, in area pixels.
struct FitPlacement {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const FitPlacement&, const FitPlacement&) = default;
};

struct FittedPicture {
  // What the picture step works on. crop: empty (use the source as it is);
  // fit: exactly area-sized; fill: at least area-sized, one side exactly.
  Bitmap picture;
  // fit: where the scaled picture lies; crop and fill: the whole area.
  FitPlacement placed;
  std::string error;  // set exactly when fitting failed
  bool ok() const { return error.empty(); }
};

// The size a picture of `width` x `height` takes in an area of
// `areaWidth` x `areaHeight` when fitted (fit) or covering it (fill), and
// where it lies. Sides are rounded to the nearest pixel and never 0.
FitPlacement PlaceFitted(int width, int height, PictureFit fit, int areaWidth, int areaHeight);

// Fits `source` to an area of `areaWidth` x `areaHeight` (the visible area
// by default). For fit, the area outside the picture repeats the picture's
// nearest edge pixels, so that no colour the picture lacks reaches its
// palette; PaintOutsidePlacement then gives those pixels the border colour.
FittedPicture FitPicture(const Bitmap& source, PictureFit fit, int areaWidth, int areaHeight);

// Sets every pixel of a prepared 4-bit picture's area (whose top-left corner
// is at areaLeft, areaTop) that lies outside `placed` to palette index
// `border`.
void PaintOutsidePlacement(Bitmap& prepared, int areaLeft, int areaTop, int areaWidth,
                           int areaHeight, const FitPlacement& placed, int border);

}  // namespace mosaicer
