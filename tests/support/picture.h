// Prepared pictures (300 x 216, 4 bits per pixel) for authoring tests.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "authoring/authoring_state.h"
#include "authoring/encoder.h"
#include "core/subcode_pack.h"
#include "platform/bmp_codec.h"
#include "support/temp_dir.h"

namespace mosaicer::testing {

// A picture whose pixel (x, y) has colour index colour(x, y).
inline Bitmap MakePicture(const std::function<int(int, int)>& colour) {
  Bitmap picture = *Bitmap::Create(kScreenWidth, kScreenHeight, 4).bitmap;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x)
      picture.SetPixelIndex(x, y, static_cast<std::uint8_t>(colour(x, y)));
  return picture;
}

inline Bitmap RandomPicture(unsigned seed) {
  std::mt19937 rng(seed);
  return MakePicture([&](int, int) { return static_cast<int>(rng() % 16); });
}

// A 24-bit picture of any size in which neighbouring pixels differ:
// (x, y, x ^ y), each cut to eight bits.
inline Bitmap Gradient(int width, int height) {
  Bitmap picture = *Bitmap::Create(width, height, 24).bitmap;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.SetPixelRgb(x, y,
                          {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                           static_cast<std::uint8_t>(x ^ y)});
  return picture;
}

// A 16-colour picture of any size: index (x + 2y) mod 16, entry i is
// (16i + 1, 255 - i, 7), which cut to four bits is (16i, 240, 0), never black.
inline Bitmap SixteenColours(int width, int height) {
  Bitmap picture = *Bitmap::Create(width, height, 4).bitmap;
  for (int i = 0; i < 16; ++i)
    picture.SetPaletteEntry(
        i, {static_cast<std::uint8_t>(16 * i + 1), static_cast<std::uint8_t>(255 - i), 7, 0});
  picture.SetPaletteCount(16);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixelIndex(x, y, (x + 2 * y) % 16);
  return picture;
}

// Saves `picture` as a BMP file of `dir` and returns its path.
inline std::string WritePicture(const TempDir& dir, std::string_view name, const Bitmap& picture) {
  const std::string path = dir.File(name);
  EXPECT_TRUE(WriteBmpFile(picture, path).ok()) << path;
  return path;
}

// The picture of a BMP file; an empty one, and a failed test, when it cannot
// be read.
inline Bitmap LoadBmp(const std::string& path) {
  BitmapResult r = ReadBmpFile(path);
  EXPECT_TRUE(r.ok()) << path << ": " << r.error;
  return r.ok() ? std::move(*r.bitmap) : Bitmap();
}

// A state with `picture`, a palette of distinct colours, border colour 3 and
// no blank sectors.
inline AuthoringState StateWith(Bitmap picture) {
  AuthoringState state;
  state.picture = std::move(picture);
  for (int i = 0; i < kUsedPaletteEntries; ++i)
    state.palette.entries[i] =
        PaletteEntry{static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 16),
                     static_cast<std::uint8_t>(i * 8), 1};
  state.borderIndex = 3;
  state.blank = 0;
  return state;
}

// The packs (one a tile) that paint a picture of two-colour tiles, so every
// inner tile shows its own pair of colours; border colour 3.
inline std::vector<std::uint8_t> TwoColourTileStream() {
  AuthoringState state = StateWith(MakePicture([](int x, int y) {
    if (x < kVisibleLeft || x >= kVisibleLeft + kVisibleWidth || y < kVisibleTop ||
        y >= kVisibleTop + kVisibleHeight)
      return 3;
    return (x + y) % 2 ? (x / kTileWidth) % kColourCount : (y / kTileHeight + 5) % kColourCount;
  }));
  state.optimize = kOptimizeTile;
  TSubCodeErrorCorrect ecc;
  std::vector<std::uint8_t> stream;
  std::int64_t packs = 0;
  EXPECT_TRUE(BuildPackStream(state, ecc, stream, packs));
  return stream;
}

}  // namespace mosaicer::testing
