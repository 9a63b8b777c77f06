#include "video/video_export.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

#include "core/subcode_pack.h"
#include "platform/io_status.h"
#include "platform/language.h"
#include "platform/output_file.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"
#include "video/video_layout.h"

namespace mosaicer {
namespace {

constexpr std::size_t kSectorsPerRead = 1024;
constexpr std::size_t kFramesPerSector = kAudioBytesPerSector / 4;  // 588 stereo frames

// The in-memory screen, noting whether anything was painted since it was
// last looked at.
class WatchedCanvas final : public CdgCanvas {
 public:
  explicit WatchedCanvas(RgbCanvas& screen) : screen_(screen) {}
  void FillRect(const CdgRect& rect, Rgb colour) override {
    screen_.FillRect(rect, colour);
    changed_ = true;
  }
  void CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                   const CdgRect& dest) override {
    screen_.CopyIndexed(pixels, source, colours, dest);
    changed_ = true;
  }
  bool TakeChanged() { return std::exchange(changed_, false); }

 private:
  RgbCanvas& screen_;
  bool changed_ = true;
};

// Enlarges the screen (or its inner area) by a whole multiple: each pixel
// becomes a multiple x multiple block.
void Enlarge(const RgbCanvas& screen, const VideoGeometry& g, std::vector<std::uint32_t>& out) {
  const int left = g.sourceWidth == kScreenWidth ? 0 : kVisibleLeft;
  const int top = g.sourceHeight == kScreenHeight ? 0 : kVisibleTop;
  const int m = g.multiple;
  const std::size_t width = static_cast<std::size_t>(g.sourceWidth) * m;
  out.resize(width * g.sourceHeight * m);
  for (int y = 0; y < g.sourceHeight; ++y) {
    std::uint32_t* row = out.data() + static_cast<std::size_t>(y) * m * width;
    const std::uint32_t* from = screen.Row(top + y) + left;
    for (int x = 0; x < g.sourceWidth; ++x) std::fill_n(row + x * m, m, from[x]);
    for (int r = 1; r < m; ++r) std::copy_n(row, width, row + r * width);
  }
}

// Reads the title a block of sectors at a time.
class TitleReader {
 public:
  explicit TitleReader(TitleSource& title)
      : title_(title), audio_(kAudioBytesPerSector * kSectorsPerRead),
        subcode_(kSubcodeBytesPerSector * kSectorsPerRead) {}
  // The next sector's audio and subcode, or false with `status` set.
  bool Next(const std::uint8_t*& audio, const std::uint8_t*& subcode, IoStatus& status) {
    if (at_ == held_) {
      const std::uint64_t left = title_.Sectors() - title_.Position();
      held_ = static_cast<std::size_t>(std::min<std::uint64_t>(left, kSectorsPerRead));
      at_ = 0;
      if (held_ == 0) {
        status = IoStatus::Failed("cannot read " + IoStatus::Quoted(title_.Info().path) +
                                  ": the title ended early");
        return false;
      }
      if (IoStatus read = title_.Read(held_, audio_.data(), subcode_.data()); !read) {
        status = read;
        return false;
      }
    }
    audio = audio_.data() + kAudioBytesPerSector * at_;
    subcode = subcode_.data() + kSubcodeBytesPerSector * at_;
    ++at_;
    return true;
  }

 private:
  TitleSource& title_;
  std::vector<std::uint8_t> audio_, subcode_;
  std::size_t held_ = 0, at_ = 0;
};

// The encoder's reason as a failure to write the output.
IoStatus SinkFailure(const std::string& outputPath, const std::string& why) {
  return IoStatus::Failed(Format(Tr("cannot write %1: %2"), {IoStatus::Quoted(outputPath), why}));
}

// The job's end after `cause` (which names its file): the temporary file
// goes, and the message says what is left on disk.
VideoResult Failed(OutputFile& out, const IoStatus& cause) {
  out.Discard();
  VideoResult result;
  result.error = cause.error() + "; " + out.UnchangedNote();
  return result;
}

}  // namespace

