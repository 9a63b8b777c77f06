// .tlo effect files: an INI-layout text in CP932 with CR LF line ends. The
// [Info] section carries a bilingual header; sections [0], [1], ... name the
// tiles in paint order (see tile_order.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "effects/tile_order.h"
#include "platform/ini_file.h"
#include "platform/io_status.h"

namespace mosaicer {

// The header of one effect file. Texts are UTF-8.
class TTloFile {
 public:
  TTloFile() = default;
  // Reads the header of `fileName`. Valid only when [Info] TloVersion is a
  // non-zero number; otherwise every member stays empty.
  explicit TTloFile(const std::string& fileName);
  // Takes the header from an effect already parsed into `ini`.
  TTloFile(const std::string& fileName, const IniFile& ini);

  std::string FileName;
  std::string TitleJ;
  std::string AuthorJ;
  std::string EditedByJ;
  std::string CommentJ;
  std::string TitleE;
  std::string AuthorE;
  std::string EditedByE;
  std::string CommentE;
  bool Valid = false;
};

inline constexpr int kTloVersion = 100;

// The exact bytes of an effect file (CP932, CR LF after every line) for the
// header texts of `header` and the steps of `order`. A line break inside a
// text would end its line early, so each becomes a space.
std::string FormatTloFile(const TTloFile& header, const TileOrder& order);

// Writes FormatTloFile's bytes into `fileName`, replacing it whole.
IoStatus WriteTloFile(const std::string& fileName, const TTloFile& header, const TileOrder& order);

// Loads an effect file (CP932, or UTF-8 when it is not valid CP932; a file
// that starts with a UTF-8 byte-order mark is UTF-8 and the mark is dropped)
// into an INI document. False when it cannot be read or is implausibly
// large; `error` then names the file and the reason.
bool LoadTloText(const std::string& fileName, IniFile& ini, std::string* error = nullptr);

// An effect file as a user names it: its header, its order, and what the
// order leaves out.
struct EffectFile {
  TTloFile header;
  TileOrder order;
  // Steps whose section (or its Col or Row) is absent, as ReadTileOrder
  // reports them: a truncated file paints tile 0, 0 at those steps.
  std::vector<std::size_t> missingSteps;
  // Inner tiles the order never paints (see UnpaintedTiles).
  std::vector<TileOrderEntry> unpaintedTiles;
};

// Reads an effect file strictly, for a user who asked for it by name. False,
// with `error` a sentence that names the file and the reason, when it is
// missing, unreadable or too large (the file reader's words), has no
// non-zero [Info] TloVersion (an empty or garbage file), declares no steps
// ([Info] NumTiles missing, not a number, 0 or negative) or more than
// kMaxTileSteps. A file whose order leaves steps or tiles out is read as
// written; its gaps are reported in `effect`, for the caller to warn about.
bool ReadEffectFile(const std::string& fileName, EffectFile& effect, std::string& error);

}  // namespace mosaicer
