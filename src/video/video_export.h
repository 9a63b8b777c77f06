// A CD+G title made into a video: the decoder's screen frame by frame at a
// steady rate, with the title's audio, through a VideoSink.
#pragma once

#include <cstdint>
#include <string>

#include "authoring/job_owner.h"
#include "title/title_source.h"
#include "video/video_sink.h"

namespace mosaicer {

struct VideoOptions {
  int width = 1280, height = 720;  // even
  int fps = 30;
  int crf = 18;
  int audioBitrate = 192000;
  bool border = true;  // the whole 300 x 216 screen, or only its 288 x 192 inner area
};

enum class VideoOutcome { Made, Cancelled, Failed };

struct VideoResult {
  VideoOutcome outcome = VideoOutcome::Failed;
  std::string error;  // the reason, naming the file, when it failed
  std::int64_t frames = 0;
};

// The muxer for an output's extension (".mp4", ".m4v", ".mkv"), or "".
std::string VideoContainerFor(const std::string& outputPath);

// Writes the video of `title` (read from its start) to `outputPath` (under a temporary name,
// renamed at the end; removed when cancelled or failed). Reports steps (one
// per frame) through `progress` and stops when it requests a cancel.
VideoResult ExportVideo(TitleSource& title, const VideoOptions& options,
                        const std::string& outputPath, VideoSink& sink,
                        TJobOwner* progress = nullptr);

}  // namespace mosaicer
