#include "cli/title_input.h"

#include "cli/output_check.h"
#include "title/mp3g_zip.h"

namespace mosaicer::cli {

int OpenTitleInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                   TitleInput& input, SubcodeUse use, bool withSong) {
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
  return kExitSuccess;
}

}  // namespace mosaicer::cli
