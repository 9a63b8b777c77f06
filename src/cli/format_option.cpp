#include "cli/format_option.h"

#include <filesystem>

#include "cli/output_check.h"
#include "core/format_decision.h"
#include "platform/io_status.h"
#include "platform/language.h"

namespace mosaicer::cli {
int OpenSubcodeInput(const Args& args, Io& io, const std::string& command, const std::string& path,
                     SubcodeInput& input, SubcodeUse use) {
  if (args.Has("format")) {
    const std::string f = args.Value("format");
    if (f == "cdg")
      input.format = SubcodeFormat::Cdg;
    else if (f == "rws")
      input.format = SubcodeFormat::Rws;
    else
      return UsageError(io, command, Tr("--format must be cdg or rws"));
  }
  if (const int status = CheckInput(io, path)) return status;
  std::error_code ec;
  input.size = std::filesystem::file_size(path, ec);
  if (ec) return Failure(io, IoStatus::FromErrno("read", path, ec.value()).error());
  if (!args.Has("format")) {
    FormatDecision decision = FormatDecision::Undecidable;
    if (const IoStatus decided = DecideSubcodeFileFormat(path, decision); !decided)
      return Failure(io, decided.error());
    switch (decision) {
      case FormatDecision::Cdg:
        input.format = SubcodeFormat::Cdg;
        break;
      case FormatDecision::Rws:
        input.format = SubcodeFormat::Rws;
        break;
      case FormatDecision::Empty:
        return Failure(io, Format(Tr("%1 is empty: it holds no whole sector"),
                                  {IoStatus::Quoted(path)}));
      case FormatDecision::Undecidable:
        if (use != SubcodeUse::AnyLayout) {
          input.format = SubcodeFormat::Cdg;
          break;
        }
        return UsageError(io, command,
                          Format(Tr("cannot tell whether %1 holds CDG sectors (2448 bytes) or "
                                    "bare subcode (96 bytes): give --format cdg or --format rws"),
                                 {IoStatus::Quoted(path)}));
    }
  }
  if (use == SubcodeUse::CdgOnly && input.format != SubcodeFormat::Cdg)
    return Failure(io, Format(Tr("%1 is bare subcode (an RWS or MP3+G .cdg file): it holds no audio"),
                              {IoStatus::Quoted(path)}));
  input.sectors = SectorCount(input.size, input.format);
  if (input.sectors == 0)
    return Failure(io, Format(Tr("%1 is empty: it holds no whole %2-byte sector"),
                              {IoStatus::Quoted(path),
                               input.format == SubcodeFormat::Cdg ? "2448" : "96"}));
  return kExitSuccess;
}

}  // namespace mosaicer::cli
