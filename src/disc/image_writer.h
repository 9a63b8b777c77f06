// Disc images made from CD+G titles, one track a title, ready to burn or to
// mount:
//   - CloneCD (.ccd + .img + .sub): the full table of contents, the audio
//     as the .img holds it (little-endian), and the whole subcode: P, Q and
//     the R–W packs interleaved as on the disc;
//   - cdrdao (.toc + .bin): one `TRACK AUDIO RW_RAW` a title whose sectors
//     are 2352 bytes of audio (big-endian, as cdrdao takes raw data) and 96
//     bytes of raw, interleaved R–W; cooked, `TRACK AUDIO RW` with the packs
//     in play order instead. CD-Text holds the disc's and the tracks' names.
// Packs that carry no valid parity get it; every other pack goes onto the
// disc exactly as the title holds it. Every file is written under a
// temporary name and renamed only when the whole image is done, so a
// failure or a cancel leaves nothing under the image's names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "authoring/job_owner.h"
#include "disc/disc_subcode.h"
#include "title/title_source.h"

namespace mosaicer {

enum class DiscImageKind { CloneCd, Cdrdao };

// The kind an image's name asks for: .ccd or .toc (any case); nothing else.
std::optional<DiscImageKind> DiscImageKindFor(const std::string& path);
// Every file of the image named `path`: the .ccd, .img and .sub, or the
// .toc and .bin; the named one first.
std::vector<std::string> DiscImageFiles(const std::string& path, DiscImageKind kind);

struct DiscImageOptions {
  // Pause before every track, in sectors; nothing: the two seconds every
  // disc has before its first track, and none between tracks. The first
  // track's pause is never shorter than those two seconds.
  std::optional<std::int64_t> pause;
  bool cooked = false;    // cdrdao: packed R–W (`RW`) instead of raw
  std::string title;      // CD-Text of the disc
  std::string performer;  // CD-Text of the disc and of every track
};

struct DiscImageTitle {
  TitleSource* source = nullptr;
  std::string name;  // the track's CD-Text title
};

// Where the titles go on the disc with `options`; false, with `error` a
// sentence, when a title is shorter than a track may be or the whole does
// not fit on a disc (past 79:59:74).
bool PlanDiscImage(const std::vector<DiscImageTitle>& titles, const DiscImageOptions& options,
                   DiscLayout& layout, std::string& error);

enum class DiscImageOutcome { Made, Cancelled, Failed };

struct DiscImageResult {
  DiscImageOutcome outcome = DiscImageOutcome::Failed;
  std::string error;             // set on failure; names the file at fault
  std::int64_t sectors = 0;      // sectors written (all of them when made)
  std::int64_t parityAdded = 0;  // packs that were given their parity
};

// Writes the image of `titles` (read from their current position on)
// under `path`, a .ccd or .toc name. `progress` (may be null) receives the
// job's progress codes and is checked for a cancel request between blocks.
DiscImageResult WriteDiscImage(const std::vector<DiscImageTitle>& titles, const std::string& path,
                               const DiscImageOptions& options, TJobOwner* progress = nullptr);

// The CD-Text form of `text` in a cdrdao .toc: a quoted ISO 8859-1 string,
// everything outside printable ASCII as an octal escape, characters that
// ISO 8859-1 lacks as '?'.
std::string TocString(const std::string& text);
// A file name in a .toc: its bytes as they are, quoted, everything outside
// printable ASCII as an octal escape.
std::string TocFileName(const std::string& name);

}  // namespace mosaicer
