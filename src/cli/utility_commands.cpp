// divide and combine: the CD+G utility's two operations. Ctrl-C (or SIGTERM,
// SIGHUP) stops them; what was done so far is kept under the outputs' names.
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include "authoring/messages.h"
#include "cli/commands.h"
#include "cli/format_option.h"
#include "cli/output_check.h"
#include "cli/progress.h"
#include "cli/title_input.h"
#include "cli/title_output.h"
#include "platform/language.h"
#include "utility/divide_combine.h"
#include "utility/utility_messages.h"

namespace mosaicer::cli {
namespace {

std::vector<OptionDef> Join(std::vector<OptionDef> a, const std::vector<OptionDef>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bool ShowBar(const Io& io) { return !io.quiet && ::isatty(STDERR_FILENO) == 1; }

int Report(Io& io, const UtilityResult& result, const TrText& succeeded, const TrText& failed) {
  if (result.outcome == UtilityOutcome::Cancelled) {
    io.err << "mosaicer: "
           << Format(Tr("stopped after %1 sectors; the output files hold them"),
                     {std::to_string(result.sectors)})
           << "\n";
    return kExitCancelled;
  }
  if (!result.ok()) return Failure(io, std::string(failed) + ": " + result.error);
  if (!io.quiet) io.out << succeeded << "\n";
  return kExitSuccess;
}

// The song file a title reads beside its subcode; empty when it has none
// (a zip's song is an entry of the archive, not a file).
std::string SongFileOf(const TitleSource& title) {
  return title.Info().kind == TitleKind::Pair ? title.Info().audioName : std::string();
}

// divide -o OUT.zip or a pair: the title rewritten as MP3+G.
int DivideToMp3g(const Args& args, Io& io, const std::string& input, const TitleOutput& output) {
  if (args.Has("wav")) return UsageError(io, "divide", Tr("--wav goes with an RWS output only"));
  if (const int status = CheckOutputsAreNotInputs(io, OutputFiles(output), {input})) return status;
  TitleInput source;
  if (const int status = OpenTitleInput(args, io, "divide", input, source, SubcodeUse::CdgOnly))
    return status;
  if (source.disc)
    if (const int status = CheckOutputsAreNotInputs(io, OutputFiles(output), source.files))
      return status;
  if (const int status = CheckMp3gOutput(args, io, output, {input, SongFileOf(*source.title)}))
    return status;
  if (const int status = WriteMp3g(io, *source.title, output)) return status;
  if (!io.quiet) io.out << kDivideSucceeded << "\n";
  return kExitSuccess;
}

int RunDivide(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1)
    return UsageError(io, "divide", Tr("give one INPUT.cdg (or one DRIVE with --track)"));
  DivideRequest request;
  request.cdgPath = files[0];
  if (!OutputPath(args, io, "divide", request.rwsPath)) return kExitUsage;
  request.writeWav = args.Has("wav");
  request.wavPath = args.Value("wav");
  if (request.writeWav && request.wavPath.empty())
    return UsageError(io, "divide", Tr("--wav needs a file name"));
  std::optional<TitleOutput> mp3g;
  if (const int status = ReadMp3gOutput(args, io, "divide", request.rwsPath, mp3g)) return status;
  if (mp3g) return DivideToMp3g(args, io, request.cdgPath, *mp3g);
  if (const int status =
          CheckOutputsAreNotInputs(io, {request.rwsPath, request.wavPath}, {request.cdgPath}))
    return status;
  TitleInput source;
  if (const int status =
          OpenTitleInput(args, io, "divide", request.cdgPath, source, SubcodeUse::CdgOnly))
    return status;
  // A CDG file is read by the divide itself; a pair or a zip through its title.
  if (source.title->Info().kind != TitleKind::CdgFile) {
    std::vector<std::string> inputs = source.disc ? source.files : std::vector<std::string>{};
    inputs.push_back(SongFileOf(*source.title));
    if (const int status =
            CheckOutputsAreNotInputs(io, {request.rwsPath, request.wavPath}, inputs))
      return status;
    request.title = source.title.get();
  }
  if (const int status = CheckOutput(io, request.rwsPath, args.Has("force"))) return status;
  if (request.writeWav)
    if (const int status = CheckOutput(io, request.wavPath, args.Has("force"))) return status;

  TJobOwner owner;
  TerminalProgress bar(io.err, ShowBar(io), true);
  bar.Attach(owner);
  return Report(io, Divide(request, &owner), kDivideSucceeded, kDivideFailed);
}

int RunCombine(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 2) return UsageError(io, "combine", Tr("give INPUT.rws and INPUT.wav"));
  CombineRequest request;
  request.rwsPath = files[0];
  request.wavPath = files[1];
  if (!OutputPath(args, io, "combine", request.cdgPath)) return kExitUsage;
  std::optional<TitleOutput> mp3g;
  if (const int status = ReadMp3gOutput(args, io, "combine", request.cdgPath, mp3g)) return status;
  if (mp3g) {
    const std::vector<std::string> inputs = {request.rwsPath, request.wavPath};
    if (const int status = CheckOutputsAreNotInputs(io, OutputFiles(*mp3g), inputs)) return status;
    if (const int status = CheckInput(io, request.rwsPath)) return status;
    TitleOpenResult title = OpenSubcodeTitle(request.rwsPath, request.wavPath);
    if (!title.ok()) return Failure(io, std::string(kCombineFailed) + ": " + title.error);
    if (const int status = CheckMp3gOutput(args, io, *mp3g, inputs)) return status;
    if (const int status = WriteMp3g(io, *title.source, *mp3g)) return status;
    if (!io.quiet) io.out << kCombineSucceeded << "\n";
    return kExitSuccess;
  }
  if (const int status =
          CheckOutputsAreNotInputs(io, {request.cdgPath}, {request.rwsPath, request.wavPath}))
    return status;
  if (const int status = CheckInput(io, request.rwsPath)) return status;
  if (const int status = CheckInput(io, request.wavPath)) return status;
  if (const int status = CheckOutput(io, request.cdgPath, args.Has("force"))) return status;

