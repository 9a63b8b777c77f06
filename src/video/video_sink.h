// The encoder and container side of a video export, as the exporter sees
// it. The one implementation lives in a module that links FFmpeg's
// libraries and is loaded only when a video is made (video_module.h), so no
// other command pays for loading them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mosaicer {

struct VideoSinkSettings {
  std::string path;       // the file to write
  std::string container;  // a muxer name: "mp4" or "matroska"
  int width = 1280, height = 720;
  int fps = 30;
  int crf = 18;
  int audioBitrate = 192000;
  // Where the enlarged screen goes in the frame (even numbers); the rest of
  // the frame is black.
  int placedX = 0, placedY = 0, placedWidth = 0, placedHeight = 0;
};

class VideoSink {
 public:
  virtual ~VideoSink() = default;
  // Creates the file and its streams (H.264 video, AAC audio). The failure's
  // reason, or "".
  virtual std::string Open(const VideoSinkSettings& settings) = 0;
  // The next frame: `pixels` (0x00RRGGBB words, `width` x `height`, rows
  // top-down) is scaled smoothly into the placed rectangle. When `changed`
  // is false the pixels are those of the previous frame and its converted
  // picture is sent again.
  virtual std::string AddFrame(const std::uint32_t* pixels, int width, int height,
                               bool changed) = 0;
  // CD audio: `frames` frames of interleaved 16-bit stereo at 44.1 kHz.
  virtual std::string AddAudio(const std::int16_t* samples, std::size_t frames) = 0;
  // Flushes the encoders and finishes the file.
  virtual std::string Finish() = 0;
};

}  // namespace mosaicer

// The module's one entry point.
extern "C" {
using MosaicerMakeVideoSink = mosaicer::VideoSink* (*)();
}
