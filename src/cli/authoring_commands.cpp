// create, rws and bmp: a picture (and a song) become CD+G, as the main
// window's commands make them, with the wizard's and the window's defaults.
#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "authoring/creation_job.h"
#include "authoring/encoder.h"
#include "authoring/messages.h"
#include "cli/commands.h"
#include "cli/effect_gaps.h"
#include "cli/output_check.h"
#include "cli/progress.h"
#include "cli/title_output.h"
#include "cli/values.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "image/pal_file.h"
#include "image/prepare_picture.h"
#include "media/audio_reader.h"
#include "media/picture_fit.h"
#include "media/picture_reader.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"
#include "platform/language.h"

namespace mosaicer::cli {
namespace {

const std::vector<OptionDef> kPictureOptions = {
    {"method", 0, true},     {"bits", 0, true},
    {"keep", 0, true},       {"palette", 0, true},
    {"reduce", 0, false},    {"no-reduce", 0, false},
    {"no-dither", 0, false}, {"dither-strength", 0, true},
    {"origin", 0, true},     {"border", 0, true},
    {"fit", 0, true}};
const std::vector<OptionDef> kStreamOptions = {
    {"effect", 0, true}, {"optimize", 0, true}, {"blank", 0, true}};
const std::vector<OptionDef> kTimingOptions = {{"timing", 0, true}, {"limit", 0, true}};

const char* const kPictureHelp =
    N_("picture options:\n"
       "  --method rgb3d|rrggbb|rgbrgb  palette method (rgbrgb)\n"
       "  --bits 4..8                   bits per channel when making the palette (6)\n"
       "  --keep K                      palette entries kept from --palette (0)\n"
       "  --palette FILE.pal            start from a saved palette\n"
       "  --reduce | --no-reduce        reduce a 16-colour picture too (not by default)\n"
       "  --no-dither                   no error diffusion\n"
       "  --dither-strength 1..100      diffusion coefficient in percent (60)\n"
       "  --origin X,Y                  top-left corner of the 288x192 area (0,0)\n"
       "  --border 0..15                border colour index (0)\n"
       "  --fit crop|fit|fill           cut the area at 1:1, fit the whole picture inside it,\n"
       "                                or fill it and cut the overflow (crop)");
const char* const kStreamHelp =
    N_("stream options:\n"
       "  --effect FILE.tlo             display effect (normal order)\n"
       "  --optimize none|tile|full     display optimisation (none)\n"
       "  --blank 0..150                blank sectors before the graphics (37)");
const char* const kTimingHelp =
    N_("timing:\n"
       "  --timing play     display while playing (default)\n"
       "  --timing first    display, then play\n"
       "  --timing overflow display ahead only what does not fit\n"
       "  --timing msf      finish displaying by --limit (00:00:00)");

std::vector<OptionDef> Join(std::initializer_list<const std::vector<OptionDef>*> lists) {
  std::vector<OptionDef> all;
  for (const auto* list : lists) all.insert(all.end(), list->begin(), list->end());
  return all;
}

// Picks one word of `words` (its position), or nothing.
std::optional<int> Choice(const std::string& value, std::initializer_list<const char*> words) {
  int i = 0;
  for (const char* w : words) {
    if (value == w) return i;
    ++i;
  }
  return std::nullopt;
}

// Reads the picture options into `options`; false after a usage error.
bool ReadPictureOptions(const Args& args, Io& io, const std::string& command,
                        PictureOptions& options) {
  const auto bad = [&](const std::string& message) {
    UsageError(io, command, message);
    return false;
  };
  if (args.Has("method")) {
    const auto m = Choice(args.Value("method"), {"rgb3d", "rrggbb", "rgbrgb"});
    if (!m) return bad(Tr("--method must be rgb3d, rrggbb or rgbrgb"));
    options.method = *m;
  }
  if (args.Has("bits")) {
    const auto v = ParseInteger(args.Value("bits"), 4, 8);
    if (!v) return bad(Tr("--bits must be 4..8"));
    options.bits = static_cast<int>(*v);
  }
  if (args.Has("keep")) {
    const auto v = ParseInteger(args.Value("keep"), 0, 15);
    if (!v) return bad(Tr("--keep must be 0..15"));
    if (*v > 0 && !args.Has("palette"))
      return bad(Tr("--keep keeps entries of --palette: give one"));
    options.keep = static_cast<int>(*v);
  }
  if (args.Has("reduce") && args.Has("no-reduce")) return bad(Tr("--reduce and --no-reduce clash"));
  if (args.Has("reduce")) options.reduce = true;
  if (args.Has("no-reduce")) options.reduce = false;
  options.diffuse = !args.Has("no-dither");
  if (args.Has("dither-strength")) {
    const auto v = ParseInteger(args.Value("dither-strength"), 1, 100);
    if (!v) return bad(Tr("--dither-strength must be 1..100"));
    options.strength = static_cast<int>(*v);
  }
  if (args.Has("origin")) {
    const auto origin = ParsePointValue(args.Value("origin"), kMaxBitmapSide);
    if (!origin) return bad(Tr("--origin must be X,Y with whole numbers of 0 or more"));
    options.originX = origin->x;
    options.originY = origin->y;
  }
  if (args.Has("border")) {
    const auto v = ParseInteger(args.Value("border"), 0, 15);
    if (!v) return bad(Tr("--border must be 0..15"));
    options.border = static_cast<int>(*v);
  }
  return true;
}

bool ReadStreamOptions(const Args& args, Io& io, const std::string& command,
                       AuthoringState& state) {
  if (args.Has("optimize")) {
    const auto m = Choice(args.Value("optimize"), {"none", "tile", "full"});
    if (!m) return UsageError(io, command, Tr("--optimize must be none, tile or full")), false;
    state.optimize = *m;
  }
  if (args.Has("blank")) {
    const auto v = ParseInteger(args.Value("blank"), 0, kMaxBlankSectors);
    if (!v) return UsageError(io, command, Tr("--blank must be 0..150")), false;
    state.blank = static_cast<int>(*v);
  }
  state.effectFile = args.Value("effect");
  return true;
}

// An effect asked for by name must be one: the job would otherwise paint
// in the normal order without a word. A readable effect whose order leaves
// steps out or tiles unpainted is used as it is, with a warning.
int CheckEffect(Io& io, const std::string& file) {
  if (file.empty()) return kExitSuccess;
  EffectFile effect;
  std::string error;
  if (!ReadEffectFile(file, effect, error)) return Failure(io, error);
  if (!io.quiet) WarnAboutGaps(io, file, effect);
  return kExitSuccess;
}

// The picture options and the placement in the area, read from the
// command line; false after a usage error has been reported.
bool ReadPictureSettings(const Args& args, Io& io, const std::string& command,
                         PictureOptions& options, PictureFit& fit, int& status) {
  status = kExitSuccess;
  if (!ReadPictureOptions(args, io, command, options)) {
    status = kExitUsage;
    return false;
  }
  if (args.Has("palette")) {
    const std::string file = args.Value("palette");
    const PalFileContents pal = ReadPalFile(file);
    if (pal.status == PalFileStatus::Unreadable) {
      status =
          Failure(io, !pal.error.empty() ? pal.error
                                         : Format(Tr("%1 is not a palette file (it is too short)"),
                                                  {IoStatus::Quoted(file)}));
      return false;
    }
    if (pal.status == PalFileStatus::WrongVersion) {
      status = Failure(io, Format(Tr("%1 is not a palette file"), {IoStatus::Quoted(file)}));
      return false;
    }
    LogPalette palette = LogPalette::Cleared(kUsedPaletteEntries);
    std::copy(pal.entries.begin(), pal.entries.end(), palette.entries.begin());
    options.palette = palette;
  }
  fit = PictureFit::Crop;
  if (args.Has("fit")) {
    const std::optional<PictureFit> chosen = ParsePictureFit(args.Value("fit"));
    if (!chosen) {
      status = UsageError(io, command, Tr("--fit must be crop, fit or fill"));
      return false;
    }
    fit = *chosen;
  }
  return true;
}

// A picture file read and placed for the area.
struct LoadedPicture {
  BitmapResult source;
  std::optional<FitPlacement> outside;  // what lies outside a fitted picture
  std::string note;                     // said before the job's result, or ""
  std::string error;                    // set exactly when there is no picture
};

// Reads the picture and places it for the area (scaled before the palette
// is made, so palette and diffusion see the picture as it will be shown).
LoadedPicture LoadPictureFile(const std::string& file, const PictureOptions& options,
                              PictureFit fit) {
  LoadedPicture loaded;
  loaded.source = ReadPicture(file);
  if (!loaded.source.ok()) {
    loaded.error = loaded.source.error;
    return loaded;
  }
  FittedPicture fitted = FitPicture(*loaded.source.bitmap, fit, kVisibleWidth, kVisibleHeight);
  if (!fitted.ok()) {
    loaded.error = IoStatus::Quoted(file) + ": " + fitted.error;
    return loaded;
  }
  if (!fitted.picture.empty()) loaded.source.bitmap = std::move(fitted.picture);
  if (fit == PictureFit::Fit) loaded.outside = fitted.placed;
  // The area cannot start past the picture's last 288 x 192 window; the
  // wizard moves it back the same way.
  const int maxX = std::max(0, loaded.source.bitmap->Width() - kVisibleWidth);
  const int maxY = std::max(0, loaded.source.bitmap->Height() - kVisibleHeight);
  if (options.originX > maxX || options.originY > maxY)
    loaded.note =
        "mosaicer: " +
        Format(Tr("note: %1"),
               {Format(Tr("--origin %1 lies past the picture's last 288x192 area; using %2"),
                       {std::to_string(options.originX) + "," + std::to_string(options.originY),
                        std::to_string(std::min(options.originX, maxX)) + "," +
                            std::to_string(std::min(options.originY, maxY))})}) +
        "\n";
  return loaded;
}

// Prepares a loaded picture into `state`; the failure's message, or "".
std::string PrepareLoadedPicture(const Bitmap& source, const PictureOptions& options,
                                 const std::optional<FitPlacement>& outside,
                                 AuthoringState& state) {
  PreparedPicture prepared = PreparePicture(source, options);
  if (!prepared.ok()) return prepared.error;
  if (outside)
    PaintOutsidePlacement(prepared.picture, kVisibleLeft, kVisibleTop, kVisibleWidth,
                          kVisibleHeight, *outside, prepared.border);
  state.picture = std::move(prepared.picture);
  state.palette = prepared.palette;
  state.borderIndex = prepared.border;
  return "";
}

// Loads and prepares the picture into `state`; the exit status on failure.
int PreparePictureInto(const Args& args, Io& io, const std::string& command,
                       const std::string& file, AuthoringState& state) {
  PictureOptions options;
  PictureFit fit = PictureFit::Crop;
  if (int status = 0; !ReadPictureSettings(args, io, command, options, fit, status)) return status;
  const LoadedPicture loaded = LoadPictureFile(file, options, fit);
  if (!loaded.error.empty()) return Failure(io, loaded.error);
  if (!io.quiet) io.err << loaded.note;
  if (std::string error = PrepareLoadedPicture(*loaded.source.bitmap, options, loaded.outside, state);
      !error.empty())
    return Failure(io, error);
  return kExitSuccess;
}

// Checks and measures the song, as accepting it in the window does.
int AcceptWav(Io& io, const std::string& file, AuthoringState& state) {
  // Any song: a CD-format WAV is used as it is, anything else converted.
  const AudioOpenResult song = OpenAudio(file);
  if (!song.ok()) return Failure(io, song.error);
  if (!song.reader->PassesThrough())
    Note(io, IoStatus::Quoted(file) + ": " + song.reader->Conversion());
  state.wavPath = file;
  state.wave = song.reader->Wave();
  state.wavConversion = song.reader->Conversion();
  state.limitField.AcceptWav(state.AudioSectors(), state.limitField.ShowLimit());
  return kExitSuccess;
}

int RunCreate(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 2) return UsageError(io, "create", Tr("give a PICTURE and a WAV file"));
  std::string output;
  if (!OutputPath(args, io, "create", output)) return kExitUsage;
  std::optional<TitleOutput> mp3g;
  if (const int status = ReadMp3gOutput(args, io, "create", output, mp3g, true)) return status;

