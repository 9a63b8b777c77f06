// Drawing a platform Bitmap on screen: the windows convert it to a QImage,
// since the bitmap layer itself stays free of Qt.
#pragma once

#include <QImage>

#include "platform/bitmap.h"

namespace mosaicer {

// The colours of `bitmap` (1, 4, 8 or 24 bits; indexed pixels through its
// palette) as a Format_RGB32 image of the same size. An empty bitmap gives
// a null image.
QImage ToQImage(const Bitmap& bitmap);

}  // namespace mosaicer
