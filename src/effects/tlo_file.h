// .tlo effect files: an INI-layout text in CP932 with CR LF line ends. The
// [Info] section carries a bilingual header; sections [0], [1], ... name the
// tiles in paint order (see tile_order.h).
#pragma once

#include <string>

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

// Loads an effect file (CP932, or UTF-8 when it is not valid CP932) into an
// INI document. False when it cannot be read or is implausibly large;
// `error` then names the file and the reason.
bool LoadTloText(const std::string& fileName, IniFile& ini, std::string* error = nullptr);

}  // namespace mosaicer
