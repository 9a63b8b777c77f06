#include "effects/tlo_file.h"

#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "platform/cp932.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr const char* kInfo = "Info";
// A 65535-step file is about 2 MiB; anything far larger is not an effect.
constexpr std::uintmax_t kMaxTloBytes = 16u << 20;
constexpr const char* kCrLf = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

bool LoadTloText(const std::string& fileName, IniFile& ini, std::string* error) {
  ini.Parse({});
  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(fileName, bytes, kMaxTloBytes); !read) {
    if (error) *error = read.error();
    return false;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(kUtf8Bom)) {
    text.remove_prefix(kUtf8Bom.size());
    ini.Parse(IsValidUtf8(text) ? std::string(text) : Cp932ToUtf8(text));
  } else {
    ini.Parse(Cp932ToUtf8(text));
  }
  return true;
}

bool ReadEffectFile(const std::string& fileName, EffectFile& effect, std::string& error) {
  effect = EffectFile{};
  IniFile ini;
  if (!LoadTloText(fileName, ini, &error)) return false;
  const std::string prefix = "cannot use " + IoStatus::Quoted(fileName) + " as an effect: ";
  TTloFile header(fileName, ini);
  if (!header.Valid) {
    error = prefix + "it is not an effect file ([Info] has no TloVersion)";
    return false;
  }
  if (ini.ReadInteger(kInfo, "NumTiles", 0) <= 0) {
    error = prefix + "it paints no tiles ([Info] NumTiles is " +
            (ini.HasKey(kInfo, "NumTiles") ? "\"" + ini.ReadString(kInfo, "NumTiles") + "\")"
                                           : std::string("missing)"));
    return false;
  }
  std::string why;
  std::vector<std::size_t> missing;
  TileOrder order = ReadTileOrder(ini, &why, &missing);
  if (!why.empty() || order.empty()) {
    error = prefix + (why.empty() ? std::string("it paints no tiles") : why);
    return false;
  }
  effect.header = std::move(header);
  effect.unpaintedTiles = UnpaintedTiles(order);
  effect.order = std::move(order);
  effect.missingSteps = std::move(missing);
  return true;
}

TTloFile::TTloFile(const std::string& fileName) {
  IniFile ini;
  if (LoadTloText(fileName, ini)) *this = TTloFile(fileName, ini);
}

TTloFile::TTloFile(const std::string& fileName, const IniFile& ini) {
  if (ini.ReadInteger(kInfo, "TloVersion", 0) == 0) return;
  FileName = fileName;
  TitleJ = ini.ReadString(kInfo, "TitleJ");
  AuthorJ = ini.ReadString(kInfo, "AuthorJ");
  EditedByJ = ini.ReadString(kInfo, "EditedByJ");
  CommentJ = ini.ReadString(kInfo, "CommentJ");
  TitleE = ini.ReadString(kInfo, "TitleE");
  AuthorE = ini.ReadString(kInfo, "AuthorE");
  EditedByE = ini.ReadString(kInfo, "EditedByE");
  CommentE = ini.ReadString(kInfo, "CommentE");
  Valid = true;
}

std::string FormatTloFile(const TTloFile& header, const TileOrder& order) {
  std::string text;
  text.reserve(400 + order.size() * 28);
  const auto line = [&](const std::string& s) {
    text += s;
    text += kCrLf;
  };
  line("[Info]");
  line("TloVersion=" + std::to_string(kTloVersion));
  line("TitleJ=" + OneLine(header.TitleJ));
  line("AuthorJ=" + OneLine(header.AuthorJ));
  line("EditedByJ=" + OneLine(header.EditedByJ));
  line("CommentJ=" + OneLine(header.CommentJ));
  line("TitleE=" + OneLine(header.TitleE));
  line("AuthorE=" + OneLine(header.AuthorE));
  line("EditedByE=" + OneLine(header.EditedByE));
  line("CommentE=" + OneLine(header.CommentE));
  line("NumTiles=" + std::to_string(order.size()));
  for (std::size_t i = 0; i < order.size(); ++i) {
    line("");
    line(IniFile::SectionLine(std::to_string(i)));
    line("Row=" + std::to_string(order[i].Row));
    line("Col=" + std::to_string(order[i].Col));
  }
  return Utf8ToCp932(text);
}

IoStatus WriteTloFile(const std::string& fileName, const TTloFile& header, const TileOrder& order) {
  const std::string bytes = FormatTloFile(header, order);
  return WriteWholeFile(
      fileName, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace mosaicer
