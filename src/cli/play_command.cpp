// play: a title's audio (a CDG file, an MP3+G pair or zip) through the player source, with the elapsed
// time on a terminal; Ctrl-C stops.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ostream>

#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/title_input.h"
#include "cli/interrupt.h"
#include "core/subcode_pack.h"
#include "platform/auto_reset_event.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "player/cdg_in.h"
#include "player/stereo_changer.h"

namespace mosaicer::cli {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(200);

// What the worker reports, read by the waiting thread.
struct Listener {
  std::atomic<std::int64_t> sectors{0};
  std::atomic<bool> stopped{false};
  std::atomic<bool> failed{false};
  AutoResetEvent wake;

  static void Proc(std::uint8_t event, std::intptr_t value, void* user) {
    auto* self = static_cast<Listener*>(user);
    switch (event) {
      case kCdgInStep:
        self->sectors += value;
        break;
      case kCdgInFailed:
        self->failed = true;
        self->stopped = true;
        self->wake.Set();
        break;
      case kCdgInStopped:
        self->stopped = true;
        self->wake.Set();
        break;
      default:
        break;
    }
  }
};

std::string Clock(std::int64_t sectors) {
  const std::int64_t seconds = sectors / kSectorsPerSecond;
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

int RunPlay(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "play", Tr("give one INPUT file"));
  const std::string& input = files[0];
  TitleInput source;
  if (const int status = OpenTitleInput(args, io, "play", input, source, SubcodeUse::CdgOnly))
    return status;
  source.title.reset();  // the player opens it again on its own thread

  // The listener outlives the player, whose worker may still be inside
  // Listener::Proc when the waiting loop has seen the stop.
  Listener listener;
  TCdgIn player;
  const std::string device = args.Value("device", "default");
  if (device == "null") {
    player.Output().UseDevice(CreateWaveDevice(true));
  } else if (device != "default") {
    const auto number = ParseInteger(device, 0, 1 << 16);
    if (!number) return UsageError(io, "play", Tr("--device must be default, null or a number"));
    if (!player.Output().SetDevice(static_cast<int>(*number)))
      return Failure(io, Format(Tr("there is no audio device %1"), {device}));
  }
  if (args.Has("stereo")) {
    const auto mode = ParseInteger(args.Value("stereo"), 0, kStereoModeCount - 1);
    if (!mode) return UsageError(io, "play", Tr("--stereo must be 0..4"));
    player.SetStereoMode(static_cast<std::int8_t>(*mode));
  }
  std::uint8_t readAtOnce = TCdgIn::kDefaultReadAtOnce;
  if (args.Has("read-at-once")) {
    const auto n = ParseInteger(args.Value("read-at-once"), 1, 255);
    if (!n) return UsageError(io, "play", Tr("--read-at-once must be 1..255"));
    readAtOnce = static_cast<std::uint8_t>(*n);
  }
  player.SetProc(&Listener::Proc, &listener);
  player.SetFileName(input);
  if (source.disc) player.SetTitleOpener(source.reopen);
  player.SetReadAtOnce(readAtOnce);
  player.SetOnMemory(args.Has("on-memory"));
  player.SetRepeat(args.Has("repeat"));

  InterruptScope interrupt;
  if (!player.Play()) return Failure(io, Tr("cannot open the audio output"));
  const bool show = !io.quiet && ::isatty(STDERR_FILENO) == 1;
  bool interrupted = false;
  while (!listener.stopped) {
    listener.wake.WaitFor(kRedraw);
    if (InterruptScope::Interrupted() && !interrupted) {
      interrupted = true;
      player.Stop();
    }
    if (show) io.err << "\r" << Clock(listener.sectors) << std::flush;
  }
  if (show) io.err << "\r" << Clock(listener.sectors) << "\n";
  if (listener.failed)
    return Failure(io, Format(Tr("cannot read %1: playback stopped"), {source.disc ? Format(Tr("track %1 of %2"), {args.Value("track"), IoStatus::Quoted(input)})
                                 : IoStatus::Quoted(input)}));
  return interrupted ? kExitCancelled : kExitSuccess;
}

}  // namespace

Command PlayCommand() {
  return Command{
      "play",
      "mosaicer play INPUT [--device default|null|N] [--stereo 0..4]\n"
      "                    [--read-at-once N] [--on-memory] [--repeat]\n"
      "       mosaicer play DRIVE --track N [same options]",
      N_("play the audio of a CDG file, an MP3+G pair or zip, or a disc track (Ctrl-C stops)"),
      {{"device", 0, true},
       {"stereo", 0, true},
       {"read-at-once", 0, true},
       {"on-memory", 0, false},
       {"repeat", 0, false},
       {"track", 0, true}},
      RunPlay,
      {N_("  INPUT             a CDG file, an MP3+G zip, or an MP3+G .cdg with its song "
          "beside it\n"
          "  --device          audio device: the system's default, null (silent, in real "
          "time) or a number\n"
          "  --stereo 0..4     stereo, mono left, mono right, mono L+R, mono L-R (0)\n"
          "  --read-at-once N  sectors read and played per step (10)\n"
          "  --on-memory       load the whole file into memory first\n"
          "  --repeat          start again at the end"),
       kTrackOptionHelp}};
}

}  // namespace mosaicer::cli
