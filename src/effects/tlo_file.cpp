#include "effects/tlo_file.h"

#include <fstream>
#include <iterator>

#include "platform/cp932.h"

namespace mosaicer {
namespace {

constexpr const char* kInfo = "Info";
// A 65535-step file is about 2 MiB; anything far larger is not an effect.
constexpr std::uintmax_t kMaxTloBytes = 16u << 20;
constexpr const char* kCrLf = "\r\n";

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

bool LoadTloText(const std::string& fileName, IniFile& ini, std::string* error) {
  const auto fail = [&](const std::string& why) {
    ini.Parse({});
    if (error) *error = why;
    return false;
  };
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  if (!in) return fail("cannot open the file");
  const std::streamoff size = in.tellg();
  if (size < 0) return fail("cannot read the file");
  if (static_cast<std::uintmax_t>(size) > kMaxTloBytes) return fail("the file is too large");
  in.seekg(0);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), size)) return fail("cannot read the file");
  ini.Parse(Cp932ToUtf8(bytes));
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
    line("[" + std::to_string(i) + "]");
    line("Row=" + std::to_string(order[i].Row));
    line("Col=" + std::to_string(order[i].Col));
  }
  return Utf8ToCp932(text);
}

bool WriteTloFile(const std::string& fileName, const TTloFile& header, const TileOrder& order) {
  const std::string bytes = FormatTloFile(header, order);
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace mosaicer
