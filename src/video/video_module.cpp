#include "video/video_module.h"

#include <dlfcn.h>

#include <system_error>
#include <utility>

#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr const char* kModuleName = "mosaicer-video-ffmpeg.so";

}  // namespace

VideoSinkHandle::VideoSinkHandle(VideoSinkHandle&& other) noexcept
    : library_(std::exchange(other.library_, nullptr)),
      sink_(std::move(other.sink_)),
      error_(std::move(other.error_)) {}

VideoSinkHandle& VideoSinkHandle::operator=(VideoSinkHandle&& other) noexcept {
  if (this != &other) {
    Release();
    library_ = std::exchange(other.library_, nullptr);
    sink_ = std::move(other.sink_);
    error_ = std::move(other.error_);
  }
  return *this;
}

VideoSinkHandle::~VideoSinkHandle() { Release(); }

void VideoSinkHandle::Release() {
  sink_.reset();  // its code lives in the library: gone before it
  if (library_ != nullptr) ::dlclose(library_);
  library_ = nullptr;
}

VideoSinkHandle VideoSinkHandle::Load(const std::filesystem::path& module) {
  VideoSinkHandle handle;
  handle.library_ = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle.library_ == nullptr) {
    const char* why = ::dlerror();
    handle.error_ = "cannot load the video encoder \"" + module.string() +
                    "\": " + (why != nullptr ? why : "unknown reason");
    return handle;
  }
  auto make = reinterpret_cast<MosaicerMakeVideoSink>(
      ::dlsym(handle.library_, "mosaicer_make_video_sink"));
  if (make != nullptr) handle.sink_.reset(make());
  if (handle.sink_ == nullptr)
    handle.error_ = "\"" + module.string() + "\" is not a video encoder module";
  return handle;
}

std::filesystem::path VideoSinkHandle::DefaultModule() {
  if (std::string named = ProcessEnvironment("MOSAICER_VIDEO_MODULE"); !named.empty())
    return named;
  const std::filesystem::path folder = ProgramPath().parent_path();
  std::error_code error;
  if (std::filesystem::exists(folder / kModuleName, error)) return folder / kModuleName;
  return (folder / MOSAICER_MODULE_RELDIR / kModuleName).lexically_normal();
}

}  // namespace mosaicer