  TJobOwner owner;
  TerminalProgress bar(io.err, ShowBar(io), true);
  bar.Attach(owner);
  const UtilityResult result = Combine(request, &owner);
  if (result.outcome == UtilityOutcome::NotCdAudio)
    return Failure(io, NotCdAudioMessage(request.wavPath));
  return Report(io, result, kCombineSucceeded, kCombineFailed);
}

}  // namespace

Command DivideCommand() {
  return Command{
      "divide",
      "mosaicer divide INPUT -o OUT.rws [--wav OUT.wav]\n"
      "       mosaicer divide INPUT -o OUT.zip|OUT.mp3|OUT.ogg|OUT.flac|OUT.wav\n"
      "       mosaicer divide DRIVE --track N -o OUT... (either kind)",
      N_("split a CDG file (or a disc track) into its subcode (RWS) and, optionally, its "
         "audio (WAV)"),
      Join({{"wav", 0, true}, {"track", 0, true}}, Mp3gOptions()),
      RunDivide,
      {N_("  INPUT           a CDG file, an MP3+G zip, or bare subcode with its song\n"
          "  -o OUT.rws      the subcode of every sector (96 bytes each)\n"
          "  --wav OUT.wav   the audio as a 16-bit 44.1 kHz stereo WAV (none without it)"),
       kTrackOptionHelp, kMp3gHelp}};
}

Command CombineCommand() {
  return Command{
      "combine",
      "mosaicer combine INPUT.rws INPUT.wav -o OUT.cdg|OUT.zip|OUT.mp3|...",
      N_("join an RWS file and a song (WAV, FLAC, Ogg, Opus, MP3) into a CDG file"),
      Mp3gOptions(),
      RunCombine,
      {N_("  short audio is padded with silence, short subcode with zero bytes"), kMp3gHelp}};
}

}  // namespace mosaicer::cli
