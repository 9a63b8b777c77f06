#include "cli/title_input.h"

#include "cli/drive_input.h"
#include "cli/output_check.h"
#include "core/parity.h"
#include "platform/language.h"
#include "ripper/disc_title.h"
#include "title/mp3g_zip.h"

namespace mosaicer::cli {

const char* const kTrackOptionHelp =
    N_("  --track N   INPUT is a DRIVE (/dev/srN, sg:HOST:TARGET:LUN or a disc image:\n"
       "              disc.ccd, disc.toc, disc.cue): read its track N directly, as rip reads it");

namespace {

constexpr int kMaxTrackNumber = 99;

// What a disc title reads through: the opened drive and the parity tables
// its repairs use, kept alive by every title opened on them.
struct HeldDrive {
  OpenedDrive opened;
  TSubCodeErrorCorrect ecc;
};

int OpenDiscInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                  TitleInput& input) {
  if (args.Has("format")) return UsageError(io, command, Tr("--format does not go with --track"));
  const auto track = ParseInteger(args.Value("track"), 1, kMaxTrackNumber);
  if (!track)
    return UsageError(io, command,
                      Format(Tr("--track must be a track number 1..%1"),
                             {std::to_string(kMaxTrackNumber)}));
  int status = kExitSuccess;
  std::optional<OpenedDrive> opened = OpenDrive(io, command, path, status);
  if (!opened) return status;
  auto held = std::make_shared<HeldDrive>();
  held->opened = std::move(*opened);
  DiscTitleOptions options;
  options.read.readSize = kCliReadSize;
  input.reopen = [held, path, number = static_cast<int>(*track), options] {
    return OpenDiscTitle(*held->opened.transport, held->opened.drive, path, number, options,
                         held->ecc, held);
  };
  TitleOpenResult title = input.reopen();
  if (!title.ok()) return Failure(io, title.error);
  input.title = std::move(title.source);
  input.disc = true;
  input.files = held->opened.files;
  return kExitSuccess;
}

}  // namespace

int OpenTitleInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                   TitleInput& input, SubcodeUse use, bool withSong) {
  if (args.Has("track")) return OpenDiscInput(args, io, command, path, input);
  if (const int status = CheckInput(io, path)) return status;
  if (LooksLikeZip(path) && !args.Has("format")) {
    TitleOpenResult opened = OpenZipTitle(path);
    if (!opened.ok()) return Failure(io, opened.error);
    input.title = std::move(opened.source);
    input.zip = true;
    return kExitSuccess;
  }
  // Bare subcode with a song beside it holds audio after all.
  if (use == SubcodeUse::CdgOnly && !FindSongBeside(path).empty()) use = SubcodeUse::PreferCdg;
  if (const int status = OpenSubcodeInput(args, io, command, path, input.layout, use))
    return status;
  TitleOpenResult opened = input.layout.format == SubcodeFormat::Cdg
                               ? OpenCdgTitle(path)
                               : OpenSubcodeTitle(path, withSong ? FindSongBeside(path) : "");
  if (!opened.ok()) return Failure(io, opened.error);
  input.title = std::move(opened.source);
  input.files = {path};
  return kExitSuccess;
}

}  // namespace mosaicer::cli