  AuthoringState state;
  if (!ReadStreamOptions(args, io, "create", state)) return kExitUsage;
  if (args.Has("timing")) {
    const auto t = Choice(args.Value("timing"), {"play", "first", "overflow", "msf"});
    if (!t) return UsageError(io, "create", Tr("--timing must be play, first, overflow or msf"));
    state.timing = *t;
  }
  std::string limitText = "00:00:00";
  if (args.Has("limit")) {
    limitText = args.Value("limit");
    const auto limit = ParseMsfValue(limitText);
    if (!limit) return UsageError(io, "create", Tr("--limit must be MM:SS:FF, two digits each"));
    if (limit->capped) Note(io, CappedTimeNote("--limit", limitText, MsfText(limit->frames)));
  }
  state.limitField.ReadLimit(limitText);
  const std::vector<std::string> inputs = {files[0], files[1], args.Value("palette"),
                                           args.Value("effect")};
  if (const int status =
          CheckOutputsAreNotInputs(io, mp3g ? OutputFiles(*mp3g) : std::vector{output}, inputs))
    return status;
  if (const int status = CheckEffect(io, state.effectFile)) return status;
  PictureOptions options;
  PictureFit fit = PictureFit::Crop;
  if (int status = 0; !ReadPictureSettings(args, io, "create", options, fit, status)) return status;
  if (const int status = AcceptWav(io, files[1], state)) return status;
  if (const int status = mp3g ? CheckMp3gOutput(args, io, *mp3g, inputs)
                              : CheckOutput(io, output, args.Has("force")))
    return status;
  // The picture is read and prepared, and the pack stream built, on a
  // second thread while the job copies the song.
  TSubCodeErrorCorrect ecc;
  bool pictureFailed = false;
  std::string pictureNote;
  const auto makeStream = [&]() -> MadeStream {
    MadeStream made;
    const LoadedPicture loaded = LoadPictureFile(files[0], options, fit);
    made.error = loaded.error;
    if (made.error.empty()) {
      pictureNote = loaded.note;
      made.error = PrepareLoadedPicture(*loaded.source.bitmap, options, loaded.outside, state);
    }
    if (made.error.empty() && !BuildPackStream(state, ecc, made.bytes, made.packCount))
      made.error = std::string(kCdgFailed) + " " + Tr("the prepared picture makes no pack stream");
    pictureFailed = !made.error.empty();
    return made;
  };
  TCreationJob job;
  TerminalProgress progress(io.err, !io.quiet && ::isatty(STDERR_FILENO) == 1);
  progress.Attach(job);
  TitleOutput target;
  target.path = output;
  if (mp3g) target = *mp3g;
  const Outcome failedToStart = CreationOutcome(kJobFailed, target.kind);
  if (!job.Start(state, makeStream, target))
    return Failure(io, failedToStart.text + " " + Tr("the job could not be started"));
  progress.WaitForEnd(job);
  job.Wait();
  const Outcome outcome = CreationOutcome(job.JobStatus(), target.kind);
  job.SetJobStatus(kJobIdle);
  if (pictureFailed) return Failure(io, job.Error());
  if (!io.quiet) io.err << pictureNote;
  if (outcome.error) return Failure(io, outcome.text + " " + job.Error());
  if (outcome.cancelled) {
    io.err << outcome.text << "\n";
    return kExitCancelled;
  }
  if (!io.quiet) io.out << outcome.text << "\n";
  return kExitSuccess;
}

int RunRws(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "rws", Tr("give one PICTURE"));
  std::string output;
  if (!OutputPath(args, io, "rws", output)) return kExitUsage;
  AuthoringState state;
  if (!ReadStreamOptions(args, io, "rws", state)) return kExitUsage;
  const std::vector<std::string> inputs = {files[0], args.Value("palette"), args.Value("effect")};
  if (const int status = CheckOutputsAreNotInputs(io, {output}, inputs)) return status;
  if (const int status = CheckEffect(io, state.effectFile)) return status;
  if (const int status = PreparePictureInto(args, io, "rws", files[0], state)) return status;
  if (const int status = CheckOutput(io, output, args.Has("force"))) return status;
  TSubCodeErrorCorrect ecc;
  if (const IoStatus saved = SaveRwsFile(state, ecc, output); !saved)
    return Failure(io, std::string(kRwsFailed) + " " + saved.error());
  if (!io.quiet) io.out << kRwsCreated << "\n";
  return kExitSuccess;
}

