#include "cli/title_output.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "cli/output_check.h"
#include "cli/values.h"
#include "platform/language.h"

namespace mosaicer::cli {

const std::vector<OptionDef>& Mp3gOptions() {
  static const std::vector<OptionDef> options = {{"audio", 0, true}, {"bitrate", 0, true}};
  return options;
}

const char* const kMp3gHelp =
    N_("MP3+G output (by OUT's extension):\n"
       "  -o OUT.zip        NAME.cdg and NAME.mp3 stored in one zip file\n"
       "  -o OUT.mp3        OUT.mp3 and OUT.cdg beside it (also .ogg, .flac, .wav)\n"
       "  --audio mp3|ogg|flac|wav  the song's kind inside a zip (mp3)\n"
       "  --bitrate N       the MP3's constant bit rate in kbit/s (192)\n"
       "  (create -o OUT.rws writes the subcode alone)");

int ReadMp3gOutput(const Args& args, Io& io, const std::string& command, const std::string& path,
                   std::optional<TitleOutput>& output, bool takeRws) {
  SongKind zipSong = SongKind::Mp3;
  if (args.Has("audio")) {
    const auto kind = SongKindNamed(args.Value("audio"));
    if (!kind) return UsageError(io, command, Tr("--audio must be mp3, ogg, flac or wav"));
    zipSong = *kind;
  }
  int bitrate = kDefaultMp3Bitrate;
  if (args.Has("bitrate")) {
    const auto n = ParseInteger(args.Value("bitrate"), 32, 320);
    if (!n || std::find(std::begin(kMp3Bitrates), std::end(kMp3Bitrates), *n) ==
                  std::end(kMp3Bitrates))
      return UsageError(io, command,
                        Tr("--bitrate must be an MP3 bit rate: 32, 40, 48, 56, 64, 80, 96, 112, "
                           "128, 160, 192, 224, 256 or 320"));
    bitrate = static_cast<int>(*n);
  }
  output = TitleOutputFor(path, zipSong, bitrate);
  if (output && output->kind == TitleOutputKind::Rws && takeRws &&
      (args.Has("audio") || args.Has("bitrate")))
    return UsageError(io, command, Tr("--audio and --bitrate need a song: an RWS file holds none"));
  if (output && (output->kind == TitleOutputKind::Cdg ||
                 (output->kind == TitleOutputKind::Rws && !takeRws)))
    output.reset();
  if (!output && (args.Has("audio") || args.Has("bitrate")))
    return UsageError(io, command,
                      Tr("--audio and --bitrate need an MP3+G output (.zip, .mp3, "
                         ".ogg, .flac or .wav)"));
  if (output && output->kind == TitleOutputKind::Pair && args.Has("audio"))
    return UsageError(io, command,
                      Tr("--audio is for a zip; a pair's song kind is OUT's extension"));
  return kExitSuccess;
}

int CheckMp3gOutput(const Args& args, Io& io, const TitleOutput& output,
                    const std::vector<std::string>& inputs) {
  const std::vector<std::string> files = OutputFiles(output);
  if (const int status = CheckOutputsAreNotInputs(io, files, inputs)) return status;
  for (const std::string& file : files)
    if (const int status = CheckOutput(io, file, args.Has("force"))) return status;
  return kExitSuccess;
}

int WriteMp3g(Io& io, TitleSource& title, const TitleOutput& output) {
  if (IoStatus moved = title.Seek(0); !moved) return Failure(io, moved.error());
  if (IoStatus written = WriteTitle(title, output); !written) return Failure(io, written.error());
  return kExitSuccess;
}

}  // namespace mosaicer::cli
