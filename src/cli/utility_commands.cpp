// divide and combine: the CD+G utility's two operations. They run to their
// end as in the utility window, so Ctrl-C keeps its usual meaning (the
// process stops, partial outputs stay) instead of asking for a cancel that
// nothing would honour.
#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "authoring/messages.h"
#include "cli/commands.h"
#include "cli/output_check.h"
#include "utility/divide_combine.h"
#include "utility/utility_messages.h"

namespace mosaicer::cli {
namespace {

constexpr int kBarWidth = 40;

// Draws the operation's progress bar on stderr as the steps come in, on the
// operation's own thread.
class StepBar {
 public:
  StepBar(std::ostream& err, bool show) : err_(err), show_(show) {}

  void Attach(TJobOwner& owner) {
    if (show_) owner.SetProgressCallback(&Callback, this);
  }

 private:
  static int Callback(std::int8_t code, int value, void* context) {
    auto* self = static_cast<StepBar*>(context);
    switch (code) {
      case kProgressSteps:
        self->total_ = value;
        self->done_ = 0;
        break;
      case kProgressStep:
        ++self->done_;
        break;
      case kProgressAllSteps:
        self->done_ = self->total_;
        break;
      case kProgressDone:
      case kProgressFailed:
        if (self->drawn_ >= 0) self->err_ << "\n" << std::flush;
        return 0;
      default:
        return 0;
    }
    self->Draw();
    return 0;
  }

  void Draw() {
    // The last block of a divide (and the last partial sector of a combine)
    // is a step beyond the announced maximum: the bar stays full.
    const int done = std::min(done_, total_);
    const int filled =
        total_ > 0 ? static_cast<int>(std::int64_t{done} * kBarWidth / total_) : kBarWidth;
    if (filled == drawn_ && done != total_) return;  // redraw only when the bar moves
    drawn_ = filled;
    err_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] "
         << done << "/" << total_ << std::flush;
  }

  std::ostream& err_;
  bool show_;
  int total_ = 0;
  int done_ = 0;
  int drawn_ = -1;
};

bool ShowBar(const Io& io) { return !io.quiet && ::isatty(STDERR_FILENO) == 1; }

int Report(Io& io, const UtilityResult& result, const char* succeeded, const char* failed) {
  if (!result.ok()) return Failure(io, std::string(failed) + ": " + result.error);
  if (!io.quiet) io.out << succeeded << "\n";
  return kExitSuccess;
}

int RunDivide(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "divide", "give one INPUT.cdg");
  DivideRequest request;
  request.cdgPath = files[0];
  if (!OutputPath(args, io, "divide", request.rwsPath)) return kExitUsage;
  request.writeWav = args.Has("wav");
  request.wavPath = args.Value("wav");
  if (request.writeWav && request.wavPath.empty())
    return UsageError(io, "divide", "--wav needs a file name");
  if (const int status = CheckOutput(io, request.rwsPath, args.Has("force"))) return status;
  if (request.writeWav)
    if (const int status = CheckOutput(io, request.wavPath, args.Has("force"))) return status;

  TJobOwner owner;
  StepBar bar(io.err, ShowBar(io));
  bar.Attach(owner);
  return Report(io, Divide(request, &owner), kDivideSucceeded, kDivideFailed);
}

int RunCombine(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 2) return UsageError(io, "combine", "give INPUT.rws and INPUT.wav");
  CombineRequest request;
  request.rwsPath = files[0];
  request.wavPath = files[1];
  if (!OutputPath(args, io, "combine", request.cdgPath)) return kExitUsage;
  if (const int status = CheckOutput(io, request.cdgPath, args.Has("force"))) return status;

  TJobOwner owner;
  StepBar bar(io.err, ShowBar(io));
  bar.Attach(owner);
  const UtilityResult result = Combine(request, &owner);
  if (result.outcome == UtilityOutcome::NotCdAudio)
    return Failure(io, NotCdAudioMessage(request.wavPath));
  return Report(io, result, kCombineSucceeded, kCombineFailed);
}

}  // namespace

Command DivideCommand() {
  return Command{"divide",
                 "mosaicer divide INPUT.cdg -o OUT.rws [--wav OUT.wav]\n\n"
                 "  -o OUT.rws      the subcode of every sector (96 bytes each)\n"
                 "  --wav OUT.wav   the audio as a 16-bit 44.1 kHz stereo WAV (none without it)",
                 "split a CDG file into its subcode (RWS) and, optionally, its audio (WAV)",
                 {{"wav", 0, true}},
                 RunDivide};
}

Command CombineCommand() {
  return Command{"combine",
                 "mosaicer combine INPUT.rws INPUT.wav -o OUT.cdg\n\n"
                 "  short audio is padded with silence, short subcode with zero bytes",
                 "join an RWS file and a 16-bit 44.1 kHz stereo WAV into a CDG file",
                 {},
                 RunCombine};
}

}  // namespace mosaicer::cli