int RunBmp(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "bmp", Tr("give one PICTURE"));
  std::string output;
  if (!OutputPath(args, io, "bmp", output)) return kExitUsage;
  AuthoringState state;
  const std::vector<std::string> inputs = {files[0], args.Value("palette")};
  if (const int status = CheckOutputsAreNotInputs(io, {output}, inputs)) return status;
  if (const int status = PreparePictureInto(args, io, "bmp", files[0], state)) return status;
  if (const int status = CheckOutput(io, output, args.Has("force"))) return status;
  if (const IoStatus saved = SaveVisibleBmp(state, output); !saved)
    return Failure(io, std::string(kBmpFailed) + " " + saved.error());
  return kExitSuccess;
}

}  // namespace

Command CreateCommand() {
  return Command{"create",
                 "mosaicer create PICTURE WAV -o OUT.cdg [picture options] [stream options]\n"
                 "         [--timing play|first|overflow|msf] [--limit MM:SS:FF]",
                 N_("make a CDG file (or MP3+G) from a picture and a song (WAV, FLAC, Ogg, Opus, "
                    "MP3)"),
                 Join({&kPictureOptions, &kStreamOptions, &kTimingOptions, &Mp3gOptions()}),
                 RunCreate,
                 {kPictureHelp, kStreamHelp, kTimingHelp, kMp3gHelp}};
}

Command RwsCommand() {
  return Command{"rws",
                 "mosaicer rws PICTURE -o OUT.rws [picture options] [stream options]",
                 N_("make an RWS file (bare subcode, the MP3+G .cdg layout) from a picture"),
                 Join({&kPictureOptions, &kStreamOptions}),
                 RunRws,
                 {kPictureHelp, kStreamHelp}};
}

Command BmpCommand() {
  return Command{"bmp",
                 "mosaicer bmp PICTURE -o OUT.bmp [picture options]",
                 N_("save the prepared 288x192 visible area as a 16-colour BMP"),
                 kPictureOptions,
                 RunBmp,
                 {kPictureHelp}};
}

}  // namespace mosaicer::cli
