// Tiles of a 300 x 216 screen image, for the windows that paint tile by tile.
#pragma once

#include <QImage>

#include "core/subcode_pack.h"

namespace mosaicer::testing {

inline QImage Tile(const QImage& image, int col, int row) {
  return image.copy(col * kTileWidth, row * kTileHeight, kTileWidth, kTileHeight);
}

// A tile of one colour.
inline QImage Filled(QRgb colour) {
  QImage tile(kTileWidth, kTileHeight, QImage::Format_RGB32);
  tile.fill(colour);
  return tile;
}

}  // namespace mosaicer::testing
