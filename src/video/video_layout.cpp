#include "video/video_layout.h"

#include <algorithm>

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

int EvenDown(int v) { return v & ~1; }

}  // namespace

VideoGeometry PlanVideoGeometry(int frameWidth, int frameHeight, bool border) {
  VideoGeometry g;
  g.sourceWidth = border ? kScreenWidth : kVisibleWidth;
  g.sourceHeight = border ? kScreenHeight : kVisibleHeight;
  g.multiple = std::max(1, std::min(frameWidth / g.sourceWidth, frameHeight / g.sourceHeight));
  // Fit the source's aspect into the frame: the full width when the frame is
  // relatively taller, the full height otherwise (cross-multiplied, exact).
  if (static_cast<std::int64_t>(frameWidth) * g.sourceHeight <=
      static_cast<std::int64_t>(frameHeight) * g.sourceWidth) {
    g.placedWidth = frameWidth;
    g.placedHeight = static_cast<int>(
        (static_cast<std::int64_t>(frameWidth) * g.sourceHeight + g.sourceWidth / 2) /
        g.sourceWidth);
  } else {
    g.placedHeight = frameHeight;
    g.placedWidth = static_cast<int>(
        (static_cast<std::int64_t>(frameHeight) * g.sourceWidth + g.sourceHeight / 2) /
        g.sourceHeight);
  }
  g.placedWidth = std::max(2, EvenDown(std::min(g.placedWidth, frameWidth)));
  g.placedHeight = std::max(2, EvenDown(std::min(g.placedHeight, frameHeight)));
  g.placedX = EvenDown((frameWidth - g.placedWidth) / 2);
  g.placedY = EvenDown((frameHeight - g.placedHeight) / 2);
  return g;
}

std::int64_t VideoFrameCount(std::int64_t sectors, int fps) {
  if (sectors <= 0 || fps <= 0) return 0;
  return (sectors * fps + kSectorsPerSecond - 1) / kSectorsPerSecond;
}

std::int64_t SectorsBeforeFrame(std::int64_t frame, int fps) {
  return fps <= 0 ? 0 : frame * kSectorsPerSecond / fps;
}

}  // namespace mosaicer