std::string VideoContainerFor(const std::string& outputPath) {
  std::string ext = std::filesystem::path(outputPath).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".mp4" || ext == ".m4v") return "mp4";
  if (ext == ".mkv") return "matroska";
  return "";
}

VideoResult ExportVideo(TitleSource& title, const VideoOptions& options,
                        const std::string& outputPath, VideoSink& sink, TJobOwner* progress) {
  OutputFile out;
  if (IoStatus opened = out.Open(outputPath); !opened) return Failed(out, opened);
  if (IoStatus start = title.Seek(0); !start) return Failed(out, start);
  TitleReader reader(title);

  const VideoGeometry g = PlanVideoGeometry(options.width, options.height, options.border);
  VideoSinkSettings settings;
  settings.path = out.TempPath().string();
  settings.container = VideoContainerFor(outputPath);
  settings.width = options.width;
  settings.height = options.height;
  settings.fps = options.fps;
  settings.crf = options.crf;
  settings.audioBitrate = options.audioBitrate;
  settings.placedX = g.placedX;
  settings.placedY = g.placedY;
  settings.placedWidth = g.placedWidth;
  settings.placedHeight = g.placedHeight;
  if (std::string e = sink.Open(settings); !e.empty())
    return Failed(out, SinkFailure(outputPath, e));

  RgbCanvas screen(kScreenWidth, kScreenHeight);
  WatchedCanvas watched(screen);
  TNkCdgDecoder decoder;
  decoder.Attach(&watched);
  decoder.Reset();
  std::vector<std::uint32_t> enlarged;
  std::vector<std::int16_t> audio(kFramesPerSector * 2);
  std::int64_t decoded = 0;
  IoStatus status = IoStatus::Ok();
  // Decodes (and hands the audio of) sectors up to `target`.
  const auto decodeTo = [&](std::int64_t target) {
    for (; decoded < target; ++decoded) {
      const std::uint8_t* sound = nullptr;
      const std::uint8_t* packs = nullptr;
      if (!reader.Next(sound, packs, status)) return false;
      decoder.Decode(packs, kPacksPerSector);
      for (std::size_t i = 0; i < audio.size(); ++i)  // CD audio is little-endian
        audio[i] = static_cast<std::int16_t>(sound[2 * i] | sound[2 * i + 1] << 8);
      if (std::string e = sink.AddAudio(audio.data(), kFramesPerSector); !e.empty()) {
        status = SinkFailure(outputPath, e);
        return false;
      }
    }
    return true;
  };

  const auto sectors = static_cast<std::int64_t>(title.Sectors());
  const std::int64_t frames = VideoFrameCount(sectors, options.fps);
  if (progress != nullptr)
    progress->Report(kProgressSteps, static_cast<int>(std::min<std::int64_t>(frames, INT_MAX)));
  VideoResult result;
  for (std::int64_t f = 0; f < frames; ++f) {
    if (progress != nullptr && progress->CancelRequested()) {
      out.Discard();
      result.outcome = VideoOutcome::Cancelled;
      result.frames = f;
      return result;
    }
    if (!decodeTo(std::min(sectors, SectorsBeforeFrame(f, options.fps))))
      return Failed(out, status);
    const bool changed = watched.TakeChanged();
    if (changed || enlarged.empty()) Enlarge(screen, g, enlarged);
    if (std::string e = sink.AddFrame(enlarged.data(), g.sourceWidth * g.multiple,
                                      g.sourceHeight * g.multiple, changed);
        !e.empty())
      return Failed(out, SinkFailure(outputPath, e));
    if (progress != nullptr) progress->Report(kProgressStep);
  }
  if (!decodeTo(sectors)) return Failed(out, status);
  if (std::string e = sink.Finish(); !e.empty())
    return Failed(out, SinkFailure(outputPath, e));
  if (IoStatus committed = out.Commit(); !committed)
    return Failed(out, committed);
  if (progress != nullptr) progress->Report(kProgressAllSteps);
  result.outcome = VideoOutcome::Made;
  result.frames = frames;
  return result;
}

}  // namespace mosaicer
