// video: a CD+G title (CDG file, bare subcode, MP3+G pair or zip) as an MP4 or Matroska video (H.264 and AAC), frame by
// frame exact, through the encoder module loaded for it alone.
#include <unistd.h>

#include <ostream>

#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/output_check.h"
#include "cli/progress.h"
#include "cli/title_input.h"
#include "cli/values.h"
#include "platform/language.h"
#include "video/video_export.h"
#include "video/video_module.h"

namespace mosaicer::cli {
namespace {

constexpr int kMaxVideoSide = 4096;
constexpr int kMaxFps = 60;
constexpr int kMaxCrf = 51;
constexpr long long kMinAudioKbps = 32, kMaxAudioKbps = 512;

// "192k", "192000" or "192" (kbit/s) as bits a second; nothing when out of range.
std::optional<int> ParseBitrate(std::string text) {
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) text.pop_back();
  const auto n = ParseInteger(text, 1, kMaxAudioKbps * 1000);
  if (!n) return std::nullopt;
  const long long bits = *n <= kMaxAudioKbps ? *n * 1000 : *n;
  if (bits < kMinAudioKbps * 1000 || bits > kMaxAudioKbps * 1000) return std::nullopt;
  return static_cast<int>(bits);
}

int RunVideo(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "video", Tr("give exactly one INPUT file"));
  const std::string& input = files[0];
  std::string output;
  if (!OutputPath(args, io, "video", output)) return kExitUsage;
  if (VideoContainerFor(output).empty())
    return UsageError(io, "video", Tr("the output must end in .mp4, .m4v or .mkv"));
  if (args.Has("border") && args.Has("no-border"))
    return UsageError(io, "video", Tr("give --border or --no-border, not both"));

  VideoOptions options;
  options.border = !args.Has("no-border");
  if (args.Has("size")) {
    const auto size = ParseSizeValue(args.Value("size"), kMaxVideoSide);
    if (!size || size->width % 2 != 0 || size->height % 2 != 0 || size->width < 16 ||
        size->height < 16)
      return UsageError(io, "video", Tr("--size must be WxH, even numbers from 16 to 4096"));
    options.width = size->width;
    options.height = size->height;
  }
  if (args.Has("fps")) {
    const auto fps = ParseInteger(args.Value("fps"), 1, kMaxFps);
    if (!fps) return UsageError(io, "video", Tr("--fps must be 1 to 60"));
    options.fps = static_cast<int>(*fps);
  }
  if (args.Has("crf")) {
    const auto crf = ParseInteger(args.Value("crf"), 0, kMaxCrf);
    if (!crf) return UsageError(io, "video", Tr("--crf must be 0 to 51"));
    options.crf = static_cast<int>(*crf);
  }
  if (args.Has("audio-bitrate")) {
    const auto bits = ParseBitrate(args.Value("audio-bitrate"));
    if (!bits) return UsageError(io, "video", Tr("--audio-bitrate must be 32k to 512k"));
    options.audioBitrate = *bits;
  }

  if (const int status = CheckOutputsAreNotInputs(io, {output}, {input})) return status;
  TitleInput source;
  if (const int status = OpenTitleInput(args, io, "video", input, source)) return status;
  if (const int status = CheckOutput(io, output, args.Has("force"))) return status;

  VideoSinkHandle sink = VideoSinkHandle::Load(VideoSinkHandle::DefaultModule());
  if (sink.get() == nullptr) return Failure(io, sink.error());
  TJobOwner owner;
  TerminalProgress bar(io.err, !io.quiet && ::isatty(STDERR_FILENO) == 1, true);
  bar.Attach(owner);
  const VideoResult result = ExportVideo(*source.title, options, output, *sink.get(), &owner);
  switch (result.outcome) {
    case VideoOutcome::Made:
      if (!io.quiet)
        io.out << Format(Tr("The video was made: %1 frames."), {std::to_string(result.frames)})
               << "\n";
      return kExitSuccess;
    case VideoOutcome::Cancelled:
      io.err << "mosaicer: "
             << Format(Tr("stopped after %1 frames; no video was written"),
                       {std::to_string(result.frames)})
             << "\n";
      return kExitCancelled;
    case VideoOutcome::Failed:
      break;
  }
  return Failure(io, result.error);
}

}  // namespace

Command VideoCommand() {
  return Command{
      "video",
      "mosaicer video INPUT -o OUT.mp4|OUT.mkv [--size WxH] [--fps N] [--crf Q]\n"
      "               [--audio-bitrate B] [--border|--no-border] [--format cdg|rws]",
      N_("make an MP4 or Matroska video (H.264 + AAC) of a CDG file, bare subcode or MP3+G title"),
      {{"size", 0, true},
       {"fps", 0, true},
       {"crf", 0, true},
       {"audio-bitrate", 0, true},
       {"border", 0, false},
       {"no-border", 0, false},
       {"format", 0, true}},
      RunVideo,
      {N_("  --size WxH          frame size, even numbers (default 1280x720)\n"
          "  --fps N             frames a second, 1 to 60 (default 30)\n"
          "  --crf Q             H.264 quality, 0 (best) to 51 (default 18)\n"
          "  --audio-bitrate B   AAC bit rate, 32k to 512k (default 192k)\n"
          "  --no-border         show only the 288x192 inner area, not the border")}};
}

}  // namespace mosaicer::cli
