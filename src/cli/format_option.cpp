#include "cli/format_option.h"

#include <filesystem>

#include "cli/output_check.h"
#include "platform/io_status.h"

namespace mosaicer::cli {
namespace {

bool HasExtension(const std::string& path, const char* extension) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == extension;
}

}  // namespace

int OpenSubcodeInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                     SubcodeInput& input) {
  if (args.Has("format")) {
    const std::string f = args.Value("format");
    if (f == "cdg")
      input.format = SubcodeFormat::Cdg;
    else if (f == "rws")
      input.format = SubcodeFormat::Rws;
    else
      return UsageError(io, command, "--format must be cdg or rws");
  }
  if (const int status = CheckInput(io, path)) return status;
  std::error_code ec;
  input.size = std::filesystem::file_size(path, ec);
  if (ec) return Failure(io, IoStatus::FromErrno("read", path, ec.value()).error());
  if (!args.Has("format"))
    input.format = HasExtension(path, ".rws") ? SubcodeFormat::Rws : GuessFormat(input.size);
  input.sectors = SectorCount(input.size, input.format);
  if (input.sectors == 0)
    return Failure(io, IoStatus::Quoted(path) + " is empty: it holds no whole " +
                           (input.format == SubcodeFormat::Cdg ? "2448" : "96") + "-byte sector");
  return kExitSuccess;
}

}  // namespace mosaicer::cli
