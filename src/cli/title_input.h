// The input of the commands that read whole titles (render, check, play,
// divide): a CDG file, bare subcode alone or with its song beside it, an
// MP3+G zip, or with --track N a track of a disc (DRIVE: a device or a disc
// image, opened as rip opens it). CDG and RWS files are taken exactly as before, with the same
// checks and messages (see format_option.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/format_option.h"
#include "title/title_source.h"

namespace mosaicer::cli {

struct TitleInput {
  std::unique_ptr<TitleSource> title;
  SubcodeInput layout;  // for a file that is not a zip archive
  bool zip = false;
  // A disc track: the files it reads (an image's) and the track opened
  // again, for a player that opens it on a thread of its own.
  bool disc = false;
  std::vector<std::string> files;
  std::function<TitleOpenResult()> reopen;
};

// The help lines of the option a command takes for a track of a disc.
extern const char* const kTrackOptionHelp;

// Opens `path` as a title. With --track, `path` is a drive and its track is
// the title. A zip archive is told by its first bytes; any
// other file goes through OpenSubcodeInput (with `use`), then bare subcode
// is joined with the song of its name beside it. With SubcodeUse::CdgOnly,
// bare subcode without such a song is refused as before; without
// `withSong` bare subcode is read alone (for commands that need no audio).
// kExitSuccess with
// `input` filled, otherwise the exit status after the message.
int OpenTitleInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                   TitleInput& input, SubcodeUse use = SubcodeUse::AnyLayout,
                   bool withSong = true);

}  // namespace mosaicer::cli
