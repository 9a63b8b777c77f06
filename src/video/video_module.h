// Loads the video encoding module on demand and makes its sink.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "video/video_sink.h"

namespace mosaicer {

class VideoSinkHandle {
 public:
  VideoSinkHandle() = default;
  VideoSinkHandle(const VideoSinkHandle&) = delete;
  VideoSinkHandle& operator=(const VideoSinkHandle&) = delete;
  VideoSinkHandle(VideoSinkHandle&& other) noexcept;
  VideoSinkHandle& operator=(VideoSinkHandle&& other) noexcept;
  ~VideoSinkHandle();

  // Loads `module` (a shared object) and makes a sink from it; on failure
  // the handle holds no sink and error() says why.
  static VideoSinkHandle Load(const std::filesystem::path& module);
  // The module beside the program, or in the installation's module folder,
  // or the one MOSAICER_VIDEO_MODULE names.
  static std::filesystem::path DefaultModule();

  VideoSink* get() const { return sink_.get(); }
  const std::string& error() const { return error_; }

 private:
  void Release();
  void* library_ = nullptr;
  std::unique_ptr<VideoSink> sink_;
  std::string error_;
};

}  // namespace mosaicer
