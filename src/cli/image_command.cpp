// image: CD+G titles (CDG files, bare subcode, MP3+G pairs or zips) as a
// disc image, one track a title: CloneCD (.ccd + .img + .sub) to keep or
// mount, or a cdrdao .toc + .bin to burn.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "authoring/msf.h"
#include "cli/output_check.h"
#include "cli/progress.h"
#include "cli/title_input.h"
#include "disc/image_writer.h"
#include "platform/language.h"

namespace mosaicer::cli {
namespace {

constexpr double kMaxGapSeconds = 60;

// "2", "0.5": seconds as whole sectors; nothing for anything else.
std::optional<std::int64_t> ParseGap(const std::string& text) {
  std::size_t digits = 0, point = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      ++digits;
    else if (c == '.')
      ++point;
    else
      return std::nullopt;
  }
  if (digits == 0 || point > 1 || text.size() > 12) return std::nullopt;
  const double seconds = std::stod(text);
  if (seconds > kMaxGapSeconds) return std::nullopt;
  return static_cast<std::int64_t>(std::lround(seconds * kSectorsPerSecond));
}

// The disc's running time at its lead-out: its sectors and the two seconds
// before the first track.
std::string DiscTime(std::int64_t sectors) { return MsfText(sectors + kLeadInOffset); }

int RunImage(const Args& args, Io& io) {
  const auto& inputs = args.Positionals();
  if (inputs.empty()) return UsageError(io, "image", Tr("give at least one TITLE"));
  std::string output;
  if (!OutputPath(args, io, "image", output)) return kExitUsage;
  const auto kind = DiscImageKindFor(output);
  if (!kind) return UsageError(io, "image", Tr("the output must end in .ccd or .toc"));
  DiscImageOptions options;
  options.cooked = args.Has("cooked");
  if (options.cooked && *kind != DiscImageKind::Cdrdao)
    return UsageError(io, "image", Tr("--cooked is for a cdrdao .toc only"));
  if (args.Has("gap")) {
    options.pause = ParseGap(args.Value("gap"));
    if (!options.pause) return UsageError(io, "image", Tr("--gap must be 0 to 60 seconds"));
  }
  options.title = args.Value("title");
  options.performer = args.Value("performer");

  const std::vector<std::string> outputs = DiscImageFiles(output, *kind);
  if (const int status = CheckOutputsAreNotInputs(io, outputs, inputs)) return status;
  std::vector<TitleInput> sources(inputs.size());
  std::vector<DiscImageTitle> titles;
  std::vector<std::string> read;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (const int status = OpenTitleInput(args, io, "image", inputs[i], sources[i])) return status;
    const TitleInfo& info = sources[i].title->Info();
    read.push_back(info.path);
    if (info.kind == TitleKind::Pair)
      read.push_back((std::filesystem::path(info.path).parent_path() / info.audioName).string());
    titles.push_back({sources[i].title.get(), std::filesystem::path(inputs[i]).stem().string()});
  }
  if (const int status = CheckOutputsAreNotInputs(io, outputs, read)) return status;
  for (const std::string& file : outputs)
    if (const int status = CheckOutput(io, file, args.Has("force"))) return status;
  DiscLayout layout;
  std::string error;
  if (!PlanDiscImage(titles, options, layout, error)) return Failure(io, error);

  TJobOwner owner;
  TerminalProgress bar(io.err, !io.quiet && ::isatty(STDERR_FILENO) == 1, true);
  bar.Attach(owner);
  const DiscImageResult result = WriteDiscImage(titles, output, options, &owner);
  switch (result.outcome) {
    case DiscImageOutcome::Made:
      if (!io.quiet) {
        io.out << Format(Tr("The disc image was made: %1 tracks, %2."),
                         {std::to_string(titles.size()), DiscTime(result.sectors)})
               << "\n";
        if (result.parityAdded > 0)
          io.out << Format(Tr("%1 packs had no valid parity and were given it."),
                           {std::to_string(result.parityAdded)})
                 << "\n";
      }
      return kExitSuccess;
    case DiscImageOutcome::Cancelled:
      io.err << "mosaicer: " << Tr("stopped; no disc image was written") << "\n";
      return kExitCancelled;
    case DiscImageOutcome::Failed:
      break;
  }
  return Failure(io, result.error);
}

}  // namespace

Command ImageCommand() {
  return Command{
      "image",
      "mosaicer image TITLE... -o DISC.ccd|DISC.toc [--gap S] [--title T] [--performer P]\n"
      "               [--cooked] [--format cdg|rws]",
      N_("make a CloneCD or cdrdao disc image of CD+G titles, one track each"),
      {{"gap", 0, true},
       {"title", 0, true},
       {"performer", 0, true},
       {"cooked", 0, false},
       {"format", 0, true}},
      RunImage,
      {N_("  TITLE            a CDG file, bare subcode (.rws), an MP3+G pair or zip; one track "
          "each\n"
          "  -o DISC.ccd      a CloneCD image: DISC.ccd, DISC.img and DISC.sub\n"
          "  -o DISC.toc      a cdrdao image: DISC.toc and DISC.bin, burnt with cdrdao write\n"
          "                   and its generic-mmc-raw driver (the README gives the command)\n"
          "  --gap S          seconds of pause before every track (default: the two seconds\n"
          "                   before the first track only)\n"
          "  --title T        the disc's CD-Text title (.toc)\n"
          "  --performer P    the CD-Text performer of the disc and its tracks (.toc)\n"
          "  --cooked         .toc: packed, de-interleaved R-W packs (TRACK AUDIO RW)\n"
          "                   instead of raw interleaved subcode (RW_RAW)")}};
}

}  // namespace mosaicer::cli
