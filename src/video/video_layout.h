// Where the CD+G screen goes in a video frame, and which sectors each frame
// shows. The screen is enlarged by the largest whole multiple that fits
// (every CD+G pixel becomes an equal square block), then by the smallest
// smooth step to the size asked for, keeping its aspect, centred on black.
#pragma once

#include <cstdint>

namespace mosaicer {

struct VideoGeometry {
  int sourceWidth = 0, sourceHeight = 0;  // 300 x 216, or 288 x 192 without the border
  int multiple = 1;                       // the whole-multiple enlargement
  int placedX = 0, placedY = 0;           // the picture's place in the frame (even)
  int placedWidth = 0, placedHeight = 0;  // its size after the smooth step (even)
};

// The geometry for a frame of width x height (both even and positive).
VideoGeometry PlanVideoGeometry(int frameWidth, int frameHeight, bool border);

// Frames of a title of `sectors` sectors at `fps` frames per second: the
// last frame starts before the title ends.
std::int64_t VideoFrameCount(std::int64_t sectors, int fps);

// Sectors whose packs frame `frame` shows: every sector that ends at or
// before the frame's time frame / fps (75 sectors a second, integers only,
// so an hour drifts by nothing).
std::int64_t SectorsBeforeFrame(std::int64_t frame, int fps);

}  // namespace mosaicer
